#pragma once

// The isometric ("Normal") terrain brush of one map. The model is a grid of corner points,
// one terrain at each; the diamonds between them and the tile pairs of the map follow from
// the corners (see TerrainRules.h).
//
// A grid point (X, Y) sits at map pixel (64 X, 32 Y). Corners are the points with X + Y odd,
// -1 <= X <= P + 1 and -1 <= Y <= H + 1, P = W / 2 cell pairs a row (an odd width's last tile
// counts as a pair); diamonds are centred on the points with X + Y even and touch the four
// 64 x 32 cells (tile pairs) around their centre. Tiles depend on the diamonds with
// 0 <= X <= P and 0 <= Y <= H only.
//
// Painting sets the corners of the brush to one terrain and relaxes the corners around them
// along the terrain tree, one link per diamond step, so that every diamond keeps at most two
// linked terrains. A terrain sitting at the foot of a cliff and also joined to other terrains
// by links whose tiles cannot meet the cliff foot directly is held as two nodes ("cliff side"
// and "other side", one link apart) that draw alike: the relaxation then keeps a band of that
// terrain between the two kinds of edge. The tiles of every cell next to a changed
// diamond are recomputed; the rest of the map keeps its tiles.
//
// No widgets and no scenario record: the caller hands in the map's tile grid and applies the
// writes returned (so that it can record them for undo).

#include "terrain/CIsomMap.h"
#include "terrain/TerrainRules.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <vector>

namespace orv {

class CIsoTerrain {
public:
    // The tile grid a map keeps: CIsoMap::kSide cells a column, column after column.
    using TileGrid = std::span<const std::uint16_t>;
    static constexpr int kGridSide = CIsoMap::kSide;

    struct TileWrite {
        int column = 0, row = 0;
        std::uint16_t value = 0;    // the new tile
        std::uint16_t previous = 0; // the tile the grid held
    };
    struct CornerChange {
        int x = 0, y = 0;
        int before = 0, after = 0; // nodes
    };
    struct IsomWrite {
        int column = 0, row = 0;
        CIsoMap::Entry before{}, after{};
    };
    // Tiles: columns [left, right), rows [top, bottom); empty when left == right.
    struct Rect {
        int left = 0, top = 0, right = 0, bottom = 0;
    };
    struct Cell {
        int column = 0, row = 0; // the left tile of the pair
    };
    struct PaintResult {
        std::vector<TileWrite> tiles;
        Rect rect;
        std::vector<CornerChange> corners;
        std::vector<IsomWrite> isom;
        // Cells that found no pair for their edges (they keep their tiles), and cells whose
        // pieces could not continue the column above (they take the first pair that fits).
        std::vector<Cell> noCandidate;
        std::vector<Cell> brokenChain;
        // The ISOM store was not written because a type involved has no number.
        bool isomStale = false;
    };

    // The rules and the tileset must outlive the brush; the tileset number picks the ISOM
    // numbers. Every corner starts as the tileset's first plain terrain.
    CIsoTerrain(const CTerrainRules& rules, const CStarcraftTileset& tileset, int tilesetNumber, int width,
                int height);

    // Whether the tileset's links join its terrains into one tree: without that there is no
    // isometric brush.
    bool Available() const { return m_available; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }

    // The terrains the brush paints, by plain group (the even group of the plain pair).
    std::vector<int> Terrains() const;

    // Every corner holds `plainGroup` (a new map). False for a terrain the brush does not know.
    bool Fill(int plainGroup);
    // The corners from the map's ISOM when it is there and every type in it has a number,
    // else from its tiles.
    enum class Source { Isom, Tiles, None };
    Source Load(const CIsoMap* isom, TileGrid tiles);
    // The corners from ISOM alone; false (corners untouched) when it cannot be read.
    bool LoadFromIsom(const CIsoMap& isom);
    // The corners from the tiles alone: per diamond the shapes whose spokes fit the edge codes
    // of its cells, narrowed through the corners they share; corners left open take a value
    // that fits their neighbours.
    void LoadFromTiles(TileGrid tiles);

