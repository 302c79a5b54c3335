#pragma once

// Saving a scenario into its map archive, the way the editor and `orvistad-cli resave` do:
// the scenario is written, then stored into the archive (updated on a copy beside it, in
// place only when that worked). A protected archive that the archive library refuses to
// update is replaced by a new archive holding the scenario and every other file the map
// reader can name: the (listfile)'s entries and the sound files the scenario lists.

#include "archive/Stormunit.h"
#include "base/Result.h"
#include "scenario/CCHKFile.h"

#include <string>

namespace orv {

struct MapSaveReport {
    bool rebuilt = false;     // the archive was written anew
    std::size_t carried = 0; // other files carried into the new archive
};

// Saves `chk` into the archive `target`. `source` is the archive the map came from (copied
// to `target` first when they differ), or empty for a map that has no archive yet.
Result<MapSaveReport> SaveMap(TMyMPQ& mpq, TCHK& chk, const std::string& source, const std::string& target);

} // namespace orv
