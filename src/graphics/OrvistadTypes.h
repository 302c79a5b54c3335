#pragma once

// The fixed tables of the eight tilesets: file stems, display names, and each tileset's
// terrain types (name and the even tile group of the type's left tile).

#include <array>
#include <string_view>

namespace orv {

inline constexpr int kTilesetCount = 8;
inline constexpr int kTerrainTypesPerTileset = 13;

// Tileset number of a scenario's ERA value: the game uses the low three bits.
constexpr int TilesetNumber(unsigned era) {
    return static_cast<int>(era & 7);
}

extern const std::array<std::string_view, kTilesetCount> TilesetStems;
extern const std::array<std::string_view, kTilesetCount> TilesetNames;

// Entries with group 0 and an empty name are unused.
extern const std::array<std::array<std::string_view, kTerrainTypesPerTileset>, kTilesetCount>
    TerrainTypeNames;
extern const std::array<std::array<int, kTerrainTypesPerTileset>, kTilesetCount> TerrainTypeGroups;

// The tileset number of a stem or of a number written as text; -1 when neither.
int TilesetFromText(std::string_view text);

} // namespace orv
