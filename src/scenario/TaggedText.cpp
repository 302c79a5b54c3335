#include "scenario/TaggedText.h"

#include <optional>

namespace orv {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

struct Tag {
    std::uint8_t byte = 0;
    std::size_t length = 0; // characters of the tag, "<" and ">" included
};

// The tag that starts at `at` (which holds "<"), if one does.
std::optional<Tag> TagAt(std::string_view text, std::size_t at) {
    if (at + 2 < text.size() && text[at + 2] == '>' && text[at + 1] >= '1' && text[at + 1] <= '8') {
        return Tag{static_cast<std::uint8_t>(text[at + 1] - '0'), 3};
    }
    if (at + 3 < text.size() && text[at + 3] == '>') {
        const int high = HexValue(text[at + 1]);
        const int low = HexValue(text[at + 2]);
        if (high >= 0 && low >= 0) {
            const auto byte = static_cast<std::uint8_t>(high * 16 + low);
            if (IsTaggedByte(byte)) {
                return Tag{byte, 4};
            }
        }
    }
    return std::nullopt;
}

void AppendTag(std::string& out, std::uint8_t byte) {
    out += '<';
    if (byte >= 1 && byte <= 8) {
        out += static_cast<char>('0' + byte);
    } else {
        out += kHexDigits[byte >> 4];
        out += kHexDigits[byte & 15];
    }
    out += '>';
}

} // namespace

bool IsTaggedByte(std::uint8_t byte) {
    return (byte < 0x20 && byte != 0x09 && byte != 0x0A && byte != 0x0D) || byte == 0x7F;
}

std::string ToTagged(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<std::uint8_t>(bytes[i]);
        if (IsTaggedByte(byte)) {
            AppendTag(out, byte);
            continue;
        }
        out += bytes[i];
        if (byte != '<' || i + 1 == bytes.size()) {
            continue;
        }
        // What follows this "<" in the shown text begins with "<" when the next byte is a "<"
        // or a tagged byte; otherwise with the next bytes themselves, which are then plain
        // text up to the next "<" or tagged byte and can be tested as they stand.
        const auto next = static_cast<std::uint8_t>(bytes[i + 1]);
        if (next == '<' || IsTaggedByte(next) || TagAt(bytes, i)) {
            out += '<';
        }
    }
    return out;
}

std::string FromTagged(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] != '<') {
            out += text[i++];
        } else if (i + 1 < text.size() && text[i + 1] == '<') {
            out += '<';
            i += 2;
        } else if (const auto tag = TagAt(text, i)) {
            out += static_cast<char>(tag->byte);
            i += tag->length;
        } else {
            out += text[i++];
        }
    }
    return out;
}

} // namespace orv
