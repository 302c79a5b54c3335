#pragma once

// One place the game's files come from. TMyMPQ searches a list of them, one per entry of its
// archive list, whatever their kind:
//  - an MPQ archive (StarDat.mpq and the like), read through StormLib;
//  - a folder of files extracted from the game under their archived paths (arr/units.dat,
//    any case), as extraction tools write them;
//  - the installation folder of the current game, which keeps its files in a CASC storage
//    (the folder holds `.build.info`).
// Archived names are given as the game writes them ("arr\units.dat"); every kind finds them
// without regard to case and with '\' and '/' alike where its format allows.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

class GameDataSource {
public:
    virtual ~GameDataSource() = default;

    // Opens the source if it is not open yet. False when it cannot be opened; whether a later
    // call tries again depends on the kind (an archive does, a damaged storage does not).
    virtual bool Open() = 0;
    virtual bool IsOpen() const = 0;
    // Why the last Open failed; empty when it did not.
    virtual std::string Problem() const { return {}; }

    virtual bool Contains(std::string_view archivedName) = 0;
    // The whole file; nothing when the source does not hold it or cannot read it (said in the
    // debug log). `streamed` reads an archive in steps of 65535 bytes rather than in one read.
    virtual std::optional<std::vector<std::uint8_t>> Read(std::string_view archivedName, bool streamed) = 0;

    // "MPQ archive", "folder" or "CASC storage".
    virtual std::string_view Kind() const = 0;
};

// The source for one archive-list entry: a CASC installation when the entry is a folder
// holding `.build.info`, a folder of extracted files when it is any other folder, an MPQ
// archive otherwise. Nothing is opened yet.
std::unique_ptr<GameDataSource> MakeGameDataSource(const std::string& entry);

} // namespace orv
