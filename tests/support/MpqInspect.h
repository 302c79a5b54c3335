#pragma once

// Reads an archive's tables straight from its bytes, apart from the code under test, so that
// tests can compare archives slot by slot and block by block.

#include <cstdint>
#include <optional>
#include <vector>

namespace orv::test {

struct RawArchive {
    struct Hash {
        std::uint32_t nameA, nameB;
        std::uint16_t locale, platform;
        std::uint32_t block;
    };
    struct Block {
        std::uint32_t offset, packedSize, size, flags;
    };
    std::uint64_t headerOffset = 0;
    std::uint32_t sectorSize = 0;
    std::vector<Hash> hashes;
    std::vector<Block> blocks;
    std::vector<std::uint8_t> bytes;

    // The block's bytes as stored (as far as the file holds them).
    std::vector<std::uint8_t> Stored(std::uint32_t block) const;

    // The stored bytes of a packed, encrypted file with its sector table and sectors
    // decrypted (still compressed). The key comes from the name's hash when `name` is given,
    // else from the sector table's known first word. Nothing when neither gives a key.
    std::optional<std::vector<std::uint8_t>> Decrypted(std::uint32_t block, const char* name = nullptr) const;
};

// The tables of the header at `headerOffset`; nothing when there is none or they are cut short.
std::optional<RawArchive> ReadRawArchive(std::vector<std::uint8_t> bytes, std::uint64_t headerOffset);

// A mono 16-bit PCM WAV of `samples` samples.
std::vector<std::uint8_t> MakeWav(std::uint32_t samples);

} // namespace orv::test
