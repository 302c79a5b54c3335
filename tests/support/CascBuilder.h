#pragma once

// Writes small CASC storages laid out as the current game's installation: .build.info (an
// old inactive row and the active one), the build config, version-7 .idx files (the newest
// of each bucket beside an older, stale one), data.NNN archives of 30-byte record headers
// and BLTE streams, the encoding table in 4 KiB CKey pages and the plain-text root.
// Keys are stand-ins for MD5 (the reader does not verify them), except the empty file's.

#include "archive/CascFormat.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace orv::test {

enum class BlteForm {
    Stored,  // one 'N' block in a block table
    Zlib,    // one 'Z' block in a block table
    Blocks,  // blocks of BlockSize bytes, 'Z' and 'N' in turn
    NoTable, // header size 0: one 'Z' block running to the end
};

std::vector<std::uint8_t> EncodeBlte(const std::vector<std::uint8_t>& data, BlteForm form,
                                     std::size_t blockSize = 4096);

// A deterministic 16-byte key of some bytes (the real one of no bytes).
casc::Key FakeKey(const std::vector<std::uint8_t>& bytes, std::uint64_t seed = 0);

// Where one record lies in the written storage.
struct RecordSpot {
    std::filesystem::path archive;
    std::uint64_t offset = 0; // of the 30-byte header
    std::uint64_t size = 0;   // header included
};

struct WrittenStorage {
    std::filesystem::path folder;
    std::filesystem::path dataFolder; // .../Data/data
    std::filesystem::path buildConfig;
    std::vector<std::filesystem::path> indexFiles; // the newest of each bucket
    RecordSpot encoding;
    RecordSpot root;
    std::map<std::string, RecordSpot> files; // by path as added
};

class CascBuilder {
public:
    void Add(std::string path, std::vector<std::uint8_t> data, BlteForm form = BlteForm::Zlib);
    // Named by the root and the encoding table, but without data: another language's file.
    void AddNotInstalled(std::string path, std::vector<std::uint8_t> data);
    // Root entries for files that do not exist locally, as many as a real root holds.
    void AddNamesOnly(std::size_t count);

    std::size_t BlockSize = 1000;
    std::string DataFolderName = "Data";
    // Records per data.NNN before the next archive starts.
    std::size_t RecordsPerArchive = 1000000;

    WrittenStorage Write(const std::filesystem::path& folder) const;

    // The stand-in game data (as the generator makes it) under the storage's paths.
    static CascBuilder WithStandinFiles();

private:
    struct File {
        std::string path;
        std::vector<std::uint8_t> data;
        BlteForm form;
        bool installed;
    };
    std::vector<File> m_files;
    std::size_t m_namesOnly = 0;
};

} // namespace orv::test
