#include "cli/DemoMap.h"

#include "app/MapSave.h"
#include "base/Random.h"
#include "graphics/OrvistadTypes.h"

#include <array>

namespace orv {
namespace {

constexpr int kTileset = 4; // Jungle World: water, dirt, mud, jungle, ruins, temples
constexpr int kWidth = 96;
constexpr int kHeight = 64;

// Names the locations as they are made.

void PaintPatch(TCHK& chk, const CStarcraftTileset& tileset, int group, int left, int top, int width,
                int height) {
    for (int c = left / 2; c < (left + width) / 2 && 2 * c + 1 < chk.Width; ++c) {
        for (int r = top; r < top + height && r < chk.Height; ++r) {
            const int t = tileset.RandomTileInGroup(group * 16);
            chk.Terrain(2 * c, r) = static_cast<std::uint16_t>(t);
            chk.Terrain(2 * c + 1, r) = static_cast<std::uint16_t>(t + 16);
        }
    }
}

bool DoodadFitsAt(const TCHK& chk, const CStarcraftTileset& tileset, int doodad, int column, int row) {
    const DoodadInfoRecord& info = tileset.DoodadInfo(doodad);
    if (info.Width == 0 || info.Height == 0 || column < 0 || row < 0 || column + info.Width > chk.Width ||
        row + info.Height > chk.Height) {
        return false;
    }
    for (int b = 0; b < info.Height; ++b) {
        for (int a = 0; a < info.Width; ++a) {
            const int required = tileset.DoodadPlacement(doodad, a, b);
            if (required != 0 && required != chk.TerrainGrid[TCHK::Cell(column + a, row + b)] / 16) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

void BuildDemoMap(TCHK& chk, TGameData& data) {
    SeedRandom(20261206);
    CStarcraftTileset& tileset = data.Tileset(kTileset);
    const auto& groups = TerrainTypeGroups[kTileset];
    chk.NewMap(groups[1], kTileset, kWidth, kHeight, &tileset); // dirt
    // A band of each other terrain type, and a lake.
    int x = 0;
    for (int type = 2; type < kTerrainTypesPerTileset && x < kWidth; ++type) {
        if (groups[static_cast<std::size_t>(type)] == 0) {
            continue;
        }
        PaintPatch(chk, tileset, groups[static_cast<std::size_t>(type)], x, kHeight - 14, 8, 14);
        x += 8;
    }
    PaintPatch(chk, tileset, groups[0], 56, 6, 16, 10);
    chk.TerrainChanged({0, 0, chk.Width, chk.Height});

    // Doodads on the plain ground, wherever their placement fits.
    int placed = 0;
    for (int doodad = 0; doodad < kDoodadCount && placed < 10; ++doodad) {
        const DoodadInfoRecord& info = tileset.DoodadInfo(doodad);
        const int column = 30 + (placed % 5) * 8, row = 22 + (placed / 5) * 9;
        if (info.Width == 0 || !DoodadFitsAt(chk, tileset, doodad, column, row)) {
            continue;
        }
        chk.AddDoodad((column + info.Width / 2) * 32, (row + info.Height / 2) * 32, doodad);
        ++placed;
    }

    // Units of four owners: a base each, minerals, creep producers for the zerg player.
    auto unit = [&](int type, int owner, int px, int py) {
        if (data.UnitSheet(type)) {
            const int added = chk.AddUnit(px, py, owner, type);
            if (added >= 0 && ((type >= 176 && type <= 178) || type == 188)) {
                // Full fields and geysers, as a new map's resources are.
                chk.Units[static_cast<std::size_t>(added)].Resources = type == 188 ? 5000 : 1500;
            }
        }
    };
    unit(214, 0, 6 * 32, 6 * 32); // start locations
    unit(214, 1, 18 * 32, 26 * 32);
    unit(214, 2, 80 * 32, 40 * 32);
    unit(106, 0, 6 * 32, 10 * 32); // command centre
    for (int i = 0; i < 4; ++i) {
        unit(0, 0, (10 + i) * 32 + 16, 12 * 32 + 16);  // marines
        unit(37, 1, (10 + i) * 32 + 16, 18 * 32 + 16); // zerglings
        unit(65, 2, (74 + i) * 32 + 16, 36 * 32 + 16); // zealots
    }
    unit(131, 1, 18 * 32, 22 * 32); // hatchery
    unit(143, 1, 8 * 32, 22 * 32);  // creep colony
    unit(154, 2, 80 * 32, 44 * 32); // nexus
    for (int i = 0; i < 6; ++i) {
        unit(176 + i % 3, 11, (2 + i * 2) * 32 + 16, 2 * 32 + 16); // minerals, neutral
    }
    unit(188, 11, 18 * 32, 4 * 32); // vespene geyser
    unit(58, 3, 40 * 32, 10 * 32);  // a valkyrie of player 4
    chk.RebuildCreep();

    // Fog: player 1 sees the ground around the base.
    for (int c = 0; c < chk.Width; ++c) {
        for (int r = 0; r < chk.Height; ++r) {
            if ((c - 10) * (c - 10) + (r - 10) * (r - 10) < 100) {
                chk.Fog(c, r) &= static_cast<std::uint8_t>(~1u);
            }
        }
    }
}

Status WriteDemoMap(TGameData& data, const std::string& path) {
    SilentPrompter quiet;
    TCHK chk(quiet, &data.UnitsDat);
    BuildDemoMap(chk, data);
    // Named locations of the three kinds (blue, green, red).
    chk.AddLocation(2 * 32, 4 * 32, 16 * 32, 14 * 32, 256, 1, "Player 1 Base");
    const int lake = chk.AddLocation(56 * 32, 6 * 32, 72 * 32, 16 * 32, 256, 1, "Lake");
    const int nest = chk.AddLocation(4 * 32, 16 * 32, 24 * 32, 28 * 32, 256, 1, "Zerg Nest");
    chk.AddLocation(0, (kHeight - 14) * 32, 40 * 32, kHeight * 32, 256, 1, "Ruins");
    if (lake > 0) {
        chk.Locations[static_cast<std::size_t>(lake)].Flags = 0x80;
    }
    if (nest > 0) {
        chk.Locations[static_cast<std::size_t>(nest)].Flags = 0x100;
    }
    auto saved = SaveMap(data.Archives, chk, std::string(), path);
    if (!saved) {
        return MakeError(saved.error());
    }
    return {};
}

} // namespace orv
