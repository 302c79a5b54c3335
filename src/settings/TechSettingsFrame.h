#pragma once

// The "Technologies" page of the scenario settings window: per technology, its costs (or the
// game's with "Use Default"), whether players have it enabled, disabled or researched by
// default, and each player's exception.

#include "settings/SettingsPage.h"
#include "settings/SettingsStore.h"

class QGroupBox;
class QPushButton;
class QRadioButton;

namespace orv {

class TTechSetFRAME : public TSettingsPage {
public:
    TTechSetFRAME(TSettingsStore& store, const TGameData& gameData, Prompter& ask, QWidget* parent = nullptr);

    QTreeWidget* TechTree = nullptr;
    QPushButton* Button1 = nullptr; // "Load Defaults"
    QTabBar* CurModeTab = nullptr;
    QCheckBox* defaultCB = nullptr;
    QLineEdit *time = nullptr, *minerals = nullptr, *gas = nullptr, *energy = nullptr;
    // "Default Setting": "Enabled", "Disabled", "Researched".
    QGroupBox* restrictradio = nullptr;
    QRadioButton *EnabledRadio = nullptr, *DisabledRadio = nullptr, *ResearchedRadio = nullptr;
    // "Default", "Enabled", "Disabled", "Researched" or "Other" per player.
    QTableWidget* PlayerSettings = nullptr;

protected:
    bool ExpansionOnly(int item) const override;
    void Show(int item) override;
    Status Store(int item, int mode) override;
    Status StoreDefault(int item, int mode) override;

private:
    TTechAvailability ShownAvailability() const;
    void ShowCosts(int item);
    void EnableCosts(bool enabled);
};

} // namespace orv
