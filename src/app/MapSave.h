#pragma once

// Saving a scenario into its map archive, the way the editor and `orvistad-cli resave` do:
// the scenario is written and stored into a copy of the archive inside a private folder;
// only the finished, read-back archive is moved over the target (renamed, or copied beside
// it under an unpredictable name and renamed), so the target is always the old file or the
// whole new one. A protected archive that the archive library refuses to open for writing
// is replaced by a new archive holding the scenario and every other file the map reader can
// name: the (listfile)'s entries and the sound files the scenario lists.

#include "archive/Stormunit.h"
#include "base/Result.h"
#include "scenario/CCHKFile.h"

#include <string>

namespace orv {

struct MapSaveReport {
    bool rebuilt = false;    // the archive was written anew
    std::size_t carried = 0; // other files carried into the new archive
};

// Saves `chk` into the archive `target`. `source` is the archive the map came from (it may be
// `target` itself), or empty for a map that has no archive yet (a new archive replaces
// `target`). Nothing is written to `target` or beside it until the new archive is complete.
Result<MapSaveReport> SaveMap(TMyMPQ& mpq, TCHK& chk, const std::string& source, const std::string& target);

// The name a file carried by name into a new archive is stored under: '/' read as '\', as
// the game's reader does, so that the game and our reader find it where it is stored.
std::string CarriedFileName(const std::string& name);

} // namespace orv
