#include "app/OptionCommands.h"

namespace orv {
namespace {

bool& FlagOf(OptionFlags& flags, TOptionCommands::Toggle toggle) {
    switch (toggle) {
    case TOptionCommands::Toggle::ShowGrid:
        return flags.ShowGrid;
    case TOptionCommands::Toggle::ShowFineGrid:
        return flags.ShowFineGrid;
    case TOptionCommands::Toggle::ShowPlacability:
        return flags.ShowPlacability;
    case TOptionCommands::Toggle::ShowCreep:
        return flags.ShowCreep;
    case TOptionCommands::Toggle::UseMMX:
        break;
    }
    return flags.UseMMX;
}

void SetGrid(bool& align32, bool& align16, TOptionCommands::Grid grid) {
    align32 = grid == TOptionCommands::Grid::Align32;
    align16 = grid == TOptionCommands::Grid::Align16;
}

TOptionCommands::Grid GridOf(bool align32, bool align16) {
    if (align32) {
        return TOptionCommands::Grid::Align32;
    }
    return align16 ? TOptionCommands::Grid::Align16 : TOptionCommands::Grid::None;
}

} // namespace

bool TOptionCommands::Flip(Toggle toggle) {
    bool& flag = FlagOf(m_flags, toggle);
    flag = !flag;
    return flag;
}

bool TOptionCommands::Checked(Toggle toggle) const {
    return FlagOf(m_flags, toggle);
}

void TOptionCommands::SetBuildingGrid(Grid grid) {
    SetGrid(m_flags.BuildingAlign32, m_flags.BuildingAlign16, grid);
}

void TOptionCommands::SetUnitGrid(Grid grid) {
    SetGrid(m_flags.UnitAlign32, m_flags.UnitAlign16, grid);
}

TOptionCommands::Grid TOptionCommands::BuildingGrid() const {
    return GridOf(m_flags.BuildingAlign32, m_flags.BuildingAlign16);
}

TOptionCommands::Grid TOptionCommands::UnitGrid() const {
    return GridOf(m_flags.UnitAlign32, m_flags.UnitAlign16);
}

void TOptionCommands::ClickPlace(Place item) {
    const auto index = static_cast<std::size_t>(item);
    switch (item) {
    case Place::Classic:
        m_placeChecked = {true, false, false};
        m_placeDefault = Place::Classic;
        m_flags.IgnoreTerrain = false;
        m_flags.AllowOverlap = false;
        break;
    case Place::Anywhere:
    case Place::Overlapping:
        m_placeChecked[index] = !m_placeChecked[index];
        m_placeDefault = m_placeDefault == item ? Place::NoDefault : item;
        m_placeChecked[static_cast<std::size_t>(Place::Classic)] = false;
        (item == Place::Anywhere ? m_flags.IgnoreTerrain : m_flags.AllowOverlap) = true;
        break;
    case Place::NoDefault:
        break;
    }
}

void TOptionCommands::ClickLocationItem(int item) {
    if (item < 0 || item >= kLocationItems) {
        return;
    }
    m_locationChecked[static_cast<std::size_t>(item)] = !m_locationChecked[static_cast<std::size_t>(item)];
    std::uint32_t mask = 0;
    for (int i = 0; i < kElevationItems; ++i) {
        if (m_locationChecked[static_cast<std::size_t>(i)]) {
            mask |= 1u << i;
        }
    }
    m_flags.LocationElevationMask = mask;
}

TPlacementOptions PlacementOptions(const OptionFlags& flags) {
    TPlacementOptions o;
    o.BuildingGrid = flags.BuildingAlign16 ? 16 : flags.BuildingAlign32 ? 32 : 0;
    o.UnitGrid = flags.UnitAlign16 ? 16 : flags.UnitAlign32 ? 32 : 0;
    o.IgnoreTerrain = flags.IgnoreTerrain;
    o.AllowOverlap = flags.AllowOverlap;
    return o;
}

} // namespace orv
