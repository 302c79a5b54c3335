#pragma once

#include "app/GameData.h"

namespace orv::test {

// Orvistad's stand-in game data, loaded once per test program (no user settings read).
TGameData& StandinGameData();

} // namespace orv::test
