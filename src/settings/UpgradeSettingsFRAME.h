#pragma once

// The "upgrades" page of the scenario settings window: per upgrade, its costs (base and
// factor per level, or the game's with "Use Default") and the levels the players start with
// and may reach.

#include "settings/SettingsPage.h"
#include "settings/SettingsStore.h"

class QPushButton;

namespace orv {

class TUpgradeData;

class TUpgradeSetFrame : public TSettingsPage {
public:
    TUpgradeSetFrame(TSettingsStore& store, const TGameData& gameData, Prompter& ask,
                     QWidget* parent = nullptr);

    QTreeWidget* UpgradeTree = nullptr;
    QPushButton* Button1 = nullptr; // "Load Defaults"
    QPushButton* Button2 = nullptr; // "Set all upgrades to 0 time"
    QTabBar* CurModeTab = nullptr;
    QCheckBox* defaultCB = nullptr;
    TUpgradeData *TimeFRM = nullptr, *MineralFRM = nullptr, *GasFRM = nullptr;
    QLineEdit *DefMax = nullptr, *DefLvl = nullptr;
    // Header row, then player p in row p + 1: "Use Default" or "Custom", start, maximum.
    QTableWidget* playersettings = nullptr;

protected:
    bool ExpansionOnly(int item) const override;
    void Show(int item) override;
    Status Store(int item, int mode) override;
    Status StoreDefault(int item, int mode) override;

private:
    Result<TUpgradeLevels> ShownLevels() const;
    void ShowCosts(int item);
    void ShowPlayer(int player, bool custom, unsigned start, unsigned max, unsigned globalStart,
                    unsigned globalMax);
};

} // namespace orv
