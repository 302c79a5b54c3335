// The stand-in tilesets keep their promises, read through the same code as real tilesets.

#include "StandinTilesets.h"
#include "app/GameData.h"
#include "graphics/OrvistadTypes.h"
#include "support/RecordingPrompter.h"
#include "terrain/TerrainRules.h"

#include <gtest/gtest.h>
#include <map>
#include <set>

namespace orv {
namespace {

class StandinTilesets : public ::testing::TestWithParam<int> {
protected:
    static void SetUpTestSuite() {
        prompter = new test::RecordingPrompter;
        data = new TGameData(*prompter);
        StartupOptions options;
        options.standinOnly = true;
        options.programDir = options.configDir = std::filesystem::temp_directory_path() / "orvistad-none";
        data->Load(options);
    }
    static void TearDownTestSuite() {
        delete data;
        delete prompter;
    }
    const CStarcraftTileset& Tileset() { return data->Tileset(GetParam()); }
    static inline test::RecordingPrompter* prompter = nullptr;
    static inline TGameData* data = nullptr;
};

TEST_P(StandinTilesets, EveryTerrainTypeHasSixteenDrawableVariants) {
    const auto& groups = TerrainTypeGroups[static_cast<std::size_t>(GetParam())];
    for (int group : groups) {
        if (group == 0) {
            continue;
        }
        for (int side = 0; side < 2; ++side) {
            for (int slot = 0; slot < 16; ++slot) {
                EXPECT_TRUE(Tileset().TileHasGraphics((group + side) * 16 + slot))
                    << "group " << group + side;
            }
            EXPECT_GE(Tileset().Header(group + side).Type, 2);
        }
        // Left and right tiles differ, and so do the variants.
        EXPECT_NE(Tileset().MegatileIndex(group, 0), Tileset().MegatileIndex(group + 1, 0));
        EXPECT_NE(Tileset().MegatileIndex(group, 0), Tileset().MegatileIndex(group, 5));
    }
}

TEST_P(StandinTilesets, EveryGroupDrawsAndCreepLivesInGroupOne) {
    for (int g = 0; g < kTileGroupCount; ++g) {
        bool drawable = false;
        for (int slot = 0; slot < 16 && !drawable; ++slot) {
            drawable = Tileset().TileHasGraphics(g * 16 + slot);
        }
        EXPECT_TRUE(drawable) << "group " << g;
    }
    for (int slot = 0; slot < 16; ++slot) {
        EXPECT_EQ(Tileset().TileHasGraphics(16 + slot), slot < 13) << slot;
    }
    EXPECT_EQ(Tileset().CreepSheet().FrameCount(), 37);
}

TEST_P(StandinTilesets, TheLinksFormATreeOfCompleteFamilies) {
    const CTerrainRules rules(Tileset());
    const auto links = standin::StandinLinks(GetParam());
    EXPECT_TRUE(rules.IsTree());
    ASSERT_EQ(rules.Families().size(), links.size());
    int cliffs = 0, pairs24 = 0, pairs14 = 0;
    for (std::size_t i = 0; i < links.size(); ++i) {
        const CTerrainRules::Family& f = rules.Families()[i];
        EXPECT_EQ(f.pairs, static_cast<int>(links[i].kind));
        EXPECT_EQ(f.a, links[i].low / 2);
        EXPECT_EQ(f.b, links[i].high / 2);
        EXPECT_EQ(f.cliff, links[i].kind == standin::FamilyKind::Cliff36);
        if (f.cliff) {
            EXPECT_EQ(std::set<int>(f.cliffCodes.begin(), f.cliffCodes.end()).size(), 4u);
        }
        cliffs += f.cliff;
        pairs24 += f.pairs == 24;
        pairs14 += f.pairs == 14;
        for (int p = 0; p < f.pairs; ++p) {
            const int g = f.firstGroup + 2 * p;
            EXPECT_EQ(Tileset().Header(g).Type, Tileset().Header(g + 1).Type);
            EXPECT_EQ(Tileset().Header(g).EdgeLeft, Tileset().Header(g + 1).EdgeLeft);
            EXPECT_TRUE(Tileset().TileHasGraphics(g * 16)) << g;
        }
    }
    EXPECT_GE(cliffs, 2);
    EXPECT_GE(pairs24, 1);
    EXPECT_GE(pairs14, 1);
}

// Every pair of diamonds that the terrain tree allows to meet in a cell has a pair that
// fits it. Terrains at the foot of a cliff that also have other links are split in two
// (the cliff side and the rest), so a cliff foot never meets another link's edge directly.
TEST_P(StandinTilesets, EveryCellTheTreeAllowsHasATile) {
    const CTerrainRules rules(Tileset());
    // Virtual nodes: (terrain code, side); side 1 exists for split terrains.
    std::map<int, bool> split;
    for (const auto& plain : rules.Plains()) {
        bool cliffFoot = false, other = false;
        for (const auto& f : rules.Families()) {
            if (f.cliff && f.a == plain.code) {
                cliffFoot = true;
            } else if (f.a == plain.code || f.b == plain.code) {
                other = true;
            }
        }
        split[plain.code] = cliffFoot && other;
    }
    std::vector<std::pair<int, int>> nodes; // (code, side)
    for (const auto& plain : rules.Plains()) {
        nodes.push_back({plain.code, 0});
        if (split[plain.code]) {
            nodes.push_back({plain.code, 1});
        }
    }
    auto nodeOf = [&](int code, bool cliffFootSide) {
        const int side = split[code] && !cliffFootSide ? 1 : 0;
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            if (nodes[i] == std::pair{code, side})
                return static_cast<int>(i);
        }
        return -1;
    };
    std::set<std::pair<int, int>> edges;
    for (const auto& f : rules.Families()) {
        const int u = nodeOf(f.a, f.cliff), v = nodeOf(f.b, false);
        edges.insert({std::min(u, v), std::max(u, v)});
    }
    for (std::size_t i = 0; i + 1 < nodes.size(); ++i) {
        if (nodes[i].first == nodes[i + 1].first) {
            edges.insert({static_cast<int>(i), static_cast<int>(i + 1)});
        }
    }
    // Every diamond: one node, or two adjacent nodes in each of the 14 shapes.
    std::vector<std::array<int, 4>> diamonds;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const int n = static_cast<int>(i);
        diamonds.push_back({n, n, n, n});
    }
    for (const auto& [u, v] : edges) {
        for (int mask = 1; mask < 15; ++mask) {
            std::array<int, 4> d{};
            for (int c = 0; c < 4; ++c)
                d[static_cast<std::size_t>(c)] = (mask >> c) & 1 ? v : u;
            diamonds.push_back(d);
        }
    }
    auto terrain = [&](const std::array<int, 4>& d) {
        CTerrainRules::Diamond out{};
        for (int c = 0; c < 4; ++c)
            out.corners[static_cast<std::size_t>(c)] =
                nodes[static_cast<std::size_t>(d[static_cast<std::size_t>(c)])].first;
        return out;
    };
    int checked = 0, missing = 0;
    for (const auto& d : diamonds) {
        const auto ds = rules.Spokes(terrain(d));
        ASSERT_TRUE(ds.has_value()) << "a diamond without a type";
        for (const auto& e : diamonds) {
            const auto es = rules.Spokes(terrain(e));
            for (bool even : {true, false}) {
                // T, R, B, L = 0, 1, 2, 3
                const bool meet = even ? (d[1] == e[0] && d[2] == e[3]) : (d[0] == e[3] && d[1] == e[2]);
                if (!meet)
                    continue;
                ++checked;
                const auto cell = CTerrainRules::CellEdges(*ds, *es, even);
                if (rules.PairsFor(cell, rules.DiamondType(terrain(d)), rules.DiamondType(terrain(e)))
                        .empty()) {
                    if (++missing <= 5) {
                        ADD_FAILURE() << "no pair for edges " << cell[0] << "," << cell[1] << "," << cell[2]
                                      << "," << cell[3] << (even ? " (even cell)" : " (odd cell)");
                    }
                }
            }
        }
    }
    EXPECT_GT(checked, 1000);
    EXPECT_EQ(missing, 0);
}

