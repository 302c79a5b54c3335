#include "support/MpqBuilder.h"

#include "archive/MpqCrypto.h"

#include <StormLib.h>
#include <stdexcept>

namespace orv::test {
namespace {

void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

void Append32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.resize(out.size() + 4);
    Put32(out, out.size() - 4, v);
}

} // namespace

std::vector<std::uint8_t> EncodeSectors(const std::vector<std::uint8_t>& data, std::uint32_t sectorSize,
                                        std::uint32_t flags, std::uint8_t compression, std::uint32_t key) {
    const bool encrypted = (flags & mpq::kFlagEncrypted) != 0;
    const bool packed = (flags & (mpq::kFlagImplode | mpq::kFlagCompress)) != 0;
    std::vector<std::vector<std::uint8_t>> sectors;
    for (std::size_t at = 0; at < data.size(); at += sectorSize) {
        std::vector<std::uint8_t> plain(
            data.begin() + static_cast<std::ptrdiff_t>(at),
            data.begin() + static_cast<std::ptrdiff_t>(std::min(data.size(), at + sectorSize)));
        std::vector<std::uint8_t> sector = plain;
        if (packed) {
            std::vector<std::uint8_t> out(plain.size() * 2 + 64);
            int outSize = static_cast<int>(out.size());
            int ok = 0;
            if (flags & mpq::kFlagImplode) {
                ok = SCompImplode(out.data(), &outSize, plain.data(), static_cast<int>(plain.size()));
            } else {
                ok = SCompCompress(out.data(), &outSize, plain.data(), static_cast<int>(plain.size()),
                                   compression, 0, 0);
            }
            if (ok && outSize > 0 && static_cast<std::size_t>(outSize) < plain.size()) {
                out.resize(static_cast<std::size_t>(outSize));
                sector = std::move(out);
            }
        }
        sectors.push_back(std::move(sector));
    }
    std::vector<std::uint8_t> out;
    if (packed) {
        std::uint32_t offset = static_cast<std::uint32_t>((sectors.size() + 1) * 4);
        for (const auto& s : sectors) {
            Append32(out, offset);
            offset += static_cast<std::uint32_t>(s.size());
        }
        Append32(out, offset);
        if (encrypted) {
            mpq::EncryptBlock(out, key - 1);
        }
    }
    for (std::size_t i = 0; i < sectors.size(); ++i) {
        std::vector<std::uint8_t> s = sectors[i];
        if (encrypted) {
            mpq::EncryptBlock(s, key + static_cast<std::uint32_t>(i));
        }
        out.insert(out.end(), s.begin(), s.end());
    }
    return out;
}

void MpqBuilder::EnsureSlots() {
    if (m_slots.size() != hashSlots) {
        m_slots.resize(hashSlots);
    }
}

std::uint32_t MpqBuilder::AddRawBlock(const std::vector<std::uint8_t>& raw, std::uint32_t size,
                                      std::uint32_t flags) {
    const std::uint32_t offset = DataStart() + m_dataSize;
    blocks.push_back({offset, static_cast<std::uint32_t>(raw.size()), size, flags});
    m_data.push_back({raw});
    m_dataSize += static_cast<std::uint32_t>(raw.size());
    return static_cast<std::uint32_t>(blocks.size() - 1);
}

std::uint32_t MpqBuilder::AddFile(const std::string& name, const std::vector<std::uint8_t>& data,
                                  std::uint32_t flags, std::uint8_t compression) {
    const std::uint32_t offset = DataStart() + m_dataSize;
    const auto size = static_cast<std::uint32_t>(data.size());
    const std::uint32_t key = mpq::FileKey(name, offset, size, (flags & mpq::kFlagFixKey) != 0);
    const std::uint32_t sectorSize = 512u << (sectorShift & 31);
    const std::uint32_t block =
        AddRawBlock(EncodeSectors(data, sectorSize, flags, compression, key), size, flags);
    AddHash(name, block);
    return block;
}