    // Paints `plainGroup` with an n x n diamond brush (n = 1, 3, 5, 7, 9) centred on the
    // diamond nearest to map pixel (px, py). Writes ISOM (when given) if every type involved
    // has a number.
    PaintResult Paint(int plainGroup, int px, int py, int n, TileGrid tiles, CIsoMap* isom = nullptr);

    // Corners by grid point: the node (see NodeTerrain), -1 outside the grid or off a corner.
    bool IsCorner(int x, int y) const;
    int Corner(int x, int y) const;
    void SetCorner(int x, int y, int node);
    // The plain group a node draws as, -1 for no node.
    int NodeTerrain(int node) const;
    int CornerTerrain(int x, int y) const { return NodeTerrain(Corner(x, y)); }
    // The nodes of the terrain tree (a split terrain has two), and the links between two.
    int NodeCount() const;
    int TreeDistance(int a, int b) const;
    // Whether a plain group is held as two nodes.
    bool IsSplit(int plainGroup) const;
    // The diamond nearest to a map pixel (its centre point).
    static void NearestDiamond(int px, int py, int& x, int& y);

    // The ISOM type of diamond (x, y) by the tileset's numbering; nothing for a diamond
    // without a type or a type without a number.
    std::optional<int> IsomType(int x, int y) const;
    bool HasNumbering() const { return !m_plainIds.empty(); }
    // Writes every diamond of the map into `isom`; false (and nothing written) when a type
    // has no number.
    bool WriteIsom(CIsoMap& isom) const;

    // Every cell of the map recomputed from the corners, as a stroke recomputes the cells it
    // touches (pairs that still fit are kept): the writes that make the tiles follow the
    // corners.
    PaintResult RecomputeAll(TileGrid tiles) const;

    // The pairs (even groups) whose edges fit cell (pair column x, row y), in group order.
    std::vector<int> CellCandidates(int x, int y) const;

private:
    struct Node {
        int plain = 0; // index into the rules' plains
        int side = 0;  // 0: the terrain itself or its cliff-foot side; 1: its other side
    };

    int Index(int x, int y) const;
    int NodeOf(int plain, int side) const;
    int NodeCode(int node) const;
    int PlainIndexOfGroup(int group) const;
    int PlainIndexOfCode(int code) const;
    std::optional<CTerrainRules::Diamond> DiamondCorners(int x, int y) const;
    void BuildTree();
    void FindSplits();
    void BuildNumbering(int tilesetNumber);
    // The node of every corner from the terrains (plain indices, one per corner slot).
    void AssignNodes(const std::vector<int>& plains);
    void FillOpenCorners(std::vector<int>& plains) const;
    // The corner changes a paint of `node` would make over the box of corners [u0, u1] x
    // [v0, v1] (rotated coordinates).
    std::vector<CornerChange> Clamp(int node, int u0, int v0, int u1, int v1) const;
    int PickSlot(int group) const;
    // Recomputes the cells (pair column -> rows) top-down, each column going on below a cell
    // that took a new pair.
    void RecomputeCells(const std::map<int, std::set<int>>& cells, TileGrid tiles, PaintResult& result) const;
    bool IsTerrainPair(int group) const;

    const CTerrainRules& m_rules;
    const CStarcraftTileset& m_tileset;
    int m_width = 0, m_height = 0;
    int m_half = 0;                // cell pairs per row
    int m_columns = 0, m_rows = 0; // corner array: X + 1 in [0, m_columns), Y + 1 in [0, m_rows)
    bool m_available = false;
    std::vector<int> m_corners;                // nodes, -1 off the corners
    std::vector<Node> m_nodes;                 // the virtual tree's nodes
    std::vector<std::vector<int>> m_dist;      // tree distance between nodes
    std::vector<std::vector<int>> m_next;      // the first step from a node towards another
    std::vector<std::array<int, 2>> m_ofPlain; // nodes of each plain: side 0, side 1 (or -1)
    std::vector<bool> m_split;                 // per plain
    int m_diameter = 0;
    // ISOM numbering: id per plain (0 unknown), first edge id, per family its link number and
    // the plain index the numbering takes as second terrain.
    std::vector<int> m_plainIds;
    int m_firstEdge = 0;
    std::vector<int> m_familyLink;   // per rules family, -1 unknown
    std::vector<int> m_familyBPlain; // per rules family
};

} // namespace orv
