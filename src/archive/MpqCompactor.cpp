#include "archive/MpqCompactor.h"

#include "archive/MapArchiveReader.h"
#include "archive/MpqCrypto.h"
#include "base/FileUtil.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>

namespace orv {
namespace {

constexpr std::uint32_t kHeaderMagic = 0x1A51504D; // "MPQ\x1A"
constexpr std::uint32_t kHeaderSize = 32;
constexpr std::uint32_t kCountMask = 0x0FFFFFFF;
constexpr std::uint64_t kHeaderStep = 512;
// Sectors up to 16 MiB (512 << 15); the game's maps use 4096.
constexpr std::uint32_t kMaxSectorShift = 15;
// Offsets are signed to the game: the new archive stays below 2 GiB.
constexpr std::uint64_t kMaxArchiveSize = 0x7FFFFFFF;

const char* const kBuiltInNames[] = {"staredit\\scenario.chk", "(listfile)", "(attributes)", "(signature)"};

struct HashEntry {
    std::uint32_t nameA;
    std::uint32_t nameB;
    std::uint16_t locale;
    std::uint16_t platform;
    std::uint32_t block;
};

struct BlockEntry {
    std::uint32_t offset;
    std::uint32_t packedSize;
    std::uint32_t size;
    std::uint32_t flags;
};

struct Tables {
    std::uint64_t position = 0; // of the header in the file
    std::uint16_t shift = 0;
    std::uint32_t sectorSize = 0;
    std::vector<HashEntry> hashes;
    std::vector<BlockEntry> blocks;
};

void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i) {
        out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

void Append32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.resize(out.size() + 4);
    Put32(out, out.size() - 4, v);
}

// A table of `count` 16-byte entries at `offset` from the header, decrypted; nothing unless
// all of it lies inside the file.
std::optional<std::vector<std::uint8_t>> ReadTable(Bytes data, std::uint64_t header, std::int32_t offset,
                                                   std::uint32_t count, const char* keyName) {
    const std::int64_t position = static_cast<std::int64_t>(header) + offset;
    const std::uint64_t length = std::uint64_t{count} * 16;
    if (position < 0 || Clip(data, position, length).size() != length) {
        return std::nullopt;
    }
    const Bytes present = Clip(data, position, length);
    std::vector<std::uint8_t> table(present.begin(), present.end());
    mpq::DecryptBlock(table, mpq::HashString(keyName, mpq::HashType::FileKey));
    return table;
}

Result<Tables> ReadTables(Bytes data, std::uint64_t position) {
    const std::string where = "the archive header at offset " + std::to_string(position);
    if (position > data.size() || data.size() - position < kHeaderSize) {
        return MakeError("there is no archive header at offset " + std::to_string(position));
    }
    ByteReader in(data.subspan(static_cast<std::size_t>(position), kHeaderSize));
    const std::uint32_t magic = in.u32();
    const std::uint32_t headerSize = in.u32();
    in.u32(); // archive size: the game does not look at it
    in.u16(); // format version: likewise
    const std::uint16_t shift = in.u16();
    const std::int32_t hashOffset = in.i32();
    const std::int32_t blockOffset = in.i32();
    const std::uint32_t hashCount = in.u32() & kCountMask;
    const std::uint32_t blockCount = in.u32() & kCountMask;
    if (magic != kHeaderMagic || headerSize < kHeaderSize) {
        return MakeError("there is no archive header at offset " + std::to_string(position));
    }
    Tables tables;
    tables.position = position;
    tables.shift = static_cast<std::uint16_t>(shift & 0xFF); // the game uses the low byte only
    if (tables.shift > kMaxSectorShift) {
        return MakeError(where + " gives an unusable sector size (shift " + std::to_string(shift) + ")");
    }
    tables.sectorSize = 512u << tables.shift;
    if (hashCount == 0) {
        return MakeError(where + " has an empty hash table");
    }
    auto hashes = ReadTable(data, position, hashOffset, hashCount, "(hash table)");
    if (!hashes) {
        return MakeError(where + " has a hash table that lies outside the file");
    }
    auto blocks = ReadTable(data, position, blockOffset, blockCount, "(block table)");
    if (!blocks) {
        return MakeError(where + " has a block table that lies outside the file");
    }
    ByteReader h(*hashes);
    tables.hashes.resize(hashCount);
    for (HashEntry& e : tables.hashes) {
        e.nameA = h.u32();
        e.nameB = h.u32();
        e.locale = h.u16();
        e.platform = h.u16();
        e.block = h.u32();
    }
    ByteReader b(*blocks);
    tables.blocks.resize(blockCount);
    for (BlockEntry& e : tables.blocks) {
        e.offset = b.u32();
        e.packedSize = b.u32();
        e.size = b.u32();
        e.flags = b.u32();
    }
    return tables;
}

Result<Tables> FindTables(Bytes data, std::optional<std::uint64_t> position) {
    if (position) {
        return ReadTables(data, *position);
    }
    for (std::uint64_t at = 0; at + kHeaderSize <= data.size(); at += kHeaderStep) {
        if (ReadLEOr<std::uint32_t>(data, at, 0) != kHeaderMagic) {
            continue;
        }
        if (auto tables = ReadTables(data, at)) {
            return tables;
        }
    }
    return MakeError("no archive header with usable tables found");
}

using NameKey = std::pair<std::uint32_t, std::uint32_t>;

NameKey HashesOf(const std::string& name) {
    return {mpq::HashString(name, mpq::HashType::NameA), mpq::HashString(name, mpq::HashType::NameB)};
}

// Every name worth trying: the archive's built-in names, its (listfile), the caller's.
std::vector<std::string> CandidateNames(Bytes archive, const std::vector<std::string>& extra) {
    std::vector<std::string> names(std::begin(kBuiltInNames), std::end(kBuiltInNames));
    if (auto reader =
            MapArchiveReader::FromBytes(std::vector<std::uint8_t>(archive.begin(), archive.end()))) {
        for (std::string& name : reader.value().ListfileNames()) {
            names.push_back(std::move(name));
        }
    }
    names.insert(names.end(), extra.begin(), extra.end());
    return names;
}

bool Packed(const BlockEntry& block) {
    return (block.flags & (mpq::kFlagImplode | mpq::kFlagCompress)) != 0;
}

bool SingleUnit(const BlockEntry& block) {
    return (block.flags & mpq::kFlagSingleUnit) != 0;
}

std::uint32_t SectorCount(const BlockEntry& block, std::uint32_t sectorSize) {
    return static_cast<std::uint32_t>((std::uint64_t{block.size} + sectorSize - 1) / sectorSize);
}

// Bytes of the sector offset table at the start of a packed file.
std::uint64_t SectorTableBytes(const BlockEntry& block, std::uint32_t sectorSize) {
    const std::uint64_t entries =
        std::uint64_t{SectorCount(block, sectorSize)} + 1 + ((block.flags & mpq::kFlagSectorCrc) ? 1 : 0);
    return entries * 4;
}

// The sector offsets of a packed file, decrypted with `key`; nothing unless they are
// in order and inside the stored bytes.
std::optional<std::vector<std::uint32_t>> SectorOffsets(std::span<const std::uint8_t> stored,
                                                        const BlockEntry& block, std::uint32_t sectorSize,
                                                        std::uint32_t key) {
    const std::uint64_t tableBytes = SectorTableBytes(block, sectorSize);
    if (tableBytes > stored.size()) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> table(stored.begin(), stored.begin() + static_cast<std::ptrdiff_t>(tableBytes));
    mpq::DecryptBlock(table, key);
    std::vector<std::uint32_t> offsets(static_cast<std::size_t>(tableBytes / 4));
    ByteReader in(table);
    for (std::uint32_t& offset : offsets) {
        offset = in.u32();
    }
    for (std::size_t i = 0; i < offsets.size(); ++i) {
        if (offsets[i] > stored.size() || (i > 0 && offsets[i] < offsets[i - 1])) {
            return std::nullopt;
        }
    }
    return offsets;
}

void Reencrypt(std::span<std::uint8_t> bytes, std::uint32_t oldKey, std::uint32_t newKey) {
    mpq::DecryptBlock(bytes, oldKey);
    mpq::EncryptBlock(bytes, newKey);
}

// Encrypts a stored file for a new key, covering the bytes the map reader (like the game)
// decrypts: the sector table, and of each sector no more than its real length.
Status Rekey(std::span<std::uint8_t> stored, const BlockEntry& block, std::uint32_t sectorSize,
             std::uint32_t oldKey, std::uint32_t newKey) {
    if (SingleUnit(block) && Packed(block)) {
        Reencrypt(stored.first(std::min<std::size_t>(stored.size(), block.size)), oldKey, newKey);
        return {};
    }
    const std::uint32_t sectors = SectorCount(block, sectorSize);
    if (!Packed(block)) {
        if (stored.size() < block.size) {
            return MakeError("it is stored shorter than its size");
        }
        for (std::uint32_t i = 0; i < sectors; ++i) {
            const std::uint64_t at = std::uint64_t{i} * sectorSize;
            const auto length =
                static_cast<std::size_t>(std::min<std::uint64_t>(sectorSize, block.size - at));
            Reencrypt(stored.subspan(static_cast<std::size_t>(at), length), oldKey + i, newKey + i);
        }
        return {};
    }
    const auto offsets = SectorOffsets(stored, block, sectorSize, oldKey - 1);
    if (!offsets) {
        return MakeError("its sector table is damaged");
    }
    Reencrypt(stored.first(static_cast<std::size_t>(SectorTableBytes(block, sectorSize))), oldKey - 1,
              newKey - 1);
    for (std::uint32_t i = 0; i < sectors; ++i) {
        const std::uint32_t begin = (*offsets)[i];
        const std::uint32_t end = (*offsets)[i + 1];
        const std::uint64_t expected =
            std::min<std::uint64_t>(sectorSize, block.size - std::uint64_t{i} * sectorSize);
        const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(end - begin, expected));
        Reencrypt(stored.subspan(begin, length), oldKey + i, newKey + i);
    }
    return {};
}

