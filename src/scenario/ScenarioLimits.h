#pragma once

// What a scenario may hold before the reader refuses it. The game has no such limits in its
// file format, but no real map comes near them: across the real-map corpus the most section
// headers in one scenario is 414, the most units 1,557, doodads 991 and sprites 300. A file
// past any of them is hostile, and reading it on would only cost time and memory.

#include <cstddef>
#include <cstdint>

namespace orv {

inline constexpr std::size_t kMaxScenarioSections = 65536;
inline constexpr std::size_t kMaxScenarioUnits = 32768;
inline constexpr std::size_t kMaxScenarioDoodads = 32768;
inline constexpr std::size_t kMaxScenarioSprites = 32768;
// Sections may overlap (negative sizes jump back), but the bytes of all sections together
// stay within this many times the file (real maps: at most once).
inline constexpr std::uint64_t kMaxSectionBytesPerFileByte = 4;
// Section headers the debug log names one by one; the rest are counted in one line.
inline constexpr std::size_t kLoggedSections = 256;

} // namespace orv
