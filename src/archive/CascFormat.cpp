#include "archive/CascFormat.h"

#include <algorithm>
#include <cstdio>
#include <zlib.h>

namespace orv::casc {
namespace {

std::uint32_t ReadBE(Bytes data, std::size_t offset, int width) {
    std::uint32_t value = 0;
    for (int i = 0; i < width; ++i) {
        value = (value << 8) | data[offset + static_cast<std::size_t>(i)];
    }
    return value;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == separator) {
            parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    return parts;
}

// Calls `line` for each line of `text` (LF or CRLF ends) until it returns false.
template <typename F> void ForEachLine(std::string_view text, F&& line) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view current = text.substr(0, end);
        if (!current.empty() && current.back() == '\r') {
            current.remove_suffix(1);
        }
        if (!line(current)) {
            return;
        }
        if (end == std::string_view::npos) {
            return;
        }
        text.remove_prefix(end + 1);
    }
}

std::string Hex2(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value & 0xFFu);
    return text;
}

// Appends one BLTE block (its mode byte first) to `out`. `expected` is the decoded size the
// block table names, or -1 for the single block of a stream without a table.
Status DecodeBlock(Bytes block, std::int64_t expected, std::uint64_t maxDecoded, std::size_t number,
                   std::vector<std::uint8_t>& out) {
    const std::string which = "BLTE block " + std::to_string(number);
    if (block.empty()) {
        return MakeError(which + " is empty");
    }
    const Bytes body = block.subspan(1);
    const std::uint64_t room = maxDecoded - out.size();
    switch (block[0]) {
    case 'N':
        if (expected >= 0 && body.size() != static_cast<std::uint64_t>(expected)) {
            return MakeError(which + " holds " + std::to_string(body.size()) + " bytes, its table says " +
                             std::to_string(expected));
        }
        if (body.size() > room) {
            return MakeError(which + " is larger than any game file");
        }
        out.insert(out.end(), body.begin(), body.end());
        return {};
    case 'Z':
        break;
    case '4':
        return MakeError(which + " is LZ4-compressed ('4'), which this reader does not support");
    case 'F':
        return MakeError(which + " is a nested BLTE stream ('F'), which this reader does not support");
    case 'E':
        return MakeError(which + " is encrypted ('E'), which this reader does not support");
    default:
        return MakeError(which + " has the unknown kind " + Hex2(block[0]));
    }

    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) {
        return MakeError("cannot start zlib");
    }
    stream.next_in = const_cast<Bytef*>(body.data());
    stream.avail_in = static_cast<uInt>(body.size());
    const std::uint64_t limit = expected >= 0 ? static_cast<std::uint64_t>(expected) : room;
    if (limit > room) {
        inflateEnd(&stream);
        return MakeError(which + " is larger than any game file");
    }
    const std::size_t start = out.size();
    constexpr std::size_t kStep = 1 << 16;
    int result = Z_OK;
    while (result == Z_OK) {
        const std::uint64_t produced = out.size() - start;
        std::uint64_t step =
            expected >= 0 ? limit - produced : std::min<std::uint64_t>(kStep, limit - produced);
        if (step == 0) {
            // Full: the stream must end here; one more byte of room tells whether it does.
            std::uint8_t probe = 0;
            stream.next_out = &probe;
            stream.avail_out = 1;
            result = inflate(&stream, Z_NO_FLUSH);
            if (stream.avail_out == 0) {
                inflateEnd(&stream);
                return MakeError(which + (expected >= 0 ? " decodes to more bytes than its table says"
                                                        : " is larger than any game file"));
            }
            break;
        }
        out.resize(out.size() + static_cast<std::size_t>(step));
        stream.next_out = out.data() + out.size() - step;
        stream.avail_out = static_cast<uInt>(step);
        result = inflate(&stream, Z_NO_FLUSH);
        out.resize(out.size() - stream.avail_out);
        if (result == Z_BUF_ERROR && stream.avail_in == 0) {
            break; // input ran out before the stream's end
        }
    }
    const bool ended = result == Z_STREAM_END;
    const std::string why = stream.msg ? std::string(" (") + stream.msg + ")" : std::string();
    inflateEnd(&stream);
    if (!ended) {
        return MakeError(which + " is not a complete zlib stream" + why);
    }
    if (expected >= 0 && out.size() - start != static_cast<std::uint64_t>(expected)) {
        return MakeError(which + " decodes to " + std::to_string(out.size() - start) +
                         " bytes, its table says " + std::to_string(expected));
    }
    return {};
}

} // namespace

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::optional<Key> ParseKey(std::string_view hex) {
    if (hex.size() != 32) {
        return std::nullopt;
    }
    Key key{};
    for (std::size_t i = 0; i < 16; ++i) {
        const int high = HexDigit(hex[2 * i]);
        const int low = HexDigit(hex[2 * i + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        key[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return key;
}

std::string KeyText(const Key& key) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::uint8_t byte : key) {
        text.push_back(kDigits[byte >> 4]);
        text.push_back(kDigits[byte & 15]);
    }
    return text;
}

IndexKey ToIndexKey(const Key& key) {
    IndexKey prefix{};
    std::copy_n(key.begin(), prefix.size(), prefix.begin());
    return prefix;
}

std::string NormalName(std::string_view name) {
    std::string normal(name);
    for (char& c : normal) {
        if (c == '\\') {
            c = '/';
        } else if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return normal;
}

Result<std::map<std::string, std::string>> ParseBuildInfo(std::string_view text) {
    std::vector<std::string> columns;
    std::vector<std::map<std::string, std::string>> rows;
    ForEachLine(text, [&](std::string_view line) {
        if (Trim(line).empty()) {
            return true;
        }
        const auto cells = Split(line, '|');
        if (columns.empty()) {
            for (std::string_view cell : cells) {
                columns.emplace_back(Trim(cell.substr(0, cell.find('!'))));
            }
        } else if (cells.size() == columns.size()) {
            auto& row = rows.emplace_back();
            for (std::size_t i = 0; i < cells.size(); ++i) {
                row[columns[i]] = std::string(Trim(cells[i]));
            }
        }
        return rows.size() < 1000; // no real file comes close
    });
    if (std::find(columns.begin(), columns.end(), "Build Key") == columns.end()) {
        return MakeError(".build.info has no \"Build Key\" column");
    }
    const auto active = std::find_if(rows.begin(), rows.end(), [](const auto& row) {
        const auto it = row.find("Active");
        return it != row.end() && it->second == "1";
    });
    if (active != rows.end()) {
        return *active;
    }
    if (rows.size() == 1) {
        return rows.front();
    }
    return MakeError(rows.empty() ? ".build.info names no build" : ".build.info marks no build as active");
}

Result<BuildConfig> ParseBuildConfig(std::string_view text) {
    std::optional<Key> encoding;
    std::optional<Key> root;
    ForEachLine(text, [&](std::string_view line) {
        line = line.substr(0, line.find('#'));
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            return true;
        }
        const std::string_view name = Trim(line.substr(0, equals));
        std::vector<std::string_view> values;
        for (std::string_view value : Split(Trim(line.substr(equals + 1)), ' ')) {
            if (!Trim(value).empty()) {
                values.push_back(Trim(value));
            }
        }
        if (name == "encoding" && values.size() >= 2) {
            encoding = ParseKey(values[1]);
        } else if (name == "root" && !values.empty()) {
            root = ParseKey(values[0]);
        }
        return true;
    });
    if (!encoding) {
        return MakeError("the build config names no encoding table (\"encoding = CKEY EKEY\")");
    }
    if (!root) {
        return MakeError("the build config names no root file (\"root = CKEY\")");
    }
    return BuildConfig{*encoding, *root};
}

Result<std::vector<IndexEntry>> ParseIndex(Bytes idx) {
    constexpr std::size_t kEntriesBlock = 0x20;
    constexpr std::size_t kEntrySize = 18;
    if (idx.size() < kEntriesBlock + 8) {
        return MakeError("the index is too short for its headers (" + std::to_string(idx.size()) + " bytes)");
    }
    const std::uint16_t version = ReadLEOr<std::uint16_t>(idx, 8, 0);
    if (version != 7) {
        return MakeError("the index has version " + std::to_string(version) + "; only version 7 is known");
    }
    const unsigned sizeWidth = idx[12], offsetWidth = idx[13], keyWidth = idx[14], segmentBits = idx[15];
    if (sizeWidth != 4 || offsetWidth != 5 || keyWidth != 9 || segmentBits != 30) {
        return MakeError("the index has an unknown entry layout (size " + std::to_string(sizeWidth) +
                         ", offset " + std::to_string(offsetWidth) + ", key " + std::to_string(keyWidth) +
                         ", segment bits " + std::to_string(segmentBits) + ")");
    }
    const std::uint32_t length = ReadLEOr<std::uint32_t>(idx, kEntriesBlock, 0);
    const std::size_t available = idx.size() - (kEntriesBlock + 8);
    if (length > available) {
        return MakeError("the index says it holds " + std::to_string(length) +
                         " bytes of entries, but only " + std::to_string(available) + " follow");
    }
    std::vector<IndexEntry> entries;
    entries.reserve(length / kEntrySize);
    for (std::size_t at = kEntriesBlock + 8; at + kEntrySize <= kEntriesBlock + 8 + length;
         at += kEntrySize) {
        IndexEntry entry;
        std::copy_n(idx.begin() + static_cast<std::ptrdiff_t>(at), entry.key.size(), entry.key.begin());
        const std::uint64_t location = (std::uint64_t{idx[at + 9]} << 32) | ReadBE(idx, at + 10, 4);
        entry.archive = static_cast<std::uint16_t>(location >> 30);
        entry.offset = static_cast<std::uint32_t>(location & ((1u << 30) - 1));
        entry.size = ReadLEOr<std::uint32_t>(idx, at + 14, 0);
        if (entry.size > kRecordHeaderSize) {
            entries.push_back(entry);
        }
    }
    return entries;
}

bool RecordHeaderMatches(Bytes header, const IndexKey& key) {
    if (header.size() < 16) {
        return false;
    }
    for (std::size_t i = 0; i < key.size(); ++i) {
        if (header[15 - i] != key[i]) {
            return false;
        }
    }
    return true;
}

Result<std::vector<std::uint8_t>> DecodeBlte(Bytes blte, std::uint64_t maxDecoded) {
    if (blte.size() < 8 || blte[0] != 'B' || blte[1] != 'L' || blte[2] != 'T' || blte[3] != 'E') {
        return MakeError("the data is not BLTE-encoded");
    }
    const std::uint32_t headerSize = ReadBE(blte, 4, 4);
    std::vector<std::uint8_t> out;
    if (headerSize == 0) {
        if (Status block = DecodeBlock(blte.subspan(8), -1, maxDecoded, 0, out); !block) {
            return MakeError(block.error());
        }
        return out;
    }
    if (headerSize < 12 || headerSize > blte.size()) {
        return MakeError("the BLTE header size " + std::to_string(headerSize) + " does not fit the " +
                         std::to_string(blte.size()) + "-byte stream");
    }
    if (blte[8] != 0x0F) {
        return MakeError("the BLTE block table has the unknown flag " + Hex2(blte[8]));
    }
    const std::uint32_t count = ReadBE(blte, 9, 3);
    if (count == 0 || 12 + std::uint64_t{count} * 24 != headerSize) {
        return MakeError("the BLTE block table of " + std::to_string(count) + " blocks does not fill its " +
                         std::to_string(headerSize) + "-byte header");
    }
    std::uint64_t storedTotal = 0;
    std::uint64_t decodedTotal = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        storedTotal += ReadBE(blte, 12 + std::size_t{i} * 24, 4);
        decodedTotal += ReadBE(blte, 16 + std::size_t{i} * 24, 4);
    }
    if (storedTotal != blte.size() - headerSize) {
        return MakeError("the BLTE blocks should take " + std::to_string(storedTotal) + " bytes, but " +
                         std::to_string(blte.size() - headerSize) + " follow the header");
    }
    if (decodedTotal > maxDecoded) {
        return MakeError("the BLTE blocks claim " + std::to_string(decodedTotal) +
                         " decoded bytes, more than any game file");
    }
    out.reserve(static_cast<std::size_t>(decodedTotal));
    std::size_t at = headerSize;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t stored = ReadBE(blte, 12 + std::size_t{i} * 24, 4);
        const std::uint32_t decoded = ReadBE(blte, 16 + std::size_t{i} * 24, 4);
        if (Status block = DecodeBlock(blte.subspan(at, stored), decoded, maxDecoded, i, out); !block) {
            return MakeError(block.error());
        }
        at += stored;
    }
    return out;
}