// The key of a key-adjusted file before the offset is added: from its names, else from the
// first word of its sector table, which is the table's own size.
Result<std::uint32_t> BaseKey(std::span<const std::uint8_t> stored, const BlockEntry& block,
                              std::uint32_t sectorSize, const std::vector<std::string>& names,
                              bool* fromName) {
    std::optional<std::uint32_t> base;
    for (const std::string& name : names) {
        const std::uint32_t key = mpq::FileKey(name, 0, 0, false);
        if (base && *base != key) {
            return MakeError("its names call for different keys");
        }
        base = key;
    }
    if (base) {
        *fromName = true;
        return *base;
    }
    *fromName = false;
    if (!Packed(block) || SingleUnit(block)) {
        return MakeError("its name is unknown and it has no sector table to find its key from");
    }
    const std::uint64_t tableBytes = SectorTableBytes(block, sectorSize);
    const std::uint32_t first = ReadLEOr<std::uint32_t>(stored, 0, 0);
    if (tableBytes > stored.size()) {
        return MakeError("its name is unknown and its sector table is cut short");
    }
    for (std::uint32_t tableKey : mpq::KeysForFirstWord(static_cast<std::uint32_t>(tableBytes), first)) {
        const auto offsets = SectorOffsets(stored, block, sectorSize, tableKey);
        if (offsets && offsets->front() == tableBytes) {
            const std::uint32_t key = tableKey + 1;
            return (key ^ block.size) - block.offset;
        }
    }
    return MakeError("its name is unknown and its sector table does not give its key away");
}

} // namespace

