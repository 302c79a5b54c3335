#include "settings/UpgradeSettingsFRAME.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/GameData.h"
#include "settings/BaseFactorFrame.h"
#include "settings/SettingsStore.h"

namespace orv {
namespace {

constexpr const char* kUseDefault = "Use Default";
constexpr const char* kCustom = "Custom";

QString DefaultText(unsigned level) {
    return QString("Default [%1]").arg(level);
}

} // namespace

TUpgradeSetFrame::TUpgradeSetFrame(TSettingsStore& store, const TGameData& gameData, Prompter& ask,
                                   QWidget* parent)
    : TSettingsPage(store, gameData, ask, parent) {
    setObjectName("UpgradeSettings");
    auto* layout = new QHBoxLayout(this);
    UpgradeTree = AddTree(this, layout, "UpgradeTree");
    FillRaceTree(UpgradeTree, gameData.UpgradesDat, kExpansionUpgradeCount, 976, 1098, gameData.StatTxt);

    auto* right = new QVBoxLayout;
    layout->addLayout(right, 1);
    auto* buttons = new QHBoxLayout;
    Button1 = new QPushButton("Load Defaults", this);
    Button1->setObjectName("Button1");
    Button2 = new QPushButton("Set all upgrades to 0 time", this);
    Button2->setObjectName("Button2");
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    right->addLayout(buttons);

    auto* body = new QWidget(this);
    right->addWidget(body, 1);
    auto* column = new QVBoxLayout(body);
    column->setContentsMargins(0, 0, 0, 0);
    CurModeTab = AddModeTabs(body, column);
    defaultCB = AddUseDefault(body, column, "defaultCB", "Use Default");
    auto* costs = new QHBoxLayout;
    const std::pair<TUpgradeData**, const char*> frames[] = {
        {&TimeFRM, "TimeFRM"}, {&MineralFRM, "MineralFRM"}, {&GasFRM, "GasFRM"}};
    for (const auto& [frame, name] : frames) {
        *frame = new TUpgradeData(body);
        (*frame)->setObjectName(name);
        costs->addWidget(*frame);
    }
    TimeFRM->SetCaption("Time cost");
    MineralFRM->SetCaption("Mineral cost");
    GasFRM->SetCaption("Gas cost");
    GasFRM->setToolTip("Time displayed is 15 times the time displayed in staredit");
    column->addLayout(costs);

    auto* levels = new QFormLayout;
    DefMax = new QLineEdit("0", body);
    DefMax->setObjectName("DefMax");
    DefLvl = new QLineEdit("0", body);
    DefLvl->setObjectName("DefLvl");
    levels->addRow("Default Max", DefMax);
    levels->addRow("Default level", DefLvl);
    column->addLayout(levels);

    playersettings = new QTableWidget(13, 4, body);
    playersettings->setObjectName("playersettings");
    playersettings->horizontalHeader()->hide();
    playersettings->verticalHeader()->hide();
    const char* headers[] = {"Player", "Use Defaults", "Default upgrade", "Max Upgrade"};
    for (int c = 0; c < 4; ++c) {
        auto* header = new QTableWidgetItem(headers[c]);
        header->setFlags(Qt::ItemIsEnabled);
        playersettings->setItem(0, c, header);
    }
    for (int row = 1; row <= 12; ++row) {
        for (int c = 0; c < 4; ++c) {
            auto* cell = new QTableWidgetItem(c == 0 ? QString("Player %1").arg(row) : QString());
            if (c < 2) {
                cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            }
            playersettings->setItem(row, c, cell);
        }
    }
    column->addWidget(playersettings, 1);

    connect(defaultCB, &QCheckBox::clicked, this, [this](bool ticked) {
        if (ticked) {
            ShowCosts(m_item);
        }
        for (TUpgradeData* frame : {TimeFRM, MineralFRM, GasFRM}) {
            frame->SetInputsEnabled(!ticked);
        }
    });
    connect(Button1, &QPushButton::clicked, this, [this] {
        m_store.UpgradeLoadDefaults(m_mode);
        defaultCB->setChecked(true);
        if (m_item >= 0) {
            ShowCosts(m_item);
        }
        for (TUpgradeData* frame : {TimeFRM, MineralFRM, GasFRM}) {
            frame->SetInputsEnabled(false);
        }
    });
    connect(Button2, &QPushButton::clicked, this, [this] {
        m_store.SetAllUpgradeTimesZero();
        TimeFRM->SetValues(0, 0);
    });
    connect(playersettings, &QTableWidget::cellDoubleClicked, this, [this](int row, int cell) {
        if (cell != 1 || row < 1 || m_item < 0) {
            return;
        }
        const QString use = playersettings->item(row, 1)->text();
        if (use != kUseDefault && use != kCustom) {
            return;
        }
        const TUpgradeLevels stored = m_store.LoadUpgradeLevels(m_item, m_mode);
        const TUpgradePlayer& player = stored.Players[static_cast<std::size_t>(row - 1)];
        ShowPlayer(row - 1, use == kUseDefault, player.Start, player.Max, stored.GlobalStart,
                   stored.GlobalMax);
    });
    Attach(UpgradeTree, CurModeTab, defaultCB, body);
}

bool TUpgradeSetFrame::ExpansionOnly(int item) const {
    return m_store.ExpansionOnlyUpgrade(item);
}

void TUpgradeSetFrame::ShowCosts(int item) {
    if (item < 0) {
        return;
    }
    const TUpgradeCosts costs = m_store.LoadUpgradeCosts(item, m_mode);
    TimeFRM->SetValues(costs.TimeBase, costs.TimeFactor);
    MineralFRM->SetValues(costs.MineralBase, costs.MineralFactor);
    GasFRM->SetValues(costs.GasBase, costs.GasFactor);
}

void TUpgradeSetFrame::ShowPlayer(int player, bool custom, unsigned start, unsigned max, unsigned globalStart,
                                  unsigned globalMax) {
    playersettings->item(player + 1, 1)->setText(custom ? kCustom : kUseDefault);
    playersettings->item(player + 1, 2)->setText(custom ? QString::number(start) : DefaultText(globalStart));
    playersettings->item(player + 1, 3)->setText(custom ? QString::number(max) : DefaultText(globalMax));
}

void TUpgradeSetFrame::Show(int item) {
    const bool useDefault = m_store.LoadUpgradeCosts(item, m_mode).UseDefault;
    defaultCB->setChecked(useDefault);
    ShowCosts(item);
    for (TUpgradeData* frame : {TimeFRM, MineralFRM, GasFRM}) {
        frame->SetInputsEnabled(!useDefault);
    }
    const TUpgradeLevels levels = m_store.LoadUpgradeLevels(item, m_mode);
    DefLvl->setText(QString::number(levels.GlobalStart));
    DefMax->setText(QString::number(levels.GlobalMax));
    for (int p = 0; p < 12; ++p) {
        const TUpgradePlayer& player = levels.Players[static_cast<std::size_t>(p)];
        ShowPlayer(p, player.Custom, player.Start, player.Max, levels.GlobalStart, levels.GlobalMax);
    }
}

Status TUpgradeSetFrame::Store(int item, int mode) {
    TUpgradeCosts costs;
    costs.UseDefault = false;
    const std::pair<QLineEdit*, std::pair<const char*, std::uint32_t*>> fields[] = {
        {TimeFRM->basecost, {"Time cost base", &costs.TimeBase}},
        {TimeFRM->factoredit, {"Time cost factor", &costs.TimeFactor}},
        {MineralFRM->basecost, {"Mineral cost base", &costs.MineralBase}},
        {MineralFRM->factoredit, {"Mineral cost factor", &costs.MineralFactor}},
        {GasFRM->basecost, {"Gas cost base", &costs.GasBase}},
        {GasFRM->factoredit, {"Gas cost factor", &costs.GasFactor}}};
    for (const auto& [edit, field] : fields) {
        const Result<std::uint32_t> value = Read(edit, field.first);
        if (!value) {
            return MakeError(value.error());
        }
        *field.second = value.value();
    }
    const Result<TUpgradeLevels> levels = ShownLevels();
    if (!levels) {
        return MakeError(levels.error());
    }
    return m_store.StoreUpgrade(item, mode, costs, levels.value());
}

Result<TUpgradeLevels> TUpgradeSetFrame::ShownLevels() const {
    TUpgradeLevels levels;
    std::vector<std::pair<QString, std::pair<std::string, std::uint32_t*>>> fields = {
        {DefLvl->text(), {"Default level", &levels.GlobalStart}},
        {DefMax->text(), {"Default Max", &levels.GlobalMax}}};
    for (int p = 0; p < 12; ++p) {
        TUpgradePlayer& player = levels.Players[static_cast<std::size_t>(p)];
        // Rows that follow the global levels are not read.
        player.Custom = playersettings->item(p + 1, 1)->text() == kCustom;
        if (player.Custom) {
            const std::string name = "Player " + std::to_string(p + 1);
            fields.push_back(
                {playersettings->item(p + 1, 2)->text(), {name + " default upgrade", &player.Start}});
            fields.push_back({playersettings->item(p + 1, 3)->text(), {name + " max upgrade", &player.Max}});
        }
    }
    for (const auto& [text, field] : fields) {
        const Result<std::uint32_t> value = Read(text, field.first);
        if (!value) {
            return MakeError(value.error());
        }
        *field.second = value.value();
    }
    return levels;
}

Status TUpgradeSetFrame::StoreDefault(int item, int mode) {
    // The levels are not costs: they are kept whatever the box says.
    const Result<TUpgradeLevels> levels = ShownLevels();
    if (!levels) {
        return MakeError(levels.error());
    }
    if (Status stored = m_store.StoreUpgradeLevels(item, mode, levels.value()); !stored) {
        return stored;
    }
    m_store.StoreUpgradeDefault(item, mode);
    return {};
}

} // namespace orv
