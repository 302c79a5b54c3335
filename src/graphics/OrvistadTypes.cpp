#include "graphics/OrvistadTypes.h"

#include <cctype>

namespace orv {

const std::array<std::string_view, kTilesetCount> TilesetStems = {
    "badlands", "platform", "Install", "AshWorld", "Jungle", "Desert", "Ice", "twilight"};

const std::array<std::string_view, kTilesetCount> TilesetNames = {
    "Badlands", "Space Platform", "Installation", "Ash World", "Jungle World", "Desert", "Ice", "Twilight"};

const std::array<std::array<std::string_view, kTerrainTypesPerTileset>, kTilesetCount> TerrainTypeNames = {{
    {"Dirt", "Mud", "High Dirt", "Water", "Grass", "High Grass", "Structure", "Asphalt", "Rocky Ground"},
    {"Space", "Low Platform", "Rusty Pit", "Platform", "Dark platform", "Plating", "Solar Array",
     "High Platform", "High Plating", "Elevated Catwalk"},
    {"Substructure", "Floor", "Roof", "Substructure Plating", "Plating", "Sunstructure Panels",
     "Bottomless Pit"},
    {"Magma", "Dirt", "Lava", "Shale", "Broken Rock", "High Dirt", "High Lava", "High Shale"},
    {"Water", "Dirt", "Mud", "Jungle", "Rocky Ground", "Ruins", "Raised Jungle", "Temple", "High Dirt",
     "High jungle", "High Ruins", "High Raised Jungle", "High Temple"},
    {"Tar", "Dirt", "Dried Mud", "Sand Dunes", "Rocky Ground", "Crags", "Sandy Sunken Pit", "Compound",
     "High Dirt", "High Sand Dunes", "High Crags", "High Sandy Sunken Pit", "High Compound"},
    {"Ice", "Snow", "Moguls", "Dirt", "Rocky Snow", "Grass", "Water", "Outpost", "High Snow", "High Dirt",
     "High Grass", "High Water", "High Outpost"},
    {"Water", "Dirt", "Mud", "Crushed Rock", "Crevices", "Flagstones", "Sunken Ground", "Basilica",
     "High Dirt", "High Crushed Rock", "High Flagstones", "High Sunken Ground", "High Basilica"},
}};

// Ash world's Shale is group 10: group 6 is the terrain a cliff above Dirt ("High Dirt"),
// and Shale sits on Dirt as High Shale (12) sits on group 6.
const std::array<std::array<int, kTerrainTypesPerTileset>, kTilesetCount> TerrainTypeGroups = {{
    {2, 20, 4, 6, 8, 10, 18, 16, 12},
    {2, 14, 18, 4, 16, 6, 12, 8, 10, 20},
    {2, 6, 8, 4, 10, 14, 12},
    {14, 2, 4, 10, 16, 6, 8, 12},
    {6, 2, 26, 8, 10, 14, 12, 16, 4, 18, 20, 22, 24},
    {6, 2, 26, 8, 10, 14, 12, 16, 4, 18, 20, 22, 24},
    {6, 2, 26, 8, 10, 14, 12, 16, 4, 18, 20, 22, 24},
    {6, 2, 26, 8, 10, 14, 12, 16, 4, 18, 20, 22, 24},
}};

int TilesetFromText(std::string_view text) {
    if (!text.empty() && text.size() <= 2 && std::isdigit(static_cast<unsigned char>(text[0]))) {
        int n = 0;
        for (char c : text) {
            if (!std::isdigit(static_cast<unsigned char>(c))) {
                return -1;
            }
            n = n * 10 + (c - '0');
        }
        return n < kTilesetCount ? n : -1;
    }
    for (int i = 0; i < kTilesetCount; ++i) {
        const std::string_view stem = TilesetStems[static_cast<std::size_t>(i)];
        if (stem.size() == text.size() &&
            std::equal(stem.begin(), stem.end(), text.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) ==
                       std::tolower(static_cast<unsigned char>(b));
            })) {
            return i;
        }
    }
    return -1;
}

} // namespace orv
