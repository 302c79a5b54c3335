#pragma once

// The settings that unmodified maps carry, which a new scenario starts with so that the
// game accepts it and a use-map-settings game has the usual units, upgrades and techs.

#include <array>
#include <cstdint>

namespace orv {

extern const std::array<std::uint8_t, 1040> kStandardVcod;
extern const std::array<std::uint8_t, 46> kUpgradeMaxima;
extern const std::array<std::uint8_t, 61> kExpansionUpgradeMaxima;
extern const std::array<int, 6> kResearchedTechs;
extern const std::array<int, 10> kExpansionResearchedTechs;

} // namespace orv
