#pragma once

// The scenario's strings. Every text of a scenario (map name, force names, location names,
// sound file names, trigger texts) is stored once and referred to by its 1-based number;
// number 0 means no string. An empty entry is a free entry.

#include "base/ByteReader.h"
#include "base/Result.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orv {

class StringTable {
public:
    StringTable() = default;

    static constexpr std::size_t kStandardCount = 1024;

    std::vector<std::string> Entries;

    // Stores `text` in the first empty entry below 1024 and returns its index (the string
    // number is index + 1), or -1 when there is none. A table of fewer than 1024 entries
    // with none free grows to 1024.
    int AddString(const std::string& text);

    // The text of a string number; empty for 0 and numbers past the table.
    const std::string& Text(std::size_t number) const;

    // Reads an STR section (u16 count and offsets) or, with `extended`, an STRx section
    // (u32 count and offsets). Each entry is the text the game reads: the bytes from its
    // offset up to the next NUL or the end of the section. Offsets past the section give
    // empty texts; a count larger than the offsets the section holds is cut to those.
    static StringTable Read(Bytes section, bool extended = false);

    // True when the section declared more entries than it could hold offsets for (a count
    // of 65535, as protected maps have): the entries past the real ones are noise.
    bool CountOverrun = false;

    // The STR section's data. A table read from an STR section and not changed since is
    // written back exactly as read, so the game reads the same texts. Otherwise: the count
    // (1024, or the number of entries when there are more), the offsets, then a NUL and the
    // characters of each non-empty entry (identical texts stored once), and a final NUL that
    // ends the last text. Fails when the texts
    // no longer fit 16-bit offsets.
    Result<std::vector<std::uint8_t>> Write() const;

    // Remembers the current entries as those of `section`, for writing back unchanged.
    void KeepOriginal(std::vector<std::uint8_t> section);

private:
    std::vector<std::uint8_t> m_original;
    std::vector<std::string> m_originalEntries;
};

} // namespace orv
