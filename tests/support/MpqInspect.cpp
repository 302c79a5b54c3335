#include "support/MpqInspect.h"

#include "archive/MpqCrypto.h"

#include <algorithm>
#include <string>

namespace orv::test {
namespace {

std::uint32_t Get32(const std::vector<std::uint8_t>& data, std::uint64_t at) {
    std::uint32_t v = 0;
    for (std::uint64_t i = 0; i < 4; ++i) {
        v |= static_cast<std::uint32_t>(at + i < data.size() ? data[at + i] : 0) << (8 * i);
    }
    return v;
}

std::optional<std::vector<std::uint8_t>> Table(const std::vector<std::uint8_t>& data, std::int64_t at,
                                               std::uint32_t count, const char* keyName) {
    const std::uint64_t length = std::uint64_t{count} * 16;
    if (at < 0 || static_cast<std::uint64_t>(at) + length > data.size()) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> table(data.begin() + at, data.begin() + at + static_cast<std::int64_t>(length));
    mpq::DecryptBlock(table, mpq::HashString(keyName, mpq::HashType::FileKey));
    return table;
}

} // namespace

std::optional<RawArchive> ReadRawArchive(std::vector<std::uint8_t> bytes, std::uint64_t headerOffset) {
    if (headerOffset + 32 > bytes.size() || Get32(bytes, headerOffset) != 0x1A51504D) {
        return std::nullopt;
    }
    RawArchive archive;
    archive.headerOffset = headerOffset;
    archive.sectorSize = 512u << (Get32(bytes, headerOffset + 12) >> 16 & 31);
    const auto base = static_cast<std::int64_t>(headerOffset);
    const auto hashes = Table(bytes, base + static_cast<std::int32_t>(Get32(bytes, headerOffset + 16)),
                              Get32(bytes, headerOffset + 24) & 0x0FFFFFFF, "(hash table)");
    const auto blocks = Table(bytes, base + static_cast<std::int32_t>(Get32(bytes, headerOffset + 20)),
                              Get32(bytes, headerOffset + 28) & 0x0FFFFFFF, "(block table)");
    if (!hashes || !blocks) {
        return std::nullopt;
    }
    for (std::size_t at = 0; at < hashes->size(); at += 16) {
        const std::uint32_t locale = Get32(*hashes, at + 8);
        archive.hashes.push_back({Get32(*hashes, at), Get32(*hashes, at + 4),
                                  static_cast<std::uint16_t>(locale),
                                  static_cast<std::uint16_t>(locale >> 16), Get32(*hashes, at + 12)});
    }
    for (std::size_t at = 0; at < blocks->size(); at += 16) {
        archive.blocks.push_back(
            {Get32(*blocks, at), Get32(*blocks, at + 4), Get32(*blocks, at + 8), Get32(*blocks, at + 12)});
    }
    archive.bytes = std::move(bytes);
    return archive;
}

std::vector<std::uint8_t> RawArchive::Stored(std::uint32_t block) const {
    const Block& b = blocks.at(block);
    const std::int64_t at = static_cast<std::int64_t>(headerOffset) + static_cast<std::int32_t>(b.offset);
    if (at < 0 || static_cast<std::uint64_t>(at) >= bytes.size()) {
        return {};
    }
    const std::uint64_t end =
        std::min<std::uint64_t>(bytes.size(), static_cast<std::uint64_t>(at) + b.packedSize);
    return {bytes.begin() + at, bytes.begin() + static_cast<std::int64_t>(end)};
}

std::optional<std::vector<std::uint8_t>> RawArchive::Decrypted(std::uint32_t block, const char* name) const {
    const Block& b = blocks.at(block);
    std::vector<std::uint8_t> stored = Stored(block);
    if (!(b.flags & (mpq::kFlagImplode | mpq::kFlagCompress)) || !(b.flags & mpq::kFlagEncrypted)) {
        return std::nullopt;
    }
    const std::uint32_t sectors = (b.size + sectorSize - 1) / sectorSize;
    const std::uint32_t tableBytes = (sectors + 1 + ((b.flags & mpq::kFlagSectorCrc) ? 1 : 0)) * 4;
    if (tableBytes > stored.size()) {
        return std::nullopt;
    }
    std::optional<std::uint32_t> key;
    if (name) {
        key = mpq::FileKey(name, b.offset, b.size, (b.flags & mpq::kFlagFixKey) != 0);
    } else {
        for (std::uint32_t candidate : mpq::KeysForFirstWord(tableBytes, Get32(stored, 0))) {
            std::vector<std::uint8_t> table(stored.begin(), stored.begin() + 8);
            mpq::DecryptBlock(table, candidate);
            if (Get32(table, 4) >= tableBytes && Get32(table, 4) <= stored.size()) {
                key = candidate + 1;
                break;
            }
        }
    }
    if (!key) {
        return std::nullopt;
    }
    std::vector<std::uint32_t> offsets;
    {
        std::vector<std::uint8_t> table(stored.begin(), stored.begin() + tableBytes);
        mpq::DecryptBlock(table, *key - 1);
        std::copy(table.begin(), table.end(), stored.begin());
        for (std::uint32_t i = 0; i <= sectors; ++i) {
            offsets.push_back(Get32(table, i * 4));
        }
    }
    for (std::uint32_t i = 0; i < sectors; ++i) {
        if (offsets[i] > offsets[i + 1] || offsets[i + 1] > stored.size()) {
            return std::nullopt;
        }
        const std::uint32_t expected = std::min(sectorSize, b.size - i * sectorSize);
        const std::uint32_t length = std::min(offsets[i + 1] - offsets[i], expected);
        mpq::DecryptBlock(std::span(stored).subspan(offsets[i], length), *key + i);
    }
    return stored;
}

std::vector<std::uint8_t> MakeWav(std::uint32_t samples) {
    std::vector<std::uint8_t> wav;
    auto put = [&](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            wav.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        }
    };
    auto text = [&](const std::string& s) { wav.insert(wav.end(), s.begin(), s.end()); };
    text("RIFF");
    put(36 + samples * 2, 4);
    text("WAVEfmt ");
    put(16, 4);
    put(1, 2);     // PCM
    put(1, 2);     // mono
    put(22050, 4); // samples per second
    put(44100, 4); // bytes per second
    put(2, 2);     // block align
    put(16, 2);    // bits per sample
    text("data");
    put(samples * 2, 4);
    for (std::uint32_t i = 0; i < samples; ++i) {
        put((i * 37) % 4000, 2);
    }
    return wav;
}

} // namespace orv::test
