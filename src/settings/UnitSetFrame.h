#pragma once

// The "Units" page of the scenario settings window: per unit type, the statistics of the
// selected mode's section (hit points, shields, armor, build time, costs, weapon damage,
// name) or the game's own ("Use Default settings"), and which players may build it.

#include "settings/SettingsPage.h"
#include "settings/SettingsStore.h"

class QGroupBox;

namespace orv {

class TUnitSettingsFrame : public TSettingsPage {
public:
    TUnitSettingsFrame(TSettingsStore& store, const TGameData& gameData, Prompter& ask,
                       QWidget* parent = nullptr);

    QTreeWidget* UnitSelect = nullptr;
    QCheckBox* globalenableCB = nullptr;
    QTabBar* CurModeTab = nullptr;
    QCheckBox* DefaultCB = nullptr;
    QLineEdit *Hitpoints = nullptr, *Shields = nullptr, *Armor = nullptr, *Time = nullptr,
              *Minerals = nullptr, *Gas = nullptr;
    QGroupBox *groundweapbox = nullptr, *airweabox = nullptr;
    QLineEdit *GroundDmg = nullptr, *GroundDmgBonus = nullptr, *AirDmg = nullptr, *AirDmgBonus = nullptr;
    QCheckBox* UseDefaultName = nullptr;
    QLineEdit* Unitname = nullptr;
    QTableWidget* PlayerSettings = nullptr; // "Yes", "No", "Default" (the global setting), "Other"

protected:
    bool ExpansionOnly(int item) const override;
    void Show(int item) override;
    Status Store(int item, int mode) override;
    Status StoreDefault(int item, int mode) override;

private:
    TUnitAvailability ShownAvailability() const;
    void ShowStats(const TUnitStats& stats);
    void EnableStats();

    TUnitStats m_shown; // the weapons of the values shown
};

} // namespace orv
