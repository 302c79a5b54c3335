#include "settings/UnitSetFrame.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/GameData.h"
#include "view/UnitTree.h"

namespace orv {
namespace {

QLineEdit* MakeEdit(QWidget* parent, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    return edit;
}

TUnitUse UseOf(const QString& text) {
    for (TUnitUse use : {TUnitUse::Yes, TUnitUse::No, TUnitUse::Default}) {
        if (text == UnitUseText(use)) {
            return use;
        }
    }
    return TUnitUse::Other;
}

} // namespace

TUnitSettingsFrame::TUnitSettingsFrame(TSettingsStore& store, const TGameData& gameData, Prompter& ask,
                                       QWidget* parent)
    : TSettingsPage(store, gameData, ask, parent) {
    setObjectName("UnitSettings");
    auto* layout = new QHBoxLayout(this);
    UnitSelect = AddTree(this, layout, "UnitSelect");
    {
        const QSignalBlocker block(UnitSelect);
        AddUnitNodes(UnitSelect, gameData);
    }

    auto* body = new QWidget(this);
    layout->addWidget(body, 1);
    auto* column = new QVBoxLayout(body);
    column->setContentsMargins(0, 0, 0, 0);
    globalenableCB = new QCheckBox("Enabled for each player by default", body);
    globalenableCB->setObjectName("globalenableCB");
    globalenableCB->setChecked(true);
    column->addWidget(globalenableCB);
    CurModeTab = AddModeTabs(body, column);
    DefaultCB = AddUseDefault(body, column, "DefaultCB", "Use Default settings");

    auto* stats = new QGridLayout;
    const std::pair<QLineEdit**, const char*> edits[] = {{&Hitpoints, "Hit Points"}, {&Shields, "Shields"},
                                                         {&Armor, "Armor"},          {&Time, "Time:"},
                                                         {&Minerals, "Minerals"},    {&Gas, "Gas"}};
    const char* names[] = {"Hitpoints", "Shields", "Armor", "Time", "Minerals", "Gas"};
    for (int i = 0; i < 6; ++i) {
        *edits[i].first = MakeEdit(body, names[i]);
        stats->addWidget(new QLabel(edits[i].second, body), i / 3 * 2, i % 3);
        stats->addWidget(*edits[i].first, i / 3 * 2 + 1, i % 3);
    }
    column->addLayout(stats);

    auto weapon = [body, column](const char* boxName, const char* damageName, const char* bonusName,
                                 QLineEdit*& damage, QLineEdit*& bonus) {
        auto* box = new QGroupBox(body);
        box->setObjectName(boxName);
        auto* form = new QFormLayout(box);
        damage = MakeEdit(box, damageName);
        bonus = MakeEdit(box, bonusName);
        form->addRow("Damage:", damage);
        form->addRow("Bonus:", bonus);
        column->addWidget(box);
        return box;
    };
    groundweapbox = weapon("groundweapbox", "GroundDmg", "GroundDmgBonus", GroundDmg, GroundDmgBonus);
    groundweapbox->setTitle("Ground Weapon[Attack name]");
    airweabox = weapon("airweabox", "AirDmg", "AirDmgBonus", AirDmg, AirDmgBonus);
    airweabox->setTitle("Air Weapon[Attack name]");

    auto* nameBox = new QGroupBox("Unit Name", body);
    nameBox->setObjectName("GroupBox4");
    auto* nameRow = new QHBoxLayout(nameBox);
    UseDefaultName = new QCheckBox("Use Default", nameBox);
    UseDefaultName->setObjectName("UseDefaultName");
    UseDefaultName->setChecked(true);
    Unitname = MakeEdit(nameBox, "Unitname");
    Unitname->setText("Unitname");
    nameRow->addWidget(UseDefaultName);
    nameRow->addWidget(Unitname, 1);
    column->addWidget(nameBox);

    auto* playerBox = new QGroupBox("Player Settings", body);
    playerBox->setObjectName("GroupBox5");
    auto* playerColumn = new QVBoxLayout(playerBox);
    PlayerSettings = MakePlayerList(playerBox, "PlayerSettings", "Unit Enabled", "Enabled");
    playerColumn->addWidget(PlayerSettings);
    column->addWidget(playerBox, 1);

    connect(DefaultCB, &QCheckBox::clicked, this, [this] {
        ShowStats(m_store.DefaultUnit(m_item, m_mode));
        EnableStats();
    });
    connect(UseDefaultName, &QCheckBox::clicked, this, [this](bool ticked) {
        if (ticked) {
            Unitname->setText(QString::fromStdString(m_store.DefaultUnit(m_item, m_mode).Name));
        }
        EnableStats();
    });
    connect(PlayerSettings, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        QTableWidgetItem* value = PlayerSettings->item(row, 1);
        value->setText(NextInCycle(value->text(), {"Yes", "No", "Default"}));
    });
    Attach(UnitSelect, CurModeTab, DefaultCB, body);
}

bool TUnitSettingsFrame::ExpansionOnly(int item) const {
    return m_store.ExpansionOnlyUnit(item);
}