void MpqBuilder::AddHash(const std::string& name, std::uint32_t block, std::optional<std::uint32_t> slot,
                         std::uint16_t locale) {
    EnsureSlots();
    const Hash entry{mpq::HashString(name, mpq::HashType::NameA), mpq::HashString(name, mpq::HashType::NameB),
                     locale, 0, block};
    if (slot) {
        m_slots.at(*slot) = entry;
        return;
    }
    const std::uint32_t start = mpq::HashString(name, mpq::HashType::TableOffset) & (hashSlots - 1);
    for (std::uint32_t i = 0; i < hashSlots; ++i) {
        auto& s = m_slots[(start + i) % hashSlots];
        if (!s) {
            s = entry;
            return;
        }
    }
    throw std::runtime_error("hash table full");
}

std::vector<std::uint8_t> MpqBuilder::Build() const {
    std::vector<std::uint8_t> hashTable;
    for (std::uint32_t i = 0; i < hashSlots; ++i) {
        const auto& s = i < m_slots.size() ? m_slots[i] : std::nullopt;
        const Hash h = s.value_or(Hash{0xFFFFFFFF, 0xFFFFFFFF, 0xFFFF, 0xFFFF, 0xFFFFFFFF});
        Append32(hashTable, h.nameA);
        Append32(hashTable, h.nameB);
        Append32(hashTable,
                 static_cast<std::uint32_t>(h.locale) | (static_cast<std::uint32_t>(h.platform) << 16));
        Append32(hashTable, h.block);
    }
    std::vector<std::uint8_t> blockTable;
    for (const Block& b : blocks) {
        Append32(blockTable, b.offset);
        Append32(blockTable, b.packedSize);
        Append32(blockTable, b.size);
        Append32(blockTable, b.flags);
    }
    mpq::EncryptBlock(hashTable, mpq::HashString("(hash table)", mpq::HashType::FileKey));
    mpq::EncryptBlock(blockTable, mpq::HashString("(block table)", mpq::HashType::FileKey));

    std::uint32_t prefixSize = prefix;
    if (tablesBeforeHeader) {
        prefixSize += static_cast<std::uint32_t>(hashTable.size() + blockTable.size());
        prefixSize = (prefixSize + 511) / 512 * 512;
    }
    std::vector<std::uint8_t> out(prefixSize + 32, 0);
    std::copy(prefixBytes.begin(), prefixBytes.end(), out.begin());
    for (const Stored& s : m_data) {
        out.insert(out.end(), s.bytes.begin(), s.bytes.end());
    }
    std::int64_t hashPos = 0;
    std::int64_t blockPos = 0;
    if (tablesBeforeHeader) {
        hashPos = prefix;
        blockPos = prefix + static_cast<std::int64_t>(hashTable.size());
        std::copy(hashTable.begin(), hashTable.end(), out.begin() + hashPos);
        std::copy(blockTable.begin(), blockTable.end(), out.begin() + blockPos);
    } else {
        hashPos = static_cast<std::int64_t>(out.size());
        out.insert(out.end(), hashTable.begin(), hashTable.end());
        blockPos = static_cast<std::int64_t>(out.size());
        out.insert(out.end(), blockTable.begin(), blockTable.end());
    }
    const std::size_t h = prefixSize;
    Put32(out, h + 0, 0x1A51504D);
    Put32(out, h + 4, headerSize);
    Put32(out, h + 8, static_cast<std::uint32_t>(out.size() - h));
    out[h + 12] = 0;
    out[h + 13] = 0;
    out[h + 14] = static_cast<std::uint8_t>(sectorShift);
    out[h + 15] = static_cast<std::uint8_t>(sectorShift >> 8);
    Put32(out, h + 16, static_cast<std::uint32_t>(hashPos - static_cast<std::int64_t>(h)));
    Put32(out, h + 20, static_cast<std::uint32_t>(blockPos - static_cast<std::int64_t>(h)));
    Put32(out, h + 24, declaredHashCount.value_or(hashSlots));
    Put32(out, h + 28, declaredBlockCount.value_or(static_cast<std::uint32_t>(blocks.size())));
    return out;
}

} // namespace orv::test
