// The stand-in tilesets keep their promises, read through the same code as real tilesets.

#include "StandinTilesets.h"
#include "app/GameData.h"
#include "graphics/OrvistadTypes.h"
#include "graphics/TGRP.h"
#include "support/RecordingPrompter.h"
#include "terrain/TerrainRules.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <tuple>

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
        EXPECT_EQ(f.firstGroup, links[i].first);
        EXPECT_EQ(f.a, links[i].low / 2);
        EXPECT_EQ(f.b, links[i].high / 2);
        EXPECT_EQ(f.cliff, standin::IsCliff(links[i].kind));
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
    // Space platform and installation have no 14-pair family.
    EXPECT_GE(pairs14, GetParam() == 1 || GetParam() == 2 ? 0 : 1);
}

// Where the real files keep each transition run: first and last group, pairs, and the plain
// groups of its two terrains (A, the low side of a cliff, then B); 0, 0 for the eight-pair
// runs that hold only cliff and boundary codes.
struct RealRun {
    int first, last, pairs, a, b;
};

const std::vector<RealRun>& RealRuns(int tileset) {
    static const std::vector<RealRun> badlands = {
        {44, 115, 36, 2, 4},    {116, 187, 36, 6, 2},  {188, 235, 24, 2, 8},
        {236, 283, 24, 4, 10},  {284, 311, 14, 2, 12}, {312, 359, 24, 2, 16},
        {360, 431, 36, 16, 18}, {432, 447, 8, 0, 0},   {448, 495, 24, 2, 20}};
    static const std::vector<RealRun> platform = {
        {22, 69, 24, 4, 16},   {70, 117, 24, 8, 10}, {118, 165, 24, 4, 6}, {166, 213, 24, 4, 12},
        {214, 229, 8, 0, 0},   {230, 301, 36, 4, 8}, {302, 389, 44, 2, 4}, {390, 461, 36, 14, 4},
        {462, 533, 36, 4, 20}, {534, 605, 36, 18, 4}};
    static const std::vector<RealRun> installation = {
        {48, 119, 36, 2, 6},   {120, 191, 36, 6, 8},  {192, 239, 24, 2, 4}, {240, 287, 24, 6, 10},
        {288, 335, 24, 2, 14}, {336, 407, 36, 12, 2}, {408, 423, 8, 0, 0},  {424, 439, 8, 0, 0}};
    static const std::vector<RealRun> ash = {
        {48, 119, 36, 14, 2},  {120, 191, 36, 2, 6},  {192, 239, 24, 2, 4}, {240, 287, 24, 6, 8},
        {288, 315, 14, 2, 10}, {328, 355, 14, 6, 12}, {368, 383, 8, 0, 0},  {384, 431, 24, 2, 16}};
    static const std::vector<RealRun> jungle = {
        {36, 107, 36, 2, 4},    {108, 179, 36, 6, 2},  {180, 227, 24, 2, 8},   {228, 275, 24, 4, 18},
        {276, 303, 14, 2, 10},  {304, 331, 14, 8, 14}, {332, 359, 14, 18, 20}, {360, 387, 14, 8, 12},
        {388, 415, 14, 18, 22}, {416, 487, 36, 8, 16}, {488, 559, 36, 18, 24}, {560, 575, 8, 0, 0},
        {576, 623, 24, 2, 26}};
    switch (tileset) {
    case 0:
        return badlands;
    case 1:
        return platform;
    case 2:
        return installation;
    case 3:
        return ash;
    default:
        return jungle;
    }
}

