#pragma once

// A contact sheet of a tileset: every terrain type's variants, the transition pairs of each
// link, the creep tiles and frames, and every doodad with its name.

#include "base/Result.h"

#include <string>

namespace orv {
class TGameData;
}

namespace orv::cli {

Status WriteTilesetSheet(TGameData& data, int tileset, const std::string& path);

} // namespace orv::cli
