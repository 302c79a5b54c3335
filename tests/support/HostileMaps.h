#pragma once

// Hostile map files made byte by byte, shared by the tests and the benchmarks: archives full
// of headers, scenarios with millions of sections or units, tens of thousands of doodads and
// sprites, and archives whose (listfile) names many files.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orv::test {

// A valid 64 x 64 jungle scenario as our writer makes it, with two units.
std::vector<std::uint8_t> SmallScenario();

// `scenario` followed by `count` empty sections of a tag the game does not know.
std::vector<std::uint8_t> WithEmptySections(std::vector<std::uint8_t> scenario, std::size_t count);
// `scenario` followed by a UNIT section of `count` units spread over the map.
std::vector<std::uint8_t> WithUnits(std::vector<std::uint8_t> scenario, std::size_t count);
// `scenario` followed by a DD2 section of `count` doodads (the last DD2 is the one read).
std::vector<std::uint8_t> WithDoodads(std::vector<std::uint8_t> scenario, std::size_t count);
// `scenario` followed by a THG2 section of `count` sprites.
std::vector<std::uint8_t> WithSprites(std::vector<std::uint8_t> scenario, std::size_t count);

// The scenario in a map archive (imploded and encrypted, as the game's maps hold it), with a
// (listfile) that names it and `listed`. Every `storedEvery`-th listed name is stored as a
// small file; `hashSlots` is the size of the hash table (a power of two).
std::vector<std::uint8_t> ArchiveOf(const std::vector<std::uint8_t>& scenario,
                                    const std::vector<std::string>& listed = {}, std::size_t storedEvery = 0,
                                    std::uint32_t hashSlots = 16);

// `size` bytes with an archive header at every 512-byte boundary, each claiming tables that
// cover the whole file; `first`, when given, fills the start of the file.
std::vector<std::uint8_t> ManyHeaders(std::size_t size, const std::vector<std::uint8_t>& first = {});

// `count` distinct file names for a (listfile).
std::vector<std::string> ManyNames(std::size_t count);

} // namespace orv::test
