#pragma once

// A reader for map archives (.scm, .scx) that reads them the way the game does.
//
// Map protectors break the archive format in every way the game tolerates: fake headers,
// tables before the header or past the end of the file, hash counts with junk in their top
// bits, decoy entries for the scenario, sectors that decode short. StormLib refuses several
// such maps, so everything that reads a map goes through this reader instead:
//
//  * a header is looked for at every 512-byte boundary; each one whose header-size field is
//    at least 32 and whose sector size is usable is tried in file order (the game takes the
//    first; later ones are tried while their tables add up to no more than twice the file);
//  * table and data offsets are signed and relative to the header; the top four bits of the
//    table counts and of block indices are dropped; tables are read as far as the file goes;
//  * a name is looked up from (name hash AND (count - 1)), walking to the first empty slot;
//    every matching entry is tried until one decodes, then every other matching slot;
//  * sectors are decrypted and decompressed (StormLib's SCompExplode / SCompDecompress);
//    a sector that decodes short leaves zeros behind it, as the game does.
//
// Nothing the file says can make the reader step outside its buffer; every failure is an
// error with a message. Nothing the file says can make it work without bound either: a
// lookup costs the logarithm of the table and the matching entries, and all the files one
// reader decodes add up to at most kDecodeBudgetBase plus kDecodeBudgetPerByte bytes per
// byte of the archive (attempts that fail count too).

#include "base/ByteReader.h"
#include "base/Result.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

// One file the archive's tables name (one used hash-table slot).
struct MapArchiveEntry {
    std::uint32_t hashSlot = 0;
    std::uint32_t blockIndex = 0;
    std::string name; // empty when no known name hashes to this slot
    std::uint16_t locale = 0;
    std::uint32_t size = 0;       // size of the file as stored in the block table
    std::uint32_t packedSize = 0; // bytes it occupies in the archive (as the table says)
    std::uint32_t flags = 0;
    std::string compression; // "none", "implode", or the methods of the first sector
    bool readable = false;   // decodes; only known for named files
};

class MapArchiveReader {
public:
    // Files larger than this are refused: no real map holds one (the largest scenario of
    // the real-map corpus is 15 MiB).
    static constexpr std::uint32_t kMaxFileSize = 64u << 20;
    // What one reader decodes in all, failed attempts included.
    static constexpr std::uint64_t kDecodeBudgetBase = 128u << 20;
    static constexpr std::uint64_t kDecodeBudgetPerByte = 8;
    // Files decoded in a child process by one reader (a map has at most 512 sounds).
    static constexpr int kMaxIsolatedDecodes = 512;

    static Result<MapArchiveReader> Open(const std::filesystem::path& path);
    static Result<MapArchiveReader> FromBytes(std::vector<std::uint8_t> bytes);

    // The file the game would read under this name.
    Result<std::vector<std::uint8_t>> ReadFile(std::string_view archivedName) const;
    bool HasFile(std::string_view archivedName) const { return ReadFile(archivedName).ok(); }

    // Every file the tables name, named where the name is known: the archive's own
    // (listfile), the scenario and the archive's internal files, and `extraNames`.
    std::vector<MapArchiveEntry> ListFiles(std::span<const std::string> extraNames = {}) const;

    // Names listed in the archive's (listfile), in order; empty when it has none.
    std::vector<std::string> ListfileNames() const;

    // Files that need the archive library's sound decoders (Huffman, ADPCM) are decoded in
    // a child process, since those decoders crash on some malformed data. The fuzz target
    // refuses such files instead, to keep forking out of the fuzzer.
    enum class SoundDecoding { Isolate, Refuse };
    static void SetSoundDecoding(SoundDecoding policy);

    // File offset of the archive header that ListFiles() describes.
    std::int64_t HeaderOffset() const;
    std::size_t HeaderCount() const { return m_headers.size(); }

private:
    struct HashEntry {
        std::uint32_t nameA;
        std::uint32_t nameB;
        std::uint16_t locale;
        std::uint16_t platform;
        std::uint32_t block; // raw value: top bits not yet dropped
    };
    struct BlockEntry {
        std::uint32_t offset;
        std::uint32_t packedSize;
        std::uint32_t size;
        std::uint32_t flags;
    };
    struct Header {
        std::int64_t position = 0;
        std::uint32_t sectorSize = 0;
        std::uint32_t hashCount = 0;    // declared, top bits dropped
        std::vector<HashEntry> hashes;  // the readable part of the table
        std::vector<BlockEntry> blocks; // the readable part of the table
        // Every used slot by its name hashes (nameA << 32 | nameB), sorted, and the empty
        // slots in order: a lookup never walks the table.
        std::vector<std::pair<std::uint64_t, std::uint32_t>> byName;
        std::vector<std::uint32_t> emptySlots;
    };
    struct Found {
        std::vector<std::uint8_t> data;
        std::size_t header = 0;
    };

    explicit MapArchiveReader(std::vector<std::uint8_t> bytes);
    void FindHeaders();
    std::vector<std::uint32_t> CandidateSlots(const Header& header, std::string_view name) const;
    Result<Found> Find(std::string_view archivedName) const;
    Result<std::vector<std::uint8_t>> Decode(const Header& header, const BlockEntry& block,
                                             std::string_view name) const;
    Result<std::vector<std::uint8_t>> DecodeFile(const Header& header, const BlockEntry& block,
                                                 std::int64_t position, std::uint32_t key) const;
    // The method byte of every packed sector; nothing when the sector table is not all there.
    std::optional<std::vector<std::uint8_t>> SectorMethods(const Header& header, const BlockEntry& block,
                                                           std::int64_t position, std::uint32_t key) const;
    bool UsesSoundDecoders(const Header& header, const BlockEntry& block, std::int64_t position,
                           std::uint32_t key) const;
    Result<std::vector<std::uint8_t>> DecodeSectored(const Header& header, const BlockEntry& block,
                                                     std::int64_t position, std::uint32_t key,
                                                     bool singleUnit) const;
    std::string DescribeCompression(const Header& header, const BlockEntry& block,
                                    std::string_view name) const;
    const Header* ListingHeader() const;

    std::vector<std::uint8_t> m_bytes;
    std::vector<Header> m_headers;
    mutable std::uint64_t m_decodeSpent = 0;
    mutable int m_isolatedDecodes = 0;
    mutable std::optional<std::size_t> m_listingHeader;
    static inline SoundDecoding s_soundPolicy = SoundDecoding::Isolate;
};

// A readable description of a sector's compression mask ("pkware", "huffman+adpcm-mono").
std::string CompressionMaskName(std::uint8_t mask);

} // namespace orv