// The pair layouts of the real families, in file order: (left, top, right, bottom) by token,
// then TopPiece and BottomPiece. The 14-pair layout is the first twelve of the 24 and two
// boundary pairs.
constexpr int A = -1, B = -2, C0 = -3, C1 = -4, C2 = -5, C3 = -6;
struct LayoutPair {
    std::array<int, 4> edges;
    int top, bottom;
};
const std::vector<LayoutPair> kRealCliff = {
    {{51, 51, B, B}, 1, 0},   {{A, A, 51, 51}, 0, 1},   {{B, 49, 49, B}, 1, 0},   {{49, A, A, 49}, 0, 1},
    {{50, B, B, 50}, 0, 1},   {{C1, 50, 50, C1}, 1, 1}, {{A, C1, C1, A}, 1, 0},   {{B, B, 52, 52}, 0, 1},
    {{52, 52, C0, C0}, 1, 1}, {{C0, C0, A, A}, 1, 0},   {{A, A, 51, 53}, 0, 0},   {{C2, 53, 50, C1}, 0, 2},
    {{A, C1, C1, A}, 2, 0},   {{49, A, A, 54}, 0, 0},   {{52, 54, C3, C0}, 0, 3}, {{C0, C0, A, A}, 3, 0},
    {{56, B, B, 56}, 0, 0},   {{56, 56, B, B}, 0, 0},   {{B, B, 55, 55}, 0, 0},   {{B, 55, 55, B}, 0, 0},
    {{A, C1, 51, 51}, 1, 1},  {{49, C0, A, 49}, 1, 1},  {{A, C1, 51, 51}, 2, 1},  {{49, C0, A, 49}, 3, 1},
    {{A, C1, 51, 53}, 1, 0},  {{49, C0, A, 54}, 1, 0},  {{A, C1, 51, 53}, 2, 0},  {{49, C0, A, 54}, 3, 0},
    {{50, 49, 49, 50}, 1, 1}, {{51, 51, 52, 52}, 1, 1}, {{50, 55, 55, 50}, 0, 1}, {{56, 56, 52, 52}, 0, 1},
    {{51, 51, 55, 55}, 1, 0}, {{56, 49, 49, 56}, 1, 0}, {{56, 55, 55, 56}, 0, 0}, {{56, 56, 55, 55}, 0, 0}};
const std::vector<LayoutPair> kReal24 = {
    {{A, A, 51, 51}, 0, 1},   {{51, 51, B, B}, 1, 0},   {{49, A, A, 49}, 0, 1},   {{B, 49, 49, B}, 1, 0},
    {{B, B, 52, 52}, 0, 1},   {{52, 52, A, A}, 1, 0},   {{50, B, B, 50}, 0, 1},   {{A, 50, 50, A}, 1, 0},
    {{A, A, 51, 53}, 0, 2},   {{A, 53, 50, A}, 2, 0},   {{49, A, A, 54}, 0, 3},   {{52, 54, A, A}, 3, 0},
    {{B, B, 55, 55}, 0, 2},   {{B, 55, 55, B}, 2, 0},   {{56, B, B, 56}, 0, 3},   {{56, 56, B, B}, 3, 0},
    {{51, 51, 52, 52}, 1, 1}, {{50, 49, 49, 50}, 1, 1}, {{51, 51, 55, 55}, 1, 2}, {{56, 49, 49, 56}, 1, 3},
    {{50, 55, 55, 50}, 2, 1}, {{56, 56, 52, 52}, 3, 1}, {{56, 55, 55, 56}, 2, 3}, {{56, 56, 55, 55}, 3, 2}};

bool IsBoundary(int code) {
    return code >= 49 && code <= 56;
}

