#include "settings/TechSettingsFrame.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/GameData.h"
#include "settings/SettingsStore.h"

namespace orv {
namespace {

TTechUse UseOf(const QString& text) {
    for (TTechUse use : {TTechUse::Enabled, TTechUse::Disabled, TTechUse::Researched, TTechUse::Default}) {
        if (text == TechUseText(use)) {
            return use;
        }
    }
    return TTechUse::Other;
}

} // namespace

TTechSetFRAME::TTechSetFRAME(TSettingsStore& store, const TGameData& gameData, Prompter& ask, QWidget* parent)
    : TSettingsPage(store, gameData, ask, parent) {
    setObjectName("TechSetframe");
    auto* layout = new QHBoxLayout(this);
    TechTree = AddTree(this, layout, "TechTree");
    FillRaceTree(TechTree, gameData.TechdataDat, kExpansionTechCount, 616, 704, gameData.StatTxt);

    auto* right = new QVBoxLayout;
    layout->addLayout(right, 1);
    Button1 = new QPushButton("Load Defaults", this);
    Button1->setObjectName("Button1");
    right->addWidget(Button1, 0, Qt::AlignLeft);
    auto* body = new QWidget(this);
    right->addWidget(body, 1);
    auto* column = new QVBoxLayout(body);
    column->setContentsMargins(0, 0, 0, 0);
    CurModeTab = AddModeTabs(body, column);
    defaultCB = AddUseDefault(body, column, "defaultCB", "Use Default");

    auto* costs = new QGroupBox("Costs", body);
    auto* grid = new QGridLayout(costs);
    const std::pair<QLineEdit**, const char*> edits[] = {
        {&time, "Time"}, {&minerals, "Minerals"}, {&gas, "Gas"}, {&energy, "Energy"}};
    const char* names[] = {"time", "minerals", "gas", "energy"};
    for (int i = 0; i < 4; ++i) {
        *edits[i].first = new QLineEdit("0", costs);
        (*edits[i].first)->setObjectName(names[i]);
        grid->addWidget(new QLabel(edits[i].second, costs), 0, i);
        grid->addWidget(*edits[i].first, 1, i);
    }
    time->setToolTip("Time displayed is 15 times the time displayed in staredit");
    column->addWidget(costs);

    restrictradio = new QGroupBox("Default Setting", body);
    restrictradio->setObjectName("restrictradio");
    auto* radios = new QHBoxLayout(restrictradio);
    const std::pair<QRadioButton**, const char*> buttons[] = {
        {&EnabledRadio, "Enabled"}, {&DisabledRadio, "Disabled"}, {&ResearchedRadio, "Researched"}};
    for (const auto& [button, text] : buttons) {
        *button = new QRadioButton(text, restrictradio);
        radios->addWidget(*button);
    }
    EnabledRadio->setChecked(true);
    column->addWidget(restrictradio);

    auto* playerBox = new QGroupBox("Player Settings", body);
    auto* playerColumn = new QVBoxLayout(playerBox);
    PlayerSettings = MakePlayerList(playerBox, "PlayerSettings", "Enabled", "Enabled");
    playerColumn->addWidget(PlayerSettings);
    column->addWidget(playerBox, 1);
    EnableCosts(false);

    connect(defaultCB, &QCheckBox::clicked, this, [this](bool ticked) {
        if (ticked) {
            ShowCosts(m_item);
        }
        EnableCosts(!ticked);
    });
    connect(Button1, &QPushButton::clicked, this, [this] {
        m_store.TechLoadDefaults(m_mode);
        defaultCB->setChecked(true);
        ShowCosts(m_item);
        EnableCosts(false);
    });
    connect(PlayerSettings, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        QTableWidgetItem* value = PlayerSettings->item(row, 1);
        value->setText(NextInCycle(value->text(), {"Default", "Enabled", "Disabled", "Researched"}));
    });
    Attach(TechTree, CurModeTab, defaultCB, body);
}

bool TTechSetFRAME::ExpansionOnly(int item) const {
    return m_store.ExpansionOnlyTech(item);
}

void TTechSetFRAME::EnableCosts(bool enabled) {
    for (QLineEdit* edit : {time, minerals, gas, energy}) {
        edit->setEnabled(enabled);
    }
}

void TTechSetFRAME::ShowCosts(int item) {
    if (item < 0) {
        return;
    }
    const TTechCosts costs = m_store.LoadTechCosts(item, m_mode);
    time->setText(QString::number(costs.Time));
    minerals->setText(QString::number(costs.Minerals));
    gas->setText(QString::number(costs.Gas));
    energy->setText(QString::number(costs.Energy));
}

void TTechSetFRAME::Show(int item) {
    const bool useDefault = m_store.LoadTechCosts(item, m_mode).UseDefault;
    defaultCB->setChecked(useDefault);
    ShowCosts(item);
    EnableCosts(!useDefault);
    const TTechAvailability availability = m_store.LoadTechAvailability(item, m_mode);
    (availability.Global == TTechUse::Researched ? ResearchedRadio
     : availability.Global == TTechUse::Disabled ? DisabledRadio
                                                 : EnabledRadio)
        ->setChecked(true);
    for (int p = 0; p < 12; ++p) {
        PlayerSettings->item(p, 1)->setText(TechUseText(availability.Players[static_cast<std::size_t>(p)]));
    }
}

Status TTechSetFRAME::Store(int item, int mode) {
    TTechCosts costs;
    costs.UseDefault = false;
    const std::pair<QLineEdit*, std::uint32_t*> fields[] = {
        {time, &costs.Time}, {minerals, &costs.Minerals}, {gas, &costs.Gas}, {energy, &costs.Energy}};
    const char* names[] = {"Time", "Minerals", "Gas", "Energy"};
    for (std::size_t i = 0; i < 4; ++i) {
        const Result<std::uint32_t> value = Read(fields[i].first, names[i]);
        if (!value) {
            return MakeError(value.error());
        }
        *fields[i].second = value.value();
    }
    return m_store.StoreTech(item, mode, costs, ShownAvailability());
}

TTechAvailability TTechSetFRAME::ShownAvailability() const {
    TTechAvailability availability;
    availability.Global = ResearchedRadio->isChecked() ? TTechUse::Researched
                          : DisabledRadio->isChecked() ? TTechUse::Disabled
                                                       : TTechUse::Enabled;
    for (int p = 0; p < 12; ++p) {
        availability.Players[static_cast<std::size_t>(p)] = UseOf(PlayerSettings->item(p, 1)->text());
    }
    return availability;
}

Status TTechSetFRAME::StoreDefault(int item, int mode) {
    m_store.StoreTechDefault(item, mode);
    // Who may research it is not a cost: it is kept whatever the box says.
    m_store.StoreTechAvailability(item, mode, ShownAvailability());
    return {};
}

} // namespace orv
