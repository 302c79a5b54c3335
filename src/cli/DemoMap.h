#pragma once

// The demo map: a scenario Orvistad writes itself that shows every layer the editor draws
// (several terrain types, doodads, units of several owners, creep around its producers,
// fog of war, named locations of the three kinds), on whatever game data is loaded.

#include "app/GameData.h"
#include "base/Result.h"
#include "scenario/CCHKFile.h"

#include <string>

namespace orv {

// Fills a fresh record with the demo scenario.
void BuildDemoMap(TCHK& chk, TGameData& data);
// Builds the demo scenario and writes it as a new map archive at `path`.
Status WriteDemoMap(TGameData& data, const std::string& path);

} // namespace orv
