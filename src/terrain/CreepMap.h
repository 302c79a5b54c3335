#pragma once

// Where creep lies: derived from the creep-producing buildings and the terrain, recomputed
// whenever either changes, never stored in the map. For each tile it says whether the tile
// is fully covered (and by which creep tile) or lies on the border (and which frame of the
// tileset's creep sheet to draw).

#include <array>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace orv {

// The 45 border patterns, in the order they are tested: the masks of the neighbours NW, N,
// NE, W, E, SW, S, SE (1 no creep, 2 border, 4 full creep; 3 = not full, 7 = any), then the
// border frame. The creep sheet of a tileset has one frame per result.
const std::array<std::array<std::uint8_t, 9>, 45>& CreepBorderPatterns();

class TCreepMap {
public:
    enum State : std::uint8_t { None = 1, Border = 2, Full = 4 };

    TCreepMap();

    void SetSize(int width, int height);
    // Every cell, the guard ring around the map included, back to no creep.
    void ClearCreep();
    // Covers one tile with full creep (a random variant) and re-evaluates its neighbours.
    void AddCreep(int column, int row);

    // Clears, then spreads creep around each producer tile over the ellipse that reaches 10
    // tiles sideways and 6 up and down, on tiles whose group flags' low byte is below 16.
    void Rebuild(const std::vector<std::pair<int, int>>& producerTiles,
                 const std::function<int(int column, int row)>& groupFlagsLowByte);

    bool HasFullCreep(int column, int row) const { return At(column, row).state == Full; }
    bool HasCreepBorder(int column, int row) const { return At(column, row).state == Border; }
    // A tile value of tile group 1 (the full-creep tiles).
    int FullCreepTile(int column, int row) const { return static_cast<int>(At(column, row).value) + 16; }
    int CreepBorderFrame(int column, int row) const { return At(column, row).frame; }

private:
    struct Cell {
        std::uint8_t state = None;
        std::uint8_t frame = 0;
        std::uint32_t value = 0;
    };
    static constexpr int kSide = 258; // columns and rows -1 to 256

    Cell& At(int column, int row);
    const Cell& At(int column, int row) const;
    void Reevaluate(int column, int row);

    int m_width = 0;
    int m_height = 0;
    std::vector<Cell> m_cells;
};

} // namespace orv
