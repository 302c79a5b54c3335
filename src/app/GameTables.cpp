#include "app/GameTables.h"

namespace orv {

std::vector<std::string> ReadStringTable(Bytes data) {
    std::vector<std::string> strings;
    const std::uint16_t count = ReadLEOr<std::uint16_t>(data, 0, 0);
    strings.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const auto offset = ReadLE<std::uint16_t>(data, 2 + 2 * i);
        if (!offset || *offset == 2050) {
            continue;
        }
        std::size_t end = data.size();
        if (i + 1 < count) {
            // The byte just before the next string is this string's NUL.
            const std::size_t next = ReadLEOr<std::uint16_t>(data, 2 + 2 * (i + 1), 0);
            end = next == 0 ? *offset : std::min<std::size_t>(next - 1, data.size());
        }
        if (*offset < end) {
            strings[i].assign(reinterpret_cast<const char*>(data.data()) + *offset, end - *offset);
        }
    }
    return strings;
}

std::vector<std::string> SplitNameParts(const std::string& text) {
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == '\0') {
            parts.emplace_back();
        } else {
            parts.back().push_back(c);
        }
    }
    return parts;
}

std::vector<std::uint8_t> ReadPcxColourRow(Bytes data, std::size_t count) {
    std::vector<std::uint8_t> row(count, 0);
    std::size_t filled = 0;
    std::size_t pos = 128;
    while (filled < count && pos < data.size()) {
        const std::uint8_t b = data[pos++];
        if (b <= 0xBF) {
            row[filled++] = b;
            continue;
        }
        if (pos >= data.size()) {
            break;
        }
        const std::uint8_t value = data[pos++];
        for (std::size_t run = b & 0x3F; run > 0 && filled < count; --run) {
            row[filled++] = value;
        }
    }
    return row;
}

} // namespace orv
