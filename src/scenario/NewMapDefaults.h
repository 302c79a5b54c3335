#pragma once

// The settings that unmodified maps carry, which a new scenario starts with so that the
// game accepts it and a use-map-settings game has the usual units, upgrades and techs.

#include <array>
#include <cstdint>
#include <string>

namespace orv {

extern const std::array<std::uint8_t, 1040> kStandardVcod;
extern const std::array<std::uint8_t, 46> kUpgradeMaxima;
extern const std::array<std::uint8_t, 61> kExpansionUpgradeMaxima;
extern const std::array<int, 6> kResearchedTechs;
extern const std::array<int, 10> kExpansionResearchedTechs;

// Why `side` cannot be a new map's width (`what` = "width") or height; empty when it can.
// The terrain is laid in pairs of tiles: an odd side would leave half a pair at the edge.
std::string NewMapSizeProblem(const std::string& what, int side);

} // namespace orv
