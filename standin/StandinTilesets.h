#pragma once

// The eight stand-in tilesets: tile groups laid out like the real files (plain pairs, one
// transition family per link of a terrain tree, creep tiles, doodads, filler up to group
// 3000), with original procedural art in each tileset's own palette.

#include "StandinGameData.h"

#include <array>
#include <string>
#include <vector>

namespace orv::standin {

// The family layouts of the real files: 36 pairs with a cliff, 24 and 14 without; one cliff
// of 44 pairs (the 36 and eight more that meet another cliff); and short runs of eight pairs
// holding only cliff and boundary codes, which carry the Type of a cliff family.
enum class FamilyKind { Cliff36 = 36, Pair24 = 24, Pair14 = 14, Cliff44 = 44, Extra8 = 8 };

inline constexpr bool IsCliff(FamilyKind kind) {
    return kind == FamilyKind::Cliff36 || kind == FamilyKind::Cliff44;
}

// A run of transition pairs at the groups the real files give it: a link of the terrain tree
// by plain groups (for a cliff, `low` is the low side, A), or for an extra run the link of
// the cliff whose codes and Type it carries.
struct LinkPlan {
    int first; // even group of the first pair
    int low;
    int high;
    FamilyKind kind;
};

// Where the game data put what the tilesets refer to.
struct TilesetInputs {
    std::vector<int> doodadNameIds; // stat_txt ids of the doodad group names
    int firstOverlaySprite = 0;     // sprites.dat numbers of the doodad overlays
    int overlayCount = 0;
};

// Every run in file order, extra runs included; and the links of the tree alone.
std::vector<LinkPlan> StandinRuns(int tileset);
std::vector<LinkPlan> StandinLinks(int tileset);
int StandinDoodadCount(int tileset);
const std::vector<std::string>& DoodadGroupNames();
inline constexpr int kOverlaySprites = 24;
inline constexpr int kFirstDoodadGroupUsed = 1024;

// One family's pair layout: edge tokens (A, B, cliff codes, boundary codes) and pieces.
struct FamilyPair {
    std::array<int, 4> edges; // L, T, R, B
    int top;
    int bottom;
};
inline constexpr int kTokenA = -1, kTokenB = -2, kTokenC0 = -10; // c1..c3 follow downwards
const std::vector<FamilyPair>& FamilyLayout(FamilyKind kind);

// Adds the files of all eight tilesets (tileset\<stem>.cv5 ... and dddata.bin).
void GenerateTilesets(const TilesetInputs& inputs, FileSet& files);

// The doodad overlay sheets (unit\standin\doodadNN.grp).
std::vector<std::uint8_t> OverlaySheet(int index);

} // namespace orv::standin