TEST_P(StandinTilesets, DoodadsStandOnGroundThatExists) {
    const int count = standin::StandinDoodadCount(GetParam());
    EXPECT_GE(count, 30);
    EXPECT_LE(count, 60);
    std::set<int> terrainGroups;
    for (int g : TerrainTypeGroups[static_cast<std::size_t>(GetParam())]) {
        if (g) {
            terrainGroups.insert(g);
            terrainGroups.insert(g + 1);
        }
    }
    int withOverlay = 0;
    std::map<std::string, std::set<int>> namesById;
    for (int d = 1; d <= count; ++d) {
        const DoodadInfoRecord& info = Tileset().DoodadInfo(d);
        ASSERT_GE(info.Width, 1) << d;
        ASSERT_LE(info.Width, 8) << d;
        ASSERT_GE(info.Height, 1) << d;
        ASSERT_LE(info.Height, 4) << d;
        EXPECT_GE(info.FirstGroup, kFirstDoodadGroup);
        EXPECT_GE(info.GroupFlags, 16) << "doodad ground is unbuildable";
        for (int r = 0; r < info.Height; ++r) {
            for (int c = 0; c < info.Width; ++c) {
                EXPECT_TRUE(terrainGroups.count(Tileset().DoodadPlacement(d, c, r))) << "doodad " << d;
                EXPECT_TRUE(Tileset().TileHasGraphics((info.FirstGroup + r) * 16 + c));
            }
        }
        ASSERT_GE(info.NameString, 1);
        ASSERT_LE(info.NameString, data->StatTxt.size());
        namesById[data->StatTxt[info.NameString - 1].c_str()].insert(info.NameString);
        if (info.SheetIndex != 0) {
            ++withOverlay;
            ASSERT_LT(info.SheetIndex, data->GrpSheets.size());
            ASSERT_TRUE(data->GrpSheets[info.SheetIndex] && data->GrpSheets[info.SheetIndex]->HasData());
        }
    }
    EXPECT_NEAR(withOverlay, count / 2, 2);
    // Several doodads per name, and one name under two string numbers.
    EXPECT_LT(namesById.size(), static_cast<std::size_t>(count));
    EXPECT_TRUE(
        std::any_of(namesById.begin(), namesById.end(), [](const auto& e) { return e.second.size() == 2; }));
    EXPECT_EQ(Tileset().DoodadInfo(count + 1).Width, 0) << "filler groups define no doodad";
}

