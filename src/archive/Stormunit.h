#pragma once

// Access to the game's archives and to map archives.
//
// The game archives are searched from the last-added to the first, so later archives win:
// the lines of settings.txt over the installed game, Patch_rt.mpq over BrooDat.mpq over
// StarDat.mpq. Each is opened on first use and stays open until a scenario is saved.
// An entry may also name a folder that holds the game's files under their archived paths
// (`arr\units.dat` as arr/units.dat, any case), as extraction tools write them, or the
// installation folder of the current game, which keeps its files in a CASC storage; either
// is searched in the same place of the order as an archive there would be (GameDataSource).
//
// Map archives are read with MapArchiveReader (the game's own leniency) and written with
// StormLib, in the form the game accepts: format version 1, 4096-byte sectors, a
// power-of-two hash table, the scenario imploded (PKWARE DCL), WAVs wave-compressed,
// an up-to-date (listfile), compacted after the scenario is stored. Where the library cannot
// compact (files whose names are unknown) or enlarge the hash table before files are added,
// MpqCompactor, our own writer, does it.
//
// Every update works on a copy in a private folder of its own (mode 0700), in a child process
// (the library aborts on some malformed archives), is read back with MapArchiveReader, and
// only then replaces the archive (renamed into place, or copied beside it and renamed, and
// flushed to disk): a failed update leaves the archive as it was and says why.

#include "archive/GameDataSource.h"
#include "base/Result.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace orv {

class TMyMPQ {
public:
    static constexpr std::uint32_t kStreamChunk = 65535;
    static constexpr const char* kScenarioName = "staredit\\scenario.chk";

    TMyMPQ();
    ~TMyMPQ();
    TMyMPQ(const TMyMPQ&) = delete;
    TMyMPQ& operator=(const TMyMPQ&) = delete;

    // Full paths of the game archives in the order they were added. Entries may be empty or
    // name missing files; those are simply never found.
    std::vector<std::string> ArchiveList;

    bool FileExistsInArchives(std::string_view archivedName);

    // Index in ArchiveList of the archive a read of this file comes from; -1 when none,
    // kFallbackSource when only the fallback archive holds it.
    long SourceOf(std::string_view archivedName);
    static constexpr long kFallbackSource = -2;

    // An archive searched after every entry of ArchiveList, for the names FallbackFor accepts
    // only: files that a game installation may lack and that the program can take from
    // elsewhere. A read served from it is noted in the debug log. Empty: none.
    std::string FallbackArchive;
    std::function<bool(std::string_view)> FallbackFor;

    // What kind of source ArchiveList[index] is ("MPQ archive", "folder", "CASC storage"),
    // and why it could not be opened (empty when it could, or was not tried yet).
    std::string SourceKind(std::size_t index);
    std::string SourceProblem(std::size_t index);

    // The whole file, read in steps of 65535 bytes; empty when no archive holds it.
    std::vector<std::uint8_t> ReadFileToStream(std::string_view archivedName);

    // The whole file in one read; nothing when no archive holds it.
    std::optional<std::vector<std::uint8_t>> ReadFileToBuffer(std::string_view archivedName);

    // Copies one file out of a map archive to `destination`, creating its folders.
    Status ExtractFileFromArchive(const std::string& archivePath, std::string_view archivedName,
                                  const std::string& destination);

    // Stores the scenario file into the map archive, creating the archive when it does not
    // exist. Closes the game archives first; the next read opens them again.
    Status SaveScenarioToArchive(const std::string& archivePath, const std::string& scenarioFile);

    // Adds WAV files (sources[i] stored as names[i]) to the map archive.
    Status AddWavesToArchive(const std::vector<std::string>& names, const std::vector<std::string>& sources,
                             const std::string& archivePath);

    // Adds files held in memory to the map archive (created when missing), PKWARE-imploded,
    // replacing files of the same names; each is read back before the update counts.
    Status AddFilesToArchive(const std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& files,
                             const std::string& archivePath);

    // True when the last update failed because the library will not open the archive for
    // writing (a protected or malformed archive), rather than for a fault such as a full disk.
    bool LastUpdateRefused() const { return m_lastRefused; }

    // Closes every open game archive; the next search opens them again.
    void CloseGameArchives();
    bool IsArchiveOpen(std::size_t index) const;

    // Files larger than this are not read from a game folder.
    static constexpr std::uintmax_t kMaxLooseFile = 256u << 20;

private:
    // The source of ArchiveList[index], made when first needed (and again when the entry
    // changed); null for empty entries.
    GameDataSource* Source(std::size_t index);
    GameDataSource* Fallback();
    // The source that holds a file and its index (or kFallbackSource); null, -1 when none.
    std::pair<GameDataSource*, long> FindInArchives(std::string_view archivedName);
    std::optional<std::vector<std::uint8_t>> Read(std::string_view archivedName, bool streamed);

    struct Slot {
        std::string entry;
        std::unique_ptr<GameDataSource> source;
    };
    std::vector<Slot> m_sources; // slot i belongs to ArchiveList[i]
    Slot m_fallback;
    bool m_lastRefused = false;
};

} // namespace orv
