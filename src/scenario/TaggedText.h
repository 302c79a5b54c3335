#pragma once

// The editable form of a string's formatting bytes. Colour and layout bytes have no glyph, so
// a text field shows them as tags:
//
//   01..08                        "<1>" .. "<8>"
//   other control bytes           "<0B>", "<1F>", "<00>", "<7F>" (two upper-case hex digits)
//   09, 0A, 0D                    themselves: tab and line breaks keep their own form
//   a "<" that would read as a tag, or that comes right before another "<"
//                                 "<<"
//
// Reading text back, "<<" is one "<", "<" + 1..8 + ">" and "<" + two hex digits + ">" naming
// a tagged byte are that byte (either case, and "<01>" for 01 are accepted), and everything
// else is literal: "<9>", "<0A>" and "a < b" stay as typed.
//
// Both directions work on bytes, not characters. Tags are ASCII, and in every encoding a map
// uses ("<", ">", hex digits and the control bytes are never the second byte of a Korean
// code, nor part of a UTF-8 sequence) they stand for themselves, so a string is tagged before
// its bytes are decoded for display and untagged after the edited text is encoded again:
// FromTagged(ToTagged(bytes)) == bytes for every byte string.

#include <cstdint>
#include <string>
#include <string_view>

namespace orv {

// Whether a byte is shown as a tag (every control byte but tab, line feed, carriage return).
bool IsTaggedByte(std::uint8_t byte);

// The bytes with their formatting bytes as tags.
std::string ToTagged(std::string_view bytes);

// The bytes a tagged text stands for.
std::string FromTagged(std::string_view text);

} // namespace orv