void TUnitSettingsFrame::Show(int item) {
    const TUnitStats stats = m_store.LoadUnit(item, m_mode);
    DefaultCB->setChecked(stats.UseDefault);
    ShowStats(stats.UseDefault ? m_store.DefaultUnit(item, m_mode) : stats);
    EnableStats();
    const TUnitAvailability availability = m_store.LoadAvailability(item);
    globalenableCB->setChecked(availability.Global);
    for (int p = 0; p < 12; ++p) {
        PlayerSettings->item(p, 1)->setText(UnitUseText(availability.Players[static_cast<std::size_t>(p)]));
    }
}

void TUnitSettingsFrame::ShowStats(const TUnitStats& stats) {
    m_shown = stats;
    const std::pair<QLineEdit*, std::uint32_t> values[] = {
        {Hitpoints, stats.HitPoints}, {Shields, stats.Shields},   {Armor, stats.Armor},
        {Time, stats.BuildTime},      {Minerals, stats.Minerals}, {Gas, stats.Gas}};
    for (const auto& [edit, value] : values) {
        edit->setText(QString::number(value));
    }
    auto weapon = [this](QGroupBox* box, const char* title, int w, QLineEdit* damage,
                         std::uint32_t damageValue, QLineEdit* bonus, std::uint32_t bonusValue) {
        if (w == kNoWeapon) {
            box->setTitle(QString(title) + " None ]");
            damage->clear();
            bonus->clear();
            return;
        }
        const std::vector<std::uint8_t>& weapons = m_data.WeaponsDat;
        const std::size_t at = static_cast<std::size_t>(2 * w);
        const int label = at + 1 < weapons.size() ? weapons[at] | weapons[at + 1] << 8 : 0;
        box->setTitle(title + StatText(label) + "]");
        damage->setText(QString::number(damageValue));
        bonus->setText(QString::number(bonusValue));
    };
    weapon(groundweapbox, "Ground Weapon[", stats.GroundWeapon, GroundDmg, stats.GroundDamage, GroundDmgBonus,
           stats.GroundBonus);
    weapon(airweabox, "Air Weapon[", stats.AirWeapon, AirDmg, stats.AirDamage, AirDmgBonus, stats.AirBonus);
    UseDefaultName->setChecked(!stats.CustomName);
    Unitname->setText(QString::fromStdString(stats.Name));
}

void TUnitSettingsFrame::EnableStats() {
    const bool custom = !DefaultCB->isChecked();
    for (QLineEdit* edit : {Hitpoints, Shields, Armor, Time, Minerals, Gas}) {
        edit->setEnabled(custom);
    }
    const bool ground = custom && m_shown.GroundWeapon != kNoWeapon,
               air = custom && m_shown.AirWeapon != kNoWeapon;
    GroundDmg->setEnabled(ground);
    GroundDmgBonus->setEnabled(ground);
    AirDmg->setEnabled(air);
    AirDmgBonus->setEnabled(air);
    UseDefaultName->setEnabled(custom);
    Unitname->setEnabled(custom && !UseDefaultName->isChecked());
}

Status TUnitSettingsFrame::Store(int item, int mode) {
    TUnitStats stats = m_shown;
    stats.UseDefault = false;
    struct Field {
        QLineEdit* edit;
        const char* name;
        std::uint32_t* value;
        bool used;
    };
    const bool ground = stats.GroundWeapon != kNoWeapon, air = stats.AirWeapon != kNoWeapon;
    const Field fields[] = {{Hitpoints, "Hit Points", &stats.HitPoints, true},
                            {Shields, "Shields", &stats.Shields, true},
                            {Armor, "Armor", &stats.Armor, true},
                            {Time, "Time", &stats.BuildTime, true},
                            {Minerals, "Minerals", &stats.Minerals, true},
                            {Gas, "Gas", &stats.Gas, true},
                            {GroundDmg, "Ground damage", &stats.GroundDamage, ground},
                            {GroundDmgBonus, "Ground bonus", &stats.GroundBonus, ground},
                            {AirDmg, "Air damage", &stats.AirDamage, air},
                            {AirDmgBonus, "Air bonus", &stats.AirBonus, air}};
    for (const Field& field : fields) {
        if (!field.used) {
            continue;
        }
        const Result<std::uint32_t> value = Read(field.edit, field.name);
        if (!value) {
            return MakeError(value.error());
        }
        *field.value = value.value();
    }
    stats.CustomName = !UseDefaultName->isChecked();
    stats.Name = Unitname->text().toStdString();
    return m_store.StoreUnit(item, mode, stats, ShownAvailability());
}

TUnitAvailability TUnitSettingsFrame::ShownAvailability() const {
    TUnitAvailability availability;
    availability.Global = globalenableCB->isChecked();
    for (int p = 0; p < 12; ++p) {
        availability.Players[static_cast<std::size_t>(p)] = UseOf(PlayerSettings->item(p, 1)->text());
    }
    return availability;
}

Status TUnitSettingsFrame::StoreDefault(int item, int mode) {
    m_store.StoreUnitDefault(item, mode);
    // The players' rows are not statistics: they are kept whatever the box says.
    m_store.StoreAvailability(item, ShownAvailability());
    return {};
}

} // namespace orv
