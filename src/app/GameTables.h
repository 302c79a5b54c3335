#pragma once

// Readers of the game's small text and colour tables: string tables (.tbl) and the colour
// rows cut from PCX images. Both stop at the end of their data, whatever it claims.

#include "base/ByteReader.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace orv {

// A string table: u16 count, u16 offsets from the start of the file, then the strings.
// String i runs from its offset up to the byte before the next string's offset (the NUL
// that ends it) or the end of the file; the last string runs to the end of the file. An
// entry at offset 2050 is left empty.
std::vector<std::string> ReadStringTable(Bytes data);

// A unit name split at its NUL bytes: name, sub-title ("*" for none), palette group.
// Starts with one empty part; every NUL starts a new one.
std::vector<std::string> SplitNameParts(const std::string& text);

// The first `count` pixel values of a run-length coded PCX image (128-byte header
// skipped). Values the image does not have stay 0.
std::vector<std::uint8_t> ReadPcxColourRow(Bytes data, std::size_t count);

} // namespace orv
