#pragma once

// What the status bar says about the point under the pointer: its tile, and the unit,
// doodad or location there.

#include "app/GameData.h"
#include "scenario/CCHKFile.h"

#include <cstdint>
#include <string>

namespace orv {

// For the map pixel (x, y): "X:12, Y:40", followed by " - " and the topmost unit there
// ("Terran Marine, Player 2"), else the doodad whose tiles hold it, else the names of the
// locations that contain it. Empty outside the map.
std::string PointerStatus(const TCHK& chk, const TGameData& data, std::int64_t x, std::int64_t y);

} // namespace orv
