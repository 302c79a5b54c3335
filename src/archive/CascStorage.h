#pragma once

// A read-only view of the CASC storage in which the current game keeps its files: the
// installation folder holds `.build.info` and `Data/` (or `data/`). Opening reads the small
// tables (the active build, its build config, the newest local index of each of the 16
// buckets under Data/data, the encoding table and the root, which names every file); each
// file read afterwards opens one data.NNN archive, reads one record and closes it again, so
// no file of the installation stays open and nothing in it is ever written.
//
// Names are looked up without regard to ASCII case, with '\' and '/' alike, so the classic
// archived names ("arr\units.dat", "tileset\badlands.cv5") find the storage's files
// ("arr/units.dat", "TileSet/badlands.cv5").
//
// The storage is untrusted input: whatever its files say, nothing is read outside a buffer
// or a file, no allocation exceeds what the files themselves hold (decoded data: 64 MiB for
// the encoding table and the root, 256 MiB for a file), and faults end in messages that name
// the file and the fault.

#include "archive/CascFormat.h"
#include "base/Result.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace orv {

class CascStorage {
public:
    // True when `folder` holds a `.build.info`, the mark of a CASC installation.
    static bool IsInstallation(const std::filesystem::path& folder);

    static Result<CascStorage> Open(const std::filesystem::path& installFolder);

    // What the storage knows of a name: not named by its root; named, but its data is not
    // in this installation (a language it did not download); or there to read.
    enum class Presence { Unknown, NotInstalled, Installed };
    Presence Find(std::string_view name) const;
    bool Contains(std::string_view name) const { return Find(name) == Presence::Installed; }

    // The whole file. The message tells an unknown name, data that is not installed and
    // damaged data apart.
    Result<std::vector<std::uint8_t>> Read(std::string_view name) const;

    // Every file the root names, as it writes the paths, in its order.
    const std::vector<casc::RootEntry>& Files() const { return m_root; }

    const std::filesystem::path& Folder() const { return m_folder; }
    std::size_t IndexEntryCount() const { return m_index.size(); }
    std::size_t EncodingEntryCount() const { return m_encoding.size(); }

private:
    CascStorage() = default;

    const casc::RootEntry* RootEntryOf(std::string_view name) const;
    const casc::IndexEntry* Locate(const casc::Key& ckey) const;
    const casc::IndexEntry* LocateEncoded(const casc::Key& ekey) const;
    // The decoded bytes of the record an index entry points to, at most `maxDecoded` of
    // them; `what` names it in messages.
    Result<std::vector<std::uint8_t>> ReadRecord(const casc::IndexEntry& entry, const std::string& what,
                                                 std::uint64_t maxDecoded) const;

    std::filesystem::path m_folder;
    std::filesystem::path m_dataFolder;          // <install>/Data/data
    std::vector<casc::IndexEntry> m_index;       // sorted by key
    std::vector<casc::EncodingEntry> m_encoding; // sorted by content key
    std::vector<casc::RootEntry> m_root;
    std::unordered_map<std::string, std::uint32_t> m_byName; // NormalName -> m_root index
};

} // namespace orv
