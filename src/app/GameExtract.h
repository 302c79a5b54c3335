#pragma once

// Copies the files the editor reads out of the current game's CASC storage into a folder,
// under the storage's own paths (arr/units.dat, TileSet/badlands.vx4ex, unit/terran/marine.grp),
// so that the folder serves as game data by itself. The storage is only read.

#include "base/Result.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

// True for the storage paths of the files the editor reads: the rule and text tables
// (arr/*.dat, arr/*.tbl, rez/stat_txt.tbl), the palette PCX files (game/*.pcx), the sprite
// sheets (unit/**.grp) and the classic tileset files (TileSet/<stem>.cv5, .vx4, .vx4ex,
// .vf4, .vr4, .wpe, .grp and TileSet/<stem>/dddata.bin), in any case.
bool IsEditorGameFile(std::string_view storagePath);

struct ExtractReport {
    std::size_t written = 0;
    std::uint64_t bytes = 0;
    std::vector<std::string> notInstalled; // named by the storage, data not downloaded
    std::vector<std::string> failures;     // "path: why"
};

// Opens the storage in `installFolder` and writes every editor file it holds below
// `outFolder`. Fails only when the storage cannot be opened; single files that cannot be
// read or written are listed in the report and the rest still written. Paths that would
// leave `outFolder` (absolute, "..") are refused.
Result<ExtractReport> ExtractGameFiles(const std::filesystem::path& installFolder,
                                       const std::filesystem::path& outFolder);

} // namespace orv