Result<std::vector<EncodingEntry>> ParseEncoding(Bytes table) {
    constexpr std::size_t kHeaderSize = 22;
    if (table.size() < kHeaderSize || table[0] != 'E' || table[1] != 'N') {
        return MakeError("the encoding table has no \"EN\" header");
    }
    if (table[2] != 1) {
        return MakeError("the encoding table has version " + std::to_string(table[2]) +
                         "; only version 1 is known");
    }
    if (table[3] != 16 || table[4] != 16) {
        return MakeError("the encoding table uses " + std::to_string(table[3]) + "- and " +
                         std::to_string(table[4]) + "-byte keys; only 16 is known");
    }
    const std::uint64_t pageSize = std::uint64_t{ReadBE(table, 5, 2)} * 1024;
    const std::uint64_t pages = ReadBE(table, 9, 4);
    const std::uint64_t especSize = ReadBE(table, 18, 4);
    const std::uint64_t pageIndex = kHeaderSize + especSize;
    const std::uint64_t firstPage = pageIndex + pages * 32;
    if (pageSize == 0 && pages > 0) {
        return MakeError("the encoding table has pages of 0 bytes");
    }
    if (firstPage > table.size() || pages * pageSize > table.size() - firstPage) {
        return MakeError("the encoding table names " + std::to_string(pages) + " pages of " +
                         std::to_string(pageSize) + " bytes, more than its " + std::to_string(table.size()) +
                         " bytes hold");
    }
    std::vector<EncodingEntry> entries;
    for (std::uint64_t p = 0; p < pages; ++p) {
        const Bytes page = table.subspan(static_cast<std::size_t>(firstPage + p * pageSize),
                                         static_cast<std::size_t>(pageSize));
        std::size_t at = 0;
        while (at + 6 + 16 <= page.size()) {
            const std::size_t keys = page[at];
            const std::size_t length = 6 + 16 + 16 * keys;
            if (keys == 0 || at + length > page.size()) {
                break;
            }
            EncodingEntry entry;
            std::copy_n(page.begin() + static_cast<std::ptrdiff_t>(at + 6), 16, entry.ckey.begin());
            std::copy_n(page.begin() + static_cast<std::ptrdiff_t>(at + 22), 16, entry.ekey.begin());
            entries.push_back(entry);
            at += length;
        }
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const EncodingEntry& a, const EncodingEntry& b) { return a.ckey < b.ckey; });
    entries.erase(
        std::unique(entries.begin(), entries.end(),
                    [](const EncodingEntry& a, const EncodingEntry& b) { return a.ckey == b.ckey; }),
        entries.end());
    return entries;
}

Result<std::vector<RootEntry>> ParseRoot(std::string_view text, std::size_t* skipped) {
    std::vector<RootEntry> entries;
    std::size_t bad = 0;
    ForEachLine(text, [&](std::string_view line) {
        if (line.empty()) {
            return true;
        }
        const std::size_t bar = line.find('|');
        const std::string_view path = line.substr(0, bar);
        const std::string_view rest =
            bar == std::string_view::npos ? std::string_view() : line.substr(bar + 1);
        const auto key = ParseKey(rest.substr(0, rest.find('|')));
        if (path.empty() || !key) {
            ++bad;
            return true;
        }
        entries.push_back({std::string(path), *key});
        return true;
    });
    if (skipped) {
        *skipped = bad;
    }
    if (entries.empty()) {
        return MakeError("the root file lists no files");
    }
    return entries;
}

} // namespace orv::casc
