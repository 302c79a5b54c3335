#pragma once

// The program's one pseudo-random generator: every random choice of the editor (tile
// variants, creep variants) draws from it, so tests can seed it and get repeatable maps.

#include <cstdint>

namespace orv {

void SeedRandom(std::uint32_t seed);

// A uniformly distributed integer from 0 to n - 1 (0 when n is 0 or less).
int RandomBelow(int n);

} // namespace orv
