#pragma once

// The "Display Options" and "Unit Placing" menus: what each click does to the option flags
// and to the check marks and default items of the menus. The main window shows this state
// in its menus; nothing here knows a widget.

#include "app/GameData.h"
#include "tools/Placement.h"

#include <array>

namespace orv {

class TOptionCommands {
public:
    // The five plain toggles.
    enum class Toggle { ShowGrid, ShowFineGrid, ShowPlacability, ShowCreep, UseMMX };
    // The three items of the "Buildings" and "Units" grid sub-menus.
    enum class Grid { Align32, Align16, None };
    // The "Place Mode" items.
    enum class Place { Classic, Anywhere, Overlapping, NoDefault };
    // The nine location display items, in menu order: six elevations, then three types.
    static constexpr int kLocationItems = 9;
    static constexpr int kElevationItems = 6;

    explicit TOptionCommands(OptionFlags& flags) : m_flags(flags) {}

    // Flips the flag; returns the new check mark.
    bool Flip(Toggle toggle);
    bool Checked(Toggle toggle) const;

    // Checks the item, makes it the sub-menu's default item and sets the mode's two flags.
    void SetBuildingGrid(Grid grid);
    void SetUnitGrid(Grid grid);
    Grid BuildingGrid() const;
    Grid UnitGrid() const;

    // "Classic Staredit" turns both relaxations off; "Anywhere" and "Overlapping" flip their
    // own check mark and default mark and turn their relaxation on, even when the click
    // removes the check mark: only "Classic Staredit" turns them off.
    void ClickPlace(Place item);
    bool PlaceChecked(Place item) const { return m_placeChecked[static_cast<std::size_t>(item)]; }
    Place PlaceDefault() const { return m_placeDefault; }

    // Flips the item's check mark and rebuilds the elevation mask from the six elevation
    // items (the type items only keep their own check marks).
    void ClickLocationItem(int item);
    bool LocationChecked(int item) const { return m_locationChecked[static_cast<std::size_t>(item)]; }

private:
    OptionFlags& m_flags;
    std::array<bool, 3> m_placeChecked{true, false, false};
    Place m_placeDefault = Place::Classic;
    std::array<bool, kLocationItems> m_locationChecked{true, true, true, true, true, true, true, true, true};
};

// The placing options the tools take from the flags (a 16 setting wins over a 32 one).
TPlacementOptions PlacementOptions(const OptionFlags& flags);

} // namespace orv
