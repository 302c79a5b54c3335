#pragma once

// The pieces of a CASC storage, the form in which the current game keeps its files, each
// parsed from bytes that are never trusted: every size, count, offset and page is checked
// against the buffer and against fixed limits before anything is allocated or read.
//
// Reading a file goes: path --root--> content key (CKey) --encoding table--> encoded key
// (EKey) --first 9 bytes, local index--> (data.NNN, offset, size) --30-byte record header,
// BLTE--> the file's bytes. CascStorage ties the pieces together.

#include "base/ByteReader.h"
#include "base/Result.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orv::casc {

using Key = std::array<std::uint8_t, 16>;
// The part of an encoded key that the local indexes keep.
using IndexKey = std::array<std::uint8_t, 9>;

inline constexpr std::size_t kRecordHeaderSize = 30;
// No file of the game comes near these; larger claims are damage, not data.
inline constexpr std::uint64_t kMaxStoredSize = std::uint64_t{1} << 30;
inline constexpr std::uint64_t kMaxDecodedSize = std::uint64_t{1} << 30;

// "0123abcd..." (32 hex digits, either case) as a key.
// The value of a hexadecimal digit (either case), or -1.
int HexDigit(char c);

std::optional<Key> ParseKey(std::string_view hex);
std::string KeyText(const Key& key);
IndexKey ToIndexKey(const Key& key);

// The active row of .build.info: the column name (without its type) to the row's cell.
Result<std::map<std::string, std::string>> ParseBuildInfo(std::string_view text);

// The keys a build config names: the encoding table's EKey and the root's CKey.
struct BuildConfig {
    Key encodingEKey{};
    Key rootCKey{};
};
Result<BuildConfig> ParseBuildConfig(std::string_view text);

// One entry of a local index: where an encoded file is kept.
struct IndexEntry {
    IndexKey key{};
    std::uint16_t archive = 0; // data.NNN
    std::uint32_t offset = 0;  // of the 30-byte record header in that archive
    std::uint32_t size = 0;    // stored size, the record header included
};

// The entries of one version-7 .idx file, placeholders (30 bytes or less) left out.
Result<std::vector<IndexEntry>> ParseIndex(Bytes idx);

// Whether the byte-reversed key of a 30-byte record header belongs to `key`. Some headers
// carry only the 9 bytes the indexes know, so no more are compared.
bool RecordHeaderMatches(Bytes header, const IndexKey& key);

// Decodes a BLTE stream: stored ('N') and zlib ('Z') blocks, one or many. Other block kinds
// are refused with a message that names them. The result never exceeds `maxDecoded` bytes.
Result<std::vector<std::uint8_t>> DecodeBlte(Bytes blte, std::uint64_t maxDecoded = kMaxDecodedSize);

// Content key -> encoded key, from the CKey pages of the encoding table; sorted by CKey.
struct EncodingEntry {
    Key ckey{};
    Key ekey{};
};
Result<std::vector<EncodingEntry>> ParseEncoding(Bytes table);

// The game's plain-text root: one "path|CKey" line per file.
struct RootEntry {
    std::string path;
    Key ckey{};
};
// Lines that are not "path|32 hex digits[|...]" are counted in `skipped` and left out.
Result<std::vector<RootEntry>> ParseRoot(std::string_view text, std::size_t* skipped = nullptr);

// The form in which names are compared: ASCII lower case, '\' as '/'.
std::string NormalName(std::string_view name);

} // namespace orv::casc