TEST_P(StandinTilesets, EveryFamilySitsAtTheGroupsOfTheRealFiles) {
    const CStarcraftTileset& ts = Tileset();
    const CTerrainRules rules(ts);
    std::set<int> allCliffCodes;
    for (const auto& f : rules.Families()) {
        if (f.cliff) {
            allCliffCodes.insert(f.cliffCodes.begin(), f.cliffCodes.end());
        }
    }
    std::set<int> familiesSeen;
    for (const RealRun& run : RealRuns(GetParam())) {
        SCOPED_TRACE("run at group " + std::to_string(run.first));
        ASSERT_EQ(run.last + 1 - run.first, 2 * run.pairs);
        // One Type over the whole run, another one on either side of it.
        const int type = ts.Header(run.first).Type;
        EXPECT_GE(type, 2);
        for (int g = run.first; g <= run.last; ++g) {
            EXPECT_EQ(ts.Header(g).Type, type) << g;
        }
        EXPECT_NE(ts.Header(run.first - 1).Type, type);
        EXPECT_NE(ts.Header(run.last + 1).Type, type);
        // Both groups of a pair alike.
        for (int g = run.first; g < run.last; g += 2) {
            const auto& l = ts.Header(g);
            const auto& r = ts.Header(g + 1);
            EXPECT_EQ(std::tie(l.EdgeLeft, l.EdgeTop, l.EdgeRight, l.EdgeBottom, l.EdgeTop2, l.EdgeBottom2),
                      std::tie(r.EdgeLeft, r.EdgeTop, r.EdgeRight, r.EdgeBottom, r.EdgeTop2, r.EdgeBottom2))
                << g;
        }
        if (run.pairs == 8) {
            // An extra run: a cliff family's Type, cliff and boundary codes only.
            const auto host = std::find_if(rules.Families().begin(), rules.Families().end(),
                                           [&](const auto& f) { return f.type == type; });
            ASSERT_NE(host, rules.Families().end());
            EXPECT_TRUE(host->cliff);
            for (int g = run.first; g < run.last; g += 2) {
                const auto& h = ts.Header(g);
                for (int e : {h.EdgeLeft, h.EdgeTop, h.EdgeRight, h.EdgeBottom}) {
                    EXPECT_TRUE(IsBoundary(e) || allCliffCodes.count(e)) << g << ": " << e;
                }
            }
            continue;
        }
        const auto f = std::find_if(rules.Families().begin(), rules.Families().end(),
                                    [&](const auto& fam) { return fam.firstGroup == run.first; });
        ASSERT_NE(f, rules.Families().end());
        familiesSeen.insert(run.first);
        EXPECT_EQ(f->type, type);
        EXPECT_EQ(f->pairs, run.pairs);
        EXPECT_EQ(f->a, ts.Header(run.a).EdgeLeft);
        EXPECT_EQ(f->b, ts.Header(run.b).EdgeLeft);
        EXPECT_EQ(f->cliff, run.pairs == 36 || run.pairs == 44);
        // The pairs in the order of the real layout, with this family's codes.
        const std::vector<LayoutPair> layout =
            run.pairs == 24   ? kReal24
            : run.pairs == 14 ? [] {
                  std::vector<LayoutPair> l(kReal24.begin(), kReal24.begin() + 12);
                  l.push_back({{51, 51, 52, 52}, 1, 1});
                  l.push_back({{50, 49, 49, 50}, 1, 1});
                  return l;
              }()
                              : kRealCliff;
        auto code = [&](int token) {
            switch (token) {
            case A:
                return f->a;
            case B:
                return f->b;
            case C0:
            case C1:
            case C2:
            case C3:
                return f->cliffCodes[static_cast<std::size_t>(C0 - token)];
            default:
                return token;
            }
        };
        for (std::size_t p = 0; p < layout.size(); ++p) {
            const auto& h = ts.Header(run.first + 2 * static_cast<int>(p));
            const auto& want = layout[p];
            EXPECT_EQ((std::array<int, 6>{h.EdgeLeft, h.EdgeTop, h.EdgeRight, h.EdgeBottom, h.EdgeTop2,
                                          h.EdgeBottom2}),
                      (std::array<int, 6>{code(want.edges[0]), code(want.edges[1]), code(want.edges[2]),
                                          code(want.edges[3]), want.top, want.bottom}))
                << "pair " << p;
        }
        // The long cliff's last eight pairs meet another cliff: its codes and boundaries.
        for (int p = static_cast<int>(layout.size()); p < run.pairs; ++p) {
            const auto& h = ts.Header(run.first + 2 * p);
            bool other = false;
            for (int e : {h.EdgeLeft, h.EdgeTop, h.EdgeRight, h.EdgeBottom}) {
                const bool own =
                    std::find(f->cliffCodes.begin(), f->cliffCodes.end(), e) != f->cliffCodes.end();
                EXPECT_TRUE(IsBoundary(e) || (allCliffCodes.count(e) && !own)) << "pair " << p << ": " << e;
                other = other || !IsBoundary(e);
            }
            EXPECT_TRUE(other) << "pair " << p;
        }
    }
    // Every link of the tree is one of the real runs.
    EXPECT_EQ(familiesSeen.size(), rules.Families().size());
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

// Groups the stand-in leaves undefined (the real files' doodads, unused terrain groups) draw
// as one calm texture: a few shades of one muted colour, never a patchwork of colours.
TEST_P(StandinTilesets, UndefinedGroupsDrawAsOneCalmTexture) {
    const CStarcraftTileset& ts = Tileset();
    std::set<std::uint32_t> colours;
    std::vector<std::uint32_t> pixels(32 * 32);
    int tiles = 0;
    // Groups a tile value can name (bit 15 of a value is not part of it).
    for (int g = 2; g < std::min(ts.GroupCount(), 0x8000 / 16); ++g) {
        const TileGroupHeader& h = ts.Header(g);
        if (h.Type != 0 || h.DoodadNumber() != 0) {
            continue;
        }
        for (int slot = g % 4; slot < 16; slot += 5) {
            ts.DrawTile(PixelTarget32{pixels.data(), 32, 32, 32}, g * 16 + slot, 0, 0);
            colours.insert(pixels.begin(), pixels.end());
            ++tiles;
        }
    }
    ASSERT_GT(tiles, 1000);
    EXPECT_LE(colours.size(), 8u);
    double darkest = 1, lightest = 0;
    for (std::uint32_t c : colours) {
        const double ch[3] = {(c & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, ((c >> 16) & 0xFF) / 255.0};
        const double hi = *std::max_element(ch, ch + 3), lo = *std::min_element(ch, ch + 3);
        EXPECT_LE(hi - lo, 0.25) << std::hex << c; // muted
        darkest = std::min(darkest, hi);
        lightest = std::max(lightest, hi);
    }
    EXPECT_LE(lightest - darkest, 0.4);  // low contrast
    EXPECT_GT(lightest - darkest, 0.05); // but a texture, not a flat fill
}

// The mean colour of a plain terrain's tiles (both groups, all variants), channels 0..1.
std::array<double, 3> MeanColour(const CStarcraftTileset& ts, int group) {
    std::vector<std::uint32_t> pixels(32 * 32);
    std::array<double, 3> sum{};
    int n = 0;
    for (int g = group; g < group + 2; ++g) {
        for (int slot = 0; slot < 16; ++slot) {
            ts.DrawTile(PixelTarget32{pixels.data(), 32, 32, 32}, g * 16 + slot, 0, 0);
            for (std::uint32_t c : pixels) {
                for (int ch = 0; ch < 3; ++ch) {
                    sum[static_cast<std::size_t>(ch)] += ((c >> (8 * ch)) & 0xFF) / 255.0;
                }
                ++n;
            }
        }
    }
    for (double& v : sum) {
        v /= n;
    }
    return sum;
}

// Every terrain looks unlike every other of its tileset, and "High X" is lighter than X.
TEST_P(StandinTilesets, TerrainsLookApartAndHigherGroundIsLighter) {
    const auto& groups = TerrainTypeGroups[static_cast<std::size_t>(GetParam())];
    const auto& names = TerrainTypeNames[static_cast<std::size_t>(GetParam())];
    std::map<std::string, std::array<double, 3>> colours;
    auto lower = [](std::string_view text) {
        std::string out(text);
        std::transform(out.begin(), out.end(), out.begin(),
                       [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
        return out;
    };
    for (std::size_t i = 0; i < groups.size(); ++i) {
        if (groups[i] != 0) {
            colours[lower(names[i])] = MeanColour(Tileset(), groups[i]);
        }
    }
    for (auto a = colours.begin(); a != colours.end(); ++a) {
        for (auto b = std::next(a); b != colours.end(); ++b) {
            double apart = 0;
            for (int ch = 0; ch < 3; ++ch) {
                apart = std::max(apart, std::abs(a->second[static_cast<std::size_t>(ch)] -
                                                 b->second[static_cast<std::size_t>(ch)]));
            }
            EXPECT_GT(apart, 0.03) << a->first << " and " << b->first;
        }
    }
    int pairs = 0;
    for (const auto& [name, colour] : colours) {
        if (name.rfind("high ", 0) != 0 || !colours.count(name.substr(5))) {
            continue;
        }
        const auto& low = colours.at(name.substr(5));
        EXPECT_GT(colour[0] + colour[1] + colour[2], low[0] + low[1] + low[2] + 0.12) << name;
        ++pairs;
    }
    EXPECT_GE(pairs, GetParam() == 2 ? 0 : 1);
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