Result<std::vector<std::uint8_t>> MpqCompactor::Rewrite(Bytes archive, const MpqRewriteOptions& options,
                                                        MpqRewriteReport* report) {
    auto found = FindTables(archive, options.headerOffset);
    if (!found) {
        return MakeError(found.error());
    }
    const Tables& tables = found.value();
    MpqRewriteReport done;
    done.sizeBefore = archive.size();

    std::map<NameKey, std::string> known;
    for (const std::string& name : CandidateNames(archive, options.names)) {
        known.emplace(HashesOf(name), name);
    }
    auto nameOf = [&](const HashEntry& e) -> const std::string* {
        const auto it = known.find({e.nameA, e.nameB});
        return it == known.end() ? nullptr : &it->second;
    };
    auto live = [&](const HashEntry& e) {
        return e.block != mpq::kHashEntryEmpty && e.block != mpq::kHashEntryDeleted &&
               (e.block & kCountMask) < tables.blocks.size();
    };

    // The blocks the hash table points at, with the names they are known by.
    std::vector<bool> used(tables.blocks.size(), false);
    std::vector<std::vector<std::string>> blockNames(tables.blocks.size());
    std::vector<std::uint32_t> liveSlots;
    std::uint32_t unnamed = 0;
    for (std::uint32_t slot = 0; slot < tables.hashes.size(); ++slot) {
        const HashEntry& e = tables.hashes[slot];
        if (!live(e)) {
            continue;
        }
        const std::uint32_t index = e.block & kCountMask;
        used[index] = true;
        liveSlots.push_back(slot);
        if (const std::string* name = nameOf(e)) {
            auto& names = blockNames[index];
            if (std::find(names.begin(), names.end(), *name) == names.end()) {
                names.push_back(*name);
            }
        } else {
            ++unnamed;
        }
    }

    const std::uint32_t newHashCount =
        options.hashTableSize.value_or(static_cast<std::uint32_t>(tables.hashes.size()));
    if (options.hashTableSize) {
        if (newHashCount == 0 || (newHashCount & (newHashCount - 1)) != 0 || newHashCount > kCountMask ||
            newHashCount < liveSlots.size()) {
            return MakeError("cannot give the archive a file table of " + std::to_string(newHashCount) +
                             " entries: it must be a power of two that holds the archive's " +
                             std::to_string(liveSlots.size()) + " files");
        }
        if (unnamed > 0) {
            return MakeError("cannot enlarge the archive's file table: the names of " +
                             std::to_string(unnamed) +
                             " of its files are unknown, and files are placed in the table by name");
        }
    }

    // The data: every used block as stored, in block order, behind the new header.
    std::vector<std::uint8_t> out(kHeaderSize, 0);
    std::vector<BlockEntry> newBlocks;
    std::vector<std::uint32_t> newIndex(tables.blocks.size(), 0);
    for (std::uint32_t index = 0; index < tables.blocks.size(); ++index) {
        if (!used[index]) {
            ++done.blocksDropped;
            continue;
        }
        const BlockEntry& block = tables.blocks[index];
        const std::string what = blockNames[index].empty()
                                     ? "an unnamed file (block " + std::to_string(index) + ")"
                                     : blockNames[index].front();
        const std::int64_t position =
            static_cast<std::int64_t>(tables.position) + static_cast<std::int32_t>(block.offset);
        const Bytes stored = Clip(archive, position, block.packedSize);
        if (position < 0 || stored.size() != block.packedSize) {
            return MakeError("cannot carry " + what + ": its data lies outside the archive file");
        }
        if (out.size() + stored.size() > kMaxArchiveSize) {
            return MakeError("cannot rewrite the archive: it would exceed 2 GiB");
        }
        BlockEntry moved = block;
        moved.offset = static_cast<std::uint32_t>(out.size());
        out.insert(out.end(), stored.begin(), stored.end());

        const bool keyMoves = (block.flags & mpq::kFlagEncrypted) && (block.flags & mpq::kFlagFixKey) &&
                              block.size > 0 && block.packedSize > 0 && moved.offset != block.offset;
        if (keyMoves) {
            const std::span<std::uint8_t> bytes(out.data() + moved.offset, stored.size());
            bool fromName = false;
            auto base = BaseKey(bytes, block, tables.sectorSize, blockNames[index], &fromName);
            if (!base) {
                return MakeError("cannot re-encrypt " + what + " for its new place: " + base.error());
            }
            const std::uint32_t oldKey = (base.value() + block.offset) ^ block.size;
            const std::uint32_t newKey = (base.value() + moved.offset) ^ block.size;
            if (Status rekeyed = Rekey(bytes, block, tables.sectorSize, oldKey, newKey); !rekeyed) {
                return MakeError("cannot re-encrypt " + what + " for its new place: " + rekeyed.error());
            }
            ++(fromName ? done.rekeyedByName : done.rekeyedByTable);
        }
        newIndex[index] = static_cast<std::uint32_t>(newBlocks.size());
        newBlocks.push_back(moved);
    }
    done.blocksKept = static_cast<std::uint32_t>(newBlocks.size());

    // The hash table: every entry in its slot, or, in a new size, placed anew by name in the
    // order of the old lookup walks (so that entries of one name keep their order).
    constexpr HashEntry kEmpty{0xFFFFFFFF, 0xFFFFFFFF, 0xFFFF, 0xFFFF, mpq::kHashEntryEmpty};
    std::vector<HashEntry> hashes;
    if (!options.hashTableSize) {
        hashes = tables.hashes;
        for (HashEntry& e : hashes) {
            if (live(e)) {
                e.block = newIndex[e.block & kCountMask];
            } else if (e.block != mpq::kHashEntryEmpty) {
                e.block = mpq::kHashEntryDeleted; // points nowhere; still must not end a walk
            }
        }
    } else {
        const auto oldCount = static_cast<std::uint32_t>(tables.hashes.size());
        auto walkDistance = [&](std::uint32_t slot) {
            const std::uint32_t start =
                mpq::HashString(*nameOf(tables.hashes[slot]), mpq::HashType::TableOffset) & (oldCount - 1);
            return (slot + oldCount - (start < oldCount ? start : 0)) % oldCount;
        };
        std::stable_sort(liveSlots.begin(), liveSlots.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return walkDistance(a) < walkDistance(b); });
        hashes.assign(newHashCount, kEmpty);
        for (std::uint32_t slot : liveSlots) {
            HashEntry e = tables.hashes[slot];
            e.block = newIndex[e.block & kCountMask];
            const std::uint32_t start =
                mpq::HashString(*nameOf(tables.hashes[slot]), mpq::HashType::TableOffset);
            for (std::uint32_t step = 0; step < newHashCount; ++step) {
                HashEntry& target = hashes[(start + step) & (newHashCount - 1)];
                if (target.block == mpq::kHashEntryEmpty) {
                    target = e;
                    break;
                }
            }
        }
    }

    std::vector<std::uint8_t> hashTable;
    hashTable.reserve(hashes.size() * 16);
    for (const HashEntry& e : hashes) {
        Append32(hashTable, e.nameA);
        Append32(hashTable, e.nameB);
        Append32(hashTable,
                 static_cast<std::uint32_t>(e.locale) | (static_cast<std::uint32_t>(e.platform) << 16));
        Append32(hashTable, e.block);
    }
    std::vector<std::uint8_t> blockTable;
    blockTable.reserve(newBlocks.size() * 16);
    for (const BlockEntry& b : newBlocks) {
        Append32(blockTable, b.offset);
        Append32(blockTable, b.packedSize);
        Append32(blockTable, b.size);
        Append32(blockTable, b.flags);
    }
    mpq::EncryptBlock(hashTable, mpq::HashString("(hash table)", mpq::HashType::FileKey));
    mpq::EncryptBlock(blockTable, mpq::HashString("(block table)", mpq::HashType::FileKey));
    if (out.size() + hashTable.size() + blockTable.size() > kMaxArchiveSize) {
        return MakeError("cannot rewrite the archive: it would exceed 2 GiB");
    }
    const auto hashOffset = static_cast<std::uint32_t>(out.size());
    out.insert(out.end(), hashTable.begin(), hashTable.end());
    const auto blockOffset = static_cast<std::uint32_t>(out.size());
    out.insert(out.end(), blockTable.begin(), blockTable.end());

    Put32(out, 0, kHeaderMagic);
    Put32(out, 4, kHeaderSize);
    Put32(out, 8, static_cast<std::uint32_t>(out.size()));
    Put32(out, 12, static_cast<std::uint32_t>(tables.shift) << 16); // format version 1 (0), then the shift
    Put32(out, 16, hashOffset);
    Put32(out, 20, blockOffset);
    Put32(out, 24, newHashCount);
    Put32(out, 28, static_cast<std::uint32_t>(newBlocks.size()));
    done.sizeAfter = out.size();
    if (report) {
        *report = done;
    }
    return out;
}

