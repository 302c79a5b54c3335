#pragma once

// Writes map archives byte by byte, so that tests can make every kind of broken or
// deliberately malformed archive that real protected maps contain.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orv::test {

class MpqBuilder {
public:
    struct Hash {
        std::uint32_t nameA, nameB;
        std::uint16_t locale, platform;
        std::uint32_t block;
    };
    struct Block {
        std::uint32_t offset, packedSize, size, flags;
    };

    // Layout: `prefix` bytes (zeros, or anything the test writes with prefixBytes), the
    // header, the file data, then the hash and block tables (or, with tablesBeforeHeader,
    // the tables inside the prefix, reached through negative offsets).
    std::uint32_t prefix = 0;
    std::vector<std::uint8_t> prefixBytes; // written at the start of the prefix
    std::uint16_t sectorShift = 3;         // 4096-byte sectors
    std::uint32_t headerSize = 32;
    std::uint32_t hashSlots = 16;                   // entries written
    std::optional<std::uint32_t> declaredHashCount; // header value; default hashSlots
    std::optional<std::uint32_t> declaredBlockCount;
    bool tablesBeforeHeader = false;

    std::vector<Block> blocks; // tests may damage entries before Build()

    // Writes a raw hash entry into a slot.
    void SetRawHash(std::uint32_t slot, const Hash& entry) {
        EnsureSlots();
        m_slots.at(slot) = entry;
    }

    // Stores a file (flags: MPQ block flags; compression: sector method mask, e.g. 0x08)
    // and enters it in the hash table. Returns its block index.
    std::uint32_t AddFile(const std::string& name, const std::vector<std::uint8_t>& data,
                          std::uint32_t flags = 0x80000200, std::uint8_t compression = 0x08);

    // Enters a hash entry for `name` pointing at `block`, at `slot` or at the next free
    // slot of the name's walk.
    void AddHash(const std::string& name, std::uint32_t block,
                 std::optional<std::uint32_t> slot = std::nullopt, std::uint16_t locale = 0);

    // Adds a block whose bytes are exactly `raw` (nothing encoded); returns its index.
    std::uint32_t AddRawBlock(const std::vector<std::uint8_t>& raw, std::uint32_t size, std::uint32_t flags);

    std::vector<std::uint8_t> Build() const;

    // Offsets (from the start of the archive data, i.e. after the header) of each block.
    std::uint32_t DataStart() const { return 32; }

private:
    struct Stored {
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Stored> m_data;
    std::vector<std::optional<Hash>> m_slots;
    std::uint32_t m_dataSize = 0;
    void EnsureSlots();
};

// Sector encoding the way the game's archives hold it; exposed for tests of single sectors.
std::vector<std::uint8_t> EncodeSectors(const std::vector<std::uint8_t>& data, std::uint32_t sectorSize,
                                        std::uint32_t flags, std::uint8_t compression, std::uint32_t key);

} // namespace orv::test
