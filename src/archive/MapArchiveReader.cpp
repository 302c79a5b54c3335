#include "archive/MapArchiveReader.h"

#include "archive/MpqCrypto.h"
#include "base/ChildProcess.h"
#include "base/FileUtil.h"

#include <StormLib.h>
#include <algorithm>
#include <map>
#include <utility>

namespace orv {
namespace {

constexpr std::uint32_t kHeaderMagic = 0x1A51504D; // "MPQ\x1A"
constexpr std::uint32_t kCountMask = 0x0FFFFFFF;
constexpr std::uint64_t kHeaderStep = 512;
// An unsectored file may run this far past the end of the archive; the rest reads as zeros.
constexpr std::uint64_t kMaxMissingTail = 64 * 1024;

const char* const kInternalNames[] = {"staredit\\scenario.chk", "(listfile)", "(attributes)", "(signature)"};

// Bytes [offset, offset + length) of the file, zeros where the file has none.
std::vector<std::uint8_t> ReadPadded(Bytes data, std::int64_t offset, std::uint64_t length) {
    std::vector<std::uint8_t> out(static_cast<std::size_t>(length), 0);
    if (offset >= 0) {
        const Bytes present = Clip(data, offset, length);
        std::copy(present.begin(), present.end(), out.begin());
    }
    return out;
}

std::uint64_t PresentLength(Bytes data, std::int64_t offset, std::uint64_t length) {
    return offset < 0 ? 0 : Clip(data, offset, length).size();
}

// The compressions a map may use: the game's own (PKWARE, Huffman, ADPCM) and the zlib and
// bzip2 of later tools. Anything else (LZMA, sparse, unknown bits) is refused before the
// library sees it: it aborts on some of them.
bool KnownMethods(std::uint8_t mask) {
    constexpr std::uint8_t kKnown = MPQ_COMPRESSION_HUFFMANN | MPQ_COMPRESSION_ZLIB | MPQ_COMPRESSION_PKWARE |
                                    MPQ_COMPRESSION_BZIP2 | MPQ_COMPRESSION_ADPCM_MONO |
                                    MPQ_COMPRESSION_ADPCM_STEREO;
    return mask != 0 && mask != MPQ_COMPRESSION_LZMA && (mask & ~kKnown) == 0;
}

} // namespace

std::string CompressionMaskName(std::uint8_t mask) {
    if (mask == MPQ_COMPRESSION_LZMA) {
        return "lzma";
    }
    static const std::pair<std::uint8_t, const char*> kMethods[] = {
        {MPQ_COMPRESSION_HUFFMANN, "huffman"},
        {MPQ_COMPRESSION_ZLIB, "zlib"},
        {MPQ_COMPRESSION_PKWARE, "pkware"},
        {MPQ_COMPRESSION_BZIP2, "bzip2"},
        {MPQ_COMPRESSION_SPARSE, "sparse"},
        {MPQ_COMPRESSION_ADPCM_MONO, "adpcm-mono"},
        {MPQ_COMPRESSION_ADPCM_STEREO, "adpcm-stereo"},
    };
    std::string text;
    for (const auto& [bit, name] : kMethods) {
        if (mask & bit) {
            text += text.empty() ? "" : "+";
            text += name;
        }
    }
    return text.empty() ? "unknown" : text;
}

MapArchiveReader::MapArchiveReader(std::vector<std::uint8_t> bytes) : m_bytes(std::move(bytes)) {}

Result<MapArchiveReader> MapArchiveReader::Open(const std::filesystem::path& path) {
    auto bytes = ReadWholeFile(path);
    if (!bytes) {
        return MakeError(bytes.error());
    }
    auto reader = FromBytes(std::move(bytes).value());
    if (!reader) {
        return MakeError(PathText(path) + ": " + reader.error());
    }
    return reader;
}

Result<MapArchiveReader> MapArchiveReader::FromBytes(std::vector<std::uint8_t> bytes) {
    MapArchiveReader reader(std::move(bytes));
    reader.FindHeaders();
    if (reader.m_headers.empty()) {
        return MakeError("not a map archive (no archive header found)");
    }
    return reader;
}

void MapArchiveReader::FindHeaders() {
    const Bytes data(m_bytes);
    // The game reads the first header; later ones are only a fallback for damaged maps, and
    // a file full of headers must not make the reader decrypt the same bytes once for each:
    // their tables together may hold at most twice the file.
    const std::uint64_t tableBudget = 2 * std::uint64_t{data.size()} + 4096;
    std::uint64_t tableBytes = 0;
    for (std::uint64_t pos = 0; pos + 32 <= data.size(); pos += kHeaderStep) {
        ByteReader in(data.subspan(static_cast<std::size_t>(pos), 32));
        if (in.u32() != kHeaderMagic) {
            continue;
        }
        const std::uint32_t headerSize = in.u32();
        in.u32(); // archive size: not checked by the game
        in.u16(); // format version: likewise
        const std::uint16_t shift = in.u16();
        const std::int32_t hashOffset = in.i32();
        const std::int32_t blockOffset = in.i32();
        const std::uint32_t hashCount = in.u32() & kCountMask;
        const std::uint32_t blockCount = in.u32() & kCountMask;
        if (headerSize < 32) {
            continue;
        }
        Header header;
        header.position = static_cast<std::int64_t>(pos);
        header.sectorSize = static_cast<std::uint32_t>(std::uint64_t{512} << (shift & 31));
        if (header.sectorSize == 0) {
            continue;
        }
        header.hashCount = hashCount;

        const std::int64_t hashPos = header.position + hashOffset;
        const std::int64_t blockPos = header.position + blockOffset;
        const std::uint64_t hashReadable = PresentLength(data, hashPos, std::uint64_t{hashCount} * 16) / 16;
        const std::uint64_t blockReadable =
            PresentLength(data, blockPos, std::uint64_t{blockCount} * 16) / 16;
        tableBytes += (hashReadable + blockReadable) * 16;
        if (!m_headers.empty() && tableBytes > tableBudget) {
            break;
        }

        std::vector<std::uint8_t> table = ReadPadded(data, hashPos, hashReadable * 16);
        mpq::DecryptBlock(table, mpq::HashString("(hash table)", mpq::HashType::FileKey));
        ByteReader hashes(table);
        header.hashes.reserve(static_cast<std::size_t>(hashReadable));
        for (std::uint64_t i = 0; i < hashReadable; ++i) {
            HashEntry e{};
            e.nameA = hashes.u32();
            e.nameB = hashes.u32();
            e.locale = hashes.u16();
            e.platform = hashes.u16();
            e.block = hashes.u32();
            header.hashes.push_back(e);
        }
        for (std::uint32_t slot = 0; slot < header.hashes.size(); ++slot) {
            const HashEntry& e = header.hashes[slot];
            if (e.block == mpq::kHashEntryEmpty) {
                header.emptySlots.push_back(slot);
            } else {
                header.byName.emplace_back((std::uint64_t{e.nameA} << 32) | e.nameB, slot);
            }
        }
        std::sort(header.byName.begin(), header.byName.end());

        table = ReadPadded(data, blockPos, blockReadable * 16);
        mpq::DecryptBlock(table, mpq::HashString("(block table)", mpq::HashType::FileKey));
        ByteReader blocks(table);
        header.blocks.reserve(static_cast<std::size_t>(blockReadable));
        for (std::uint64_t i = 0; i < blockReadable; ++i) {
            BlockEntry b{};
            b.offset = blocks.u32();
            b.packedSize = blocks.u32();
            b.size = blocks.u32();
            b.flags = blocks.u32();
            header.blocks.push_back(b);
        }
        m_headers.push_back(std::move(header));
    }
}

std::vector<std::uint32_t> MapArchiveReader::CandidateSlots(const Header& header,
                                                            std::string_view name) const {
    std::vector<std::uint32_t> slots;
    const auto readable = static_cast<std::uint32_t>(header.hashes.size());
    if (header.hashCount == 0 || readable == 0) {
        return slots;
    }
    const std::uint64_t key = (std::uint64_t{mpq::HashString(name, mpq::HashType::NameA)} << 32) |
                              mpq::HashString(name, mpq::HashType::NameB);
    const auto [first, last] = std::equal_range(
        header.byName.begin(), header.byName.end(), std::pair<std::uint64_t, std::uint32_t>{key, 0},
        [](const auto& a, const auto& b) { return a.first < b.first; });
    if (first == last) {
        return slots;
    }
    // The game's walk goes from the start slot to the first empty slot, wrapping around
    // once; slots past the readable part of the table hold nothing that could match, so a
    // start beyond it walks from slot 0. The slots it meets are those nearer to the start
    // than that empty slot.
    const std::uint32_t hashed = mpq::HashString(name, mpq::HashType::TableOffset) & (header.hashCount - 1);
    const std::uint32_t start = hashed < readable ? hashed : 0;
    std::uint32_t walked = readable;
    if (!header.emptySlots.empty()) {
        auto empty = std::lower_bound(header.emptySlots.begin(), header.emptySlots.end(), start);
        const std::uint32_t stop = empty != header.emptySlots.end() ? *empty : header.emptySlots.front();
        walked = (stop + readable - start) % readable;
    }
    std::vector<std::pair<std::uint32_t, std::uint32_t>> inWalk; // (distance from the start, slot)
    std::vector<std::uint32_t> others;
    for (auto it = first; it != last; ++it) {
        const std::uint32_t slot = it->second;
        if ((header.hashes[slot].block & kCountMask) >= header.blocks.size()) {
            continue;
        }
        const std::uint32_t distance = (slot + readable - start) % readable;
        if (distance < walked) {
            inWalk.emplace_back(distance, slot);
        } else {
            others.push_back(slot);
        }
    }
    std::sort(inWalk.begin(), inWalk.end());
    for (const auto& [distance, slot] : inWalk) {
        slots.push_back(slot);
    }
    // Then every other entry with the name, for tables whose walk the protector broke.
    slots.insert(slots.end(), others.begin(), others.end());
    return slots;
}

Result<MapArchiveReader::Found> MapArchiveReader::Find(std::string_view archivedName) const {
    std::optional<std::string> firstFailure;
    for (std::size_t h = 0; h < m_headers.size(); ++h) {
        const Header& header = m_headers[h];
        for (std::uint32_t slot : CandidateSlots(header, archivedName)) {
            const BlockEntry& block = header.blocks[header.hashes[slot].block & kCountMask];
            auto data = Decode(header, block, archivedName);
            if (data) {
                return Found{std::move(data).value(), h};
            }
            if (!firstFailure) {
                firstFailure = data.error();
            }
        }
    }
    if (firstFailure) {
        return MakeError("cannot read " + std::string(archivedName) + ": " + *firstFailure);
    }
    const std::uint64_t key = (std::uint64_t{mpq::HashString(archivedName, mpq::HashType::NameA)} << 32) |
                              mpq::HashString(archivedName, mpq::HashType::NameB);
    for (const Header& header : m_headers) {
        auto it = std::lower_bound(header.byName.begin(), header.byName.end(),
                                   std::pair<std::uint64_t, std::uint32_t>{key, 0});
        for (; it != header.byName.end() && it->first == key; ++it) {
            if (header.hashes[it->second].block != mpq::kHashEntryDeleted) {
                return MakeError("cannot read " + std::string(archivedName) +
                                 ": the archive's block table is cut short or damaged");
            }
        }
    }
    const bool tablesMissing = std::all_of(m_headers.begin(), m_headers.end(), [](const Header& header) {
        return header.hashes.empty() && header.hashCount != 0;
    });
    if (tablesMissing) {
        return MakeError(
            "cannot read " + std::string(archivedName) +
            ": the archive's hash table lies past the end of the file (the archive is cut short)");
    }
    return MakeError(std::string(archivedName) + " is not in the archive");
}

Result<std::vector<std::uint8_t>> MapArchiveReader::ReadFile(std::string_view archivedName) const {
    auto found = Find(archivedName);
    if (!found) {
        return MakeError(found.error());
    }
    return std::move(found.value().data);
}

Result<std::vector<std::uint8_t>> MapArchiveReader::Decode(const Header& header, const BlockEntry& block,
                                                           std::string_view name) const {
    if (block.size > kMaxFileSize) {
        return MakeError("the archive gives it an impossible size (" + std::to_string(block.size) +
                         " bytes)");
    }
    if (block.size == 0) {
        return std::vector<std::uint8_t>{};
    }
    // Entries can share data, so a small archive could name the same large file thousands
    // of times: what one reader decodes in all is bounded by the archive's size.
    const std::uint64_t budget = kDecodeBudgetBase + kDecodeBudgetPerByte * m_bytes.size();
    if (m_decodeSpent + block.size > budget) {
        return MakeError("the archive's files decode to more than " + std::to_string(budget >> 20) +
                         " MiB in all, more than any real map holds");
    }
    m_decodeSpent += block.size;
    const Bytes data(m_bytes);
    const std::int64_t position = header.position + static_cast<std::int32_t>(block.offset);
    if (position < 0 || static_cast<std::uint64_t>(position) >= data.size()) {
        return MakeError("its data lies outside the archive file");
    }
    const bool encrypted = (block.flags & mpq::kFlagEncrypted) != 0;
    const std::uint32_t key =
        encrypted ? mpq::FileKey(name, block.offset, block.size, (block.flags & mpq::kFlagFixKey) != 0) : 0;

    if (block.flags & (mpq::kFlagImplode | mpq::kFlagCompress)) {
        // The archive library's Huffman and ADPCM decoders (sound data) crash on some
        // malformed input; a file that needs them is decoded in a child process.
        if ((block.flags & mpq::kFlagCompress) && UsesSoundDecoders(header, block, position, key)) {
            if (s_soundPolicy == SoundDecoding::Refuse) {
                return MakeError("it uses sound compression, which this reader is set to refuse");
            }
            if (++m_isolatedDecodes > kMaxIsolatedDecodes) {
                return MakeError("the archive holds more than " + std::to_string(kMaxIsolatedDecodes) +
                                 " sound files, more than a map can play");
            }
            return RunInChildProcess([&] { return DecodeFile(header, block, position, key); },
                                     "the archive library failed on its sound data");
        }
        return DecodeFile(header, block, position, key);
    }

    // Stored as it is, encrypted sector by sector when at all.
    const std::uint64_t present = PresentLength(data, position, block.size);
    if (block.size - present > kMaxMissingTail) {
        return MakeError("its data runs past the end of the archive file");
    }
    std::vector<std::uint8_t> out = ReadPadded(data, position, block.size);
    if (encrypted) {
        std::uint32_t sector = 0;
        for (std::size_t at = 0; at < out.size(); at += header.sectorSize, ++sector) {
            const std::size_t length = std::min<std::size_t>(header.sectorSize, out.size() - at);
            mpq::DecryptBlock(std::span(out).subspan(at, length), key + sector);
        }
    }
    return out;
}

Result<std::vector<std::uint8_t>> MapArchiveReader::DecodeFile(const Header& header, const BlockEntry& block,
                                                               std::int64_t position,
                                                               std::uint32_t key) const {
    // The game knows nothing of single-unit files; read sectors first, as it would.
    auto sectored = DecodeSectored(header, block, position, key, false);
    if (sectored || !(block.flags & mpq::kFlagSingleUnit)) {
        return sectored;
    }
    auto whole = DecodeSectored(header, block, position, key, true);
    return whole ? std::move(whole) : std::move(sectored);
}

std::optional<std::vector<std::uint8_t>> MapArchiveReader::SectorMethods(const Header& header,
                                                                         const BlockEntry& block,
                                                                         std::int64_t position,
                                                                         std::uint32_t key) const {
    const Bytes data(m_bytes);
    const bool encrypted = (block.flags & mpq::kFlagEncrypted) != 0;
    const std::uint64_t sectorSize = header.sectorSize;
    const std::uint64_t sectors = (block.size + sectorSize - 1) / sectorSize;
    const std::uint64_t tableBytes = (sectors + 1) * 4;
    if (PresentLength(data, position, tableBytes) < tableBytes) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> table = ReadPadded(data, position, tableBytes);
    if (encrypted) {
        mpq::DecryptBlock(table, key - 1);
    }
    std::vector<std::uint8_t> methods;
    for (std::uint64_t i = 0; i < sectors; ++i) {
        const std::uint32_t begin = ReadLEOr<std::uint32_t>(table, i * 4, 0);
        const std::uint32_t end = ReadLEOr<std::uint32_t>(table, i * 4 + 4, 0);
        const std::uint64_t expected = std::min<std::uint64_t>(sectorSize, block.size - i * sectorSize);
        if (end <= begin || end - begin >= expected) {
            continue; // stored raw, or broken: no method byte
        }
        std::vector<std::uint8_t> first = ReadPadded(data, position + begin, 4);
        if (encrypted) {
            mpq::DecryptBlock(first, key + static_cast<std::uint32_t>(i));
        }
        methods.push_back(first[0]);
    }
    return methods;
}

bool MapArchiveReader::UsesSoundDecoders(const Header& header, const BlockEntry& block, std::int64_t position,
                                         std::uint32_t key) const {
    constexpr std::uint8_t kSound =
        MPQ_COMPRESSION_HUFFMANN | MPQ_COMPRESSION_ADPCM_MONO | MPQ_COMPRESSION_ADPCM_STEREO;
    const auto methods = SectorMethods(header, block, position, key);
    // A table that is not all there is refused by DecodeSectored before any decoder runs.
    return methods &&
           std::any_of(methods->begin(), methods->end(), [](std::uint8_t m) { return (m & kSound) != 0; });
}

void MapArchiveReader::SetSoundDecoding(SoundDecoding policy) {
    s_soundPolicy = policy;
}

Result<std::vector<std::uint8_t>> MapArchiveReader::DecodeSectored(const Header& header,
                                                                   const BlockEntry& block,
                                                                   std::int64_t position, std::uint32_t key,
                                                                   bool singleUnit) const {
    const Bytes data(m_bytes);
    const bool encrypted = (block.flags & mpq::kFlagEncrypted) != 0;
    const bool imploded = (block.flags & mpq::kFlagImplode) != 0;
    const std::uint64_t sectorSize = singleUnit ? block.size : header.sectorSize;
    const std::uint64_t sectors = (block.size + sectorSize - 1) / sectorSize;

    std::vector<std::uint32_t> offsets;
    if (singleUnit) {
        const std::uint64_t stored = std::min<std::uint64_t>(block.packedSize, data.size());
        offsets = {0, static_cast<std::uint32_t>(stored)};
    } else {
        const std::uint64_t tableBytes = (sectors + 1) * 4;
        if (PresentLength(data, position, tableBytes) < tableBytes) {
            return MakeError("its sector table runs past the end of the archive file");
        }
        std::vector<std::uint8_t> table = ReadPadded(data, position, tableBytes);
        if (encrypted) {
            mpq::DecryptBlock(table, key - 1);
        }
        ByteReader in(table);
        offsets.resize(static_cast<std::size_t>(sectors + 1));
        for (auto& offset : offsets) {
            offset = in.u32();
        }
    }

    std::vector<std::uint8_t> out;
    out.reserve(block.size);
    std::vector<std::uint8_t> packed;
    for (std::uint64_t i = 0; i < sectors; ++i) {
        const std::uint32_t begin = offsets[static_cast<std::size_t>(i)];
        const std::uint32_t end = offsets[static_cast<std::size_t>(i + 1)];
        const auto expected =
            static_cast<std::size_t>(std::min<std::uint64_t>(sectorSize, block.size - i * sectorSize));
        if (end < begin) {
            return MakeError("its sector table is damaged (sector " + std::to_string(i) + ")");
        }
        const std::uint32_t length = end - begin;
        const std::int64_t sectorPos = position + begin;
        // A raw sector cut by the end of the file reads as zeros after the cut; a packed one
        // cannot be decoded from part of its data.
        if (length < expected && PresentLength(data, sectorPos, length) < length) {
            return MakeError("sector " + std::to_string(i) + " lies past the end of the archive file");
        }
        packed = ReadPadded(data, sectorPos, std::min<std::uint64_t>(length, expected));
        if (encrypted) {
            mpq::DecryptBlock(packed, key + static_cast<std::uint32_t>(i));
        }
        const std::size_t base = out.size();
        out.resize(base + expected, 0);
        if (length >= expected) {
            std::copy_n(packed.begin(), expected, out.begin() + static_cast<std::ptrdiff_t>(base));
            continue;
        }
        if (length == 0) {
            return MakeError("sector " + std::to_string(i) + " is empty");
        }
        if (!imploded && !KnownMethods(packed[0])) {
            return MakeError("sector " + std::to_string(i) + " uses an unknown compression (" +
                             std::to_string(packed[0]) + ")");
        }
        int produced = static_cast<int>(expected);
        const int ok =
            imploded ? SCompExplode(out.data() + base, &produced, packed.data(), static_cast<int>(length))
                     : SCompDecompress(out.data() + base, &produced, packed.data(), static_cast<int>(length));
        if (!ok || produced < 0 || static_cast<std::size_t>(produced) > expected) {
            return MakeError("sector " + std::to_string(i) + " does not decompress");
        }
        // A sector that decodes short keeps zeros after its data.
        std::fill(out.begin() + static_cast<std::ptrdiff_t>(base) + produced, out.end(), std::uint8_t{0});
    }
    return out;
}

std::string MapArchiveReader::DescribeCompression(const Header& header, const BlockEntry& block,
                                                  std::string_view name) const {
    if (block.flags & mpq::kFlagImplode) {
        return "implode";
    }
    if (!(block.flags & mpq::kFlagCompress)) {
        return "none";
    }
    const bool encrypted = (block.flags & mpq::kFlagEncrypted) != 0;
    if (encrypted && name.empty()) {
        return "compressed";
    }
    // The methods of every packed sector; each sector's first byte names its methods.
    const std::int64_t position = header.position + static_cast<std::int32_t>(block.offset);
    const std::uint32_t key =
        encrypted ? mpq::FileKey(name, block.offset, block.size, (block.flags & mpq::kFlagFixKey) != 0) : 0;
    // Reading the sector table counts against what the reader may decode: a table full of
    // entries could otherwise name the same long sector table thousands of times.
    const std::uint64_t tableBytes = (std::uint64_t{block.size} / header.sectorSize + 2) * 4;
    const std::uint64_t budget = kDecodeBudgetBase + kDecodeBudgetPerByte * m_bytes.size();
    if (block.size > kMaxFileSize || m_decodeSpent + tableBytes > budget) {
        return "compressed";
    }
    m_decodeSpent += tableBytes;
    const auto masks = SectorMethods(header, block, position, key);
    if (!masks) {
        return "compressed";
    }
    std::vector<std::string> methods;
    for (std::uint8_t mask : *masks) {
        std::string method = CompressionMaskName(mask);
        if (std::find(methods.begin(), methods.end(), method) == methods.end()) {
            methods.push_back(std::move(method));
        }
    }
    std::string text;
    for (const std::string& method : methods) {
        text += (text.empty() ? "" : ",") + method;
    }
    return text.empty() ? "none" : text;
}

const MapArchiveReader::Header* MapArchiveReader::ListingHeader() const {
    // The header through which the scenario is read, else the first one.
    if (m_headers.empty()) {
        return nullptr;
    }
    if (!m_listingHeader) {
        auto found = Find(kInternalNames[0]);
        m_listingHeader = found ? found.value().header : 0;
    }
    return &m_headers[*m_listingHeader];
}

std::int64_t MapArchiveReader::HeaderOffset() const {
    const Header* header = ListingHeader();
    return header ? header->position : -1;
}

std::vector<std::string> MapArchiveReader::ListfileNames() const {
    std::vector<std::string> names;
    auto listfile = ReadFile("(listfile)");
    if (!listfile) {
        return names;
    }
    std::string current;
    for (std::uint8_t byte : listfile.value()) {
        if (byte == '\r' || byte == '\n' || byte == ';' || byte == 0) {
            if (!current.empty()) {
                names.push_back(std::move(current));
            }
            current.clear();
        } else {
            current.push_back(static_cast<char>(byte));
        }
    }
    if (!current.empty()) {
        names.push_back(std::move(current));
    }
    return names;
}

std::vector<MapArchiveEntry> MapArchiveReader::ListFiles(std::span<const std::string> extraNames) const {
    std::vector<MapArchiveEntry> entries;
    const Header* header = ListingHeader();
    if (!header) {
        return entries;
    }
    std::vector<std::string> names(std::begin(kInternalNames), std::end(kInternalNames));
    for (std::string& name : ListfileNames()) {
        names.push_back(std::move(name));
    }
    names.insert(names.end(), extraNames.begin(), extraNames.end());
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::string> known;
    for (const std::string& name : names) {
        known.emplace(std::pair{mpq::HashString(name, mpq::HashType::NameA),
                                mpq::HashString(name, mpq::HashType::NameB)},
                      name);
    }

    for (std::uint32_t slot = 0; slot < header->hashes.size(); ++slot) {
        const HashEntry& hash = header->hashes[slot];
        const std::uint32_t blockIndex = hash.block & kCountMask;
        if (hash.block == mpq::kHashEntryEmpty || hash.block == mpq::kHashEntryDeleted ||
            blockIndex >= header->blocks.size()) {
            continue;
        }
        const BlockEntry& block = header->blocks[blockIndex];
        MapArchiveEntry entry;
        entry.hashSlot = slot;
        entry.blockIndex = blockIndex;
        entry.locale = hash.locale;
        entry.size = block.size;
        entry.packedSize = block.packedSize;
        entry.flags = block.flags;
        if (auto it = known.find({hash.nameA, hash.nameB}); it != known.end()) {
            entry.name = it->second;
            entry.readable = Decode(*header, block, entry.name).ok();
        }
        entry.compression = DescribeCompression(*header, block, entry.name);
        entries.push_back(std::move(entry));
    }
    return entries;
}

} // namespace orv
