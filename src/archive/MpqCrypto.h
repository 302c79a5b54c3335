#pragma once

// The archive format's name hashing and table/sector encryption.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace orv::mpq {

enum class HashType : std::uint32_t {
    TableOffset = 0x000,
    NameA = 0x100,
    NameB = 0x200,
    FileKey = 0x300,
};

// Hash of an archived name; case-insensitive, '/' and '\' are the same character.
std::uint32_t HashString(std::string_view name, HashType type);

// Decrypts / encrypts a run of little-endian 32-bit words in place. A trailing partial
// word is left as it is.
void DecryptBlock(std::span<std::uint8_t> data, std::uint32_t key);
void EncryptBlock(std::span<std::uint8_t> data, std::uint32_t key);

// Every key under which a block whose first word is `plain` starts with `cipher` once
// encrypted; a block of known first word (a sector table) gives its key away this way.
// Usually one key, rarely a few.
std::vector<std::uint32_t> KeysForFirstWord(std::uint32_t plain, std::uint32_t cipher);

// The key of a file: the hash of its name after the last backslash, adjusted by its block
// offset and size when the block says so.
std::uint32_t FileKey(std::string_view archivedName, std::uint32_t blockOffset, std::uint32_t realSize,
                      bool keyAdjusted);

inline constexpr std::uint32_t kFlagImplode = 0x00000100;
inline constexpr std::uint32_t kFlagCompress = 0x00000200;
inline constexpr std::uint32_t kFlagEncrypted = 0x00010000;
inline constexpr std::uint32_t kFlagFixKey = 0x00020000;
inline constexpr std::uint32_t kFlagSingleUnit = 0x01000000;
inline constexpr std::uint32_t kFlagDeleteMarker = 0x02000000;
inline constexpr std::uint32_t kFlagSectorCrc = 0x04000000;
inline constexpr std::uint32_t kFlagExists = 0x80000000;

inline constexpr std::uint32_t kHashEntryEmpty = 0xFFFFFFFF;
inline constexpr std::uint32_t kHashEntryDeleted = 0xFFFFFFFE;

} // namespace orv::mpq