Result<MpqRewriteReport> MpqCompactor::RewriteFile(const std::filesystem::path& path,
                                                   const MpqRewriteOptions& options) {
    auto bytes = ReadWholeFile(path);
    if (!bytes) {
        return MakeError(bytes.error());
    }
    MpqRewriteReport report;
    auto rewritten = Rewrite(bytes.value(), options, &report);
    if (!rewritten) {
        return MakeError(PathText(path) + ": " + rewritten.error());
    }

    // Every file the old archive gives back by a known name, the new one gives back the same.
    const std::vector<std::string> names = CandidateNames(bytes.value(), options.names);
    auto before = MapArchiveReader::FromBytes(std::move(bytes).value());
    auto after = MapArchiveReader::FromBytes(rewritten.value());
    if (!after) {
        return MakeError(PathText(path) + ": the rewritten archive does not open: " + after.error());
    }
    if (before) {
        std::set<std::string> checked;
        for (const std::string& name : names) {
            if (!checked.insert(name).second) {
                continue;
            }
            auto old = before.value().ReadFile(name);
            if (!old) {
                continue;
            }
            auto now = after.value().ReadFile(name);
            if (!now || now.value() != old.value()) {
                return MakeError(PathText(path) + ": the rewritten archive does not give back " + name +
                                 (now ? std::string(" as it was") : ": " + now.error()));
            }
        }
    }
    if (Status written = WriteWholeFile(path, rewritten.value()); !written) {
        return MakeError(written.error());
    }
    return report;
}

} // namespace orv
