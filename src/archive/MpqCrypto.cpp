#include "archive/MpqCrypto.h"

#include <array>

namespace orv::mpq {
namespace {

std::array<std::uint32_t, 0x500> BuildCryptTable() {
    std::array<std::uint32_t, 0x500> table{};
    std::uint32_t seed = 0x00100001;
    for (std::uint32_t index1 = 0; index1 < 0x100; ++index1) {
        for (std::uint32_t index2 = index1, i = 0; i < 5; ++i, index2 += 0x100) {
            seed = (seed * 125 + 3) % 0x2AAAAB;
            const std::uint32_t high = (seed & 0xFFFF) << 0x10;
            seed = (seed * 125 + 3) % 0x2AAAAB;
            const std::uint32_t low = seed & 0xFFFF;
            table[index2] = high | low;
        }
    }
    return table;
}

const std::array<std::uint32_t, 0x500>& CryptTable() {
    static const std::array<std::uint32_t, 0x500> table = BuildCryptTable();
    return table;
}

std::uint8_t Normalise(char c) {
    auto byte = static_cast<std::uint8_t>(c);
    if (byte == '/') {
        return '\\';
    }
    if (byte >= 'a' && byte <= 'z') {
        return static_cast<std::uint8_t>(byte - 'a' + 'A');
    }
    return byte;
}

std::uint32_t LoadWord(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void StoreWord(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

} // namespace

std::uint32_t HashString(std::string_view name, HashType type) {
    const auto& table = CryptTable();
    std::uint32_t seed1 = 0x7FED7FED;
    std::uint32_t seed2 = 0xEEEEEEEE;
    const auto offset = static_cast<std::uint32_t>(type);
    for (char c : name) {
        const std::uint32_t ch = Normalise(c);
        seed1 = table[offset + ch] ^ (seed1 + seed2);
        seed2 = ch + seed1 + seed2 + (seed2 << 5) + 3;
    }
    return seed1;
}

void DecryptBlock(std::span<std::uint8_t> data, std::uint32_t key) {
    const auto& table = CryptTable();
    std::uint32_t seed = 0xEEEEEEEE;
    for (std::size_t i = 0; i + 4 <= data.size(); i += 4) {
        seed += table[0x400 + (key & 0xFF)];
        const std::uint32_t plain = LoadWord(&data[i]) ^ (key + seed);
        key = ((~key << 0x15) + 0x11111111) | (key >> 0x0B);
        seed = plain + seed + (seed << 5) + 3;
        StoreWord(&data[i], plain);
    }
}

void EncryptBlock(std::span<std::uint8_t> data, std::uint32_t key) {
    const auto& table = CryptTable();
    std::uint32_t seed = 0xEEEEEEEE;
    for (std::size_t i = 0; i + 4 <= data.size(); i += 4) {
        seed += table[0x400 + (key & 0xFF)];
        const std::uint32_t plain = LoadWord(&data[i]);
        StoreWord(&data[i], plain ^ (key + seed));
        key = ((~key << 0x15) + 0x11111111) | (key >> 0x0B);
        seed = plain + seed + (seed << 5) + 3;
    }
}

std::vector<std::uint32_t> KeysForFirstWord(std::uint32_t plain, std::uint32_t cipher) {
    // The first word is encrypted with key + 0xEEEEEEEE + table[0x400 + low byte of key]:
    // try each low byte and keep the keys that have it.
    const auto& table = CryptTable();
    const std::uint32_t sum = (plain ^ cipher) - 0xEEEEEEEE;
    std::vector<std::uint32_t> keys;
    for (std::uint32_t low = 0; low < 0x100; ++low) {
        const std::uint32_t key = sum - table[0x400 + low];
        if ((key & 0xFF) == low) {
            keys.push_back(key);
        }
    }
    return keys;
}

std::uint32_t FileKey(std::string_view archivedName, std::uint32_t blockOffset, std::uint32_t realSize,
                      bool keyAdjusted) {
    const std::size_t cut = archivedName.find_last_of("\\/");
    const std::string_view base = cut == std::string_view::npos ? archivedName : archivedName.substr(cut + 1);
    std::uint32_t key = HashString(base, HashType::FileKey);
    if (keyAdjusted) {
        key = (key + blockOffset) ^ realSize;
    }
    return key;
}

} // namespace orv::mpq
