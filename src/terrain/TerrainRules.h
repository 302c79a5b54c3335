#pragma once

// What a tileset's tile groups say about how its terrains join, derived from the group
// headers alone: the plain terrains and their pairs, one transition family per link (the
// two terrains it joins, its cliff codes), the tree the links form, and the lookup from the
// four edge codes of a 64 x 32 cell to the pairs that fit it.
//
// The isometric model: every corner of the diamond grid holds one terrain; a diamond whose
// corners hold one terrain is a plain diamond, one whose corners hold two linked terrains is
// one of 14 edge shapes of that link. Each diamond gives edge codes to the four cells it
// touches; the cell's pair is the group with exactly those codes.

#include "graphics/CTileset.h"

#include <array>
#include <map>
#include <optional>
#include <vector>

namespace orv {

// The 14 edge shapes of a diamond between two linked terrains: which corners (top, right,
// bottom, left) hold the second terrain.
inline constexpr bool kEdgeShapeCorners[14][4] = {
    {false, true, true, false},  {false, false, true, true},  {true, false, false, true},
    {true, true, false, false},  {false, false, true, false}, {false, false, false, true},
    {true, false, false, false}, {false, true, false, false}, {true, true, true, false},
    {true, false, true, true},   {false, true, true, true},   {true, true, false, true},
    {true, false, true, false},  {false, true, false, true},
};

class CTerrainRules {
public:
    struct Family {
        int type = 0;       // the Type every group of the family carries
        int firstGroup = 0; // even group of its first pair
        int pairs = 0;
        int a = 0, b = 0; // terrain codes; for a cliff, a is the low side
        bool cliff = false;
        std::array<int, 4> cliffCodes{}; // c0..c3 (a's code when the family has no cliff)
        int x = 0, y = 0;                // 56 / 55 when the family has them, else b
    };
    struct Plain {
        int code = 0;
        int group = 0; // even group of its pair
        int type = 0;
    };

    explicit CTerrainRules(const CStarcraftTileset& tileset);

    const std::vector<Plain>& Plains() const { return m_plains; }
    const std::vector<Family>& Families() const { return m_families; }
    // True when the links join every plain terrain into one tree.
    bool IsTree() const { return m_isTree; }

    const Plain* PlainOfCode(int code) const;
    // The family linking two terrain codes (either order), or null.
    const Family* Link(int codeA, int codeB) const;

    // A diamond by its corner terrains (codes), top, right, bottom, left.
    struct Diamond {
        std::array<int, 4> corners; // T, R, B, L
    };
    // The eight spoke codes of a diamond (k = 0..7), or nothing when its corners hold three
    // terrains or two that no link joins.
    std::optional<std::array<int, 8>> Spokes(const Diamond& d) const;
    // The Type of the diamond's family (its plain Type for a plain diamond), or 0.
    int DiamondType(const Diamond& d) const;

    // Even groups whose edges (left, top, right, bottom) are exactly these; when they come
    // from several families, those of the two diamonds' families.
    std::vector<int> PairsFor(const std::array<int, 4>& edges, int typeOne = 0, int typeTwo = 0) const;

    // The edge codes of the cell between two diamonds: `even` for a cell whose column pair
    // index plus row is even (D upper left, E lower right), else D lower left, E upper right.
    static std::array<int, 4> CellEdges(const std::array<int, 8>& d, const std::array<int, 8>& e, bool even);

private:
    std::vector<Plain> m_plains;
    std::vector<Family> m_families;
    std::map<std::array<int, 4>, std::vector<int>> m_byEdges;
    std::map<int, int> m_typeOfGroup;
    bool m_isTree = false;
};

} // namespace orv