TEST_P(StandinTilesets, WaterCliffsAndDoodadsAreNotBuildableOrWalkable) {
    const CTerrainRules rules(Tileset());
    for (const auto& f : rules.Families()) {
        if (!f.cliff)
            continue;
        for (int p = 0; p < f.pairs; ++p) {
            const TileGroupHeader& h = Tileset().Header(f.firstGroup + 2 * p);
            const int e[4] = {h.EdgeLeft, h.EdgeTop, h.EdgeRight, h.EdgeBottom};
            if (std::any_of(std::begin(e), std::end(e), [&](int c) {
                    return std::find(f.cliffCodes.begin(), f.cliffCodes.end(), c) != f.cliffCodes.end();
                })) {
                EXPECT_GE(h.Flags & 0xFF, 16);
                EXPECT_EQ(Tileset().Graphics((f.firstGroup + 2 * p) * 16).Flags[5] & 1, 0)
                    << "a cliff face is walkable";
            }
        }
    }
    const auto& names = TerrainTypeNames[static_cast<std::size_t>(GetParam())];
    const auto& groups = TerrainTypeGroups[static_cast<std::size_t>(GetParam())];
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == "Water") {
            EXPECT_GE(Tileset().Header(groups[i]).Flags & 0xFF, 16);
            EXPECT_EQ(Tileset().Graphics(groups[i] * 16).Flags[0] & 1, 0);
        }
        if (names[i] == "Dirt") {
            EXPECT_LT(Tileset().Header(groups[i]).Flags & 0xFF, 16);
            EXPECT_EQ(Tileset().Graphics(groups[i] * 16).Flags[0] & 1, 1);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllEight, StandinTilesets, ::testing::Range(0, 8), [](const auto& param) {
    return std::string(TilesetStems[static_cast<std::size_t>(param.param)]);
});

} // namespace
} // namespace orv
