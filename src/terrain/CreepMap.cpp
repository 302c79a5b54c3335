#include "terrain/CreepMap.h"

#include "base/Random.h"

#include <array>

namespace orv {
namespace {

// Neighbour masks NW, N, NE, W, E, SW, S, SE (1 no creep, 2 border, 4 full; 3 = not full,
// 7 = any), then the border frame. The last matching pattern wins.
constexpr std::array<std::array<std::uint8_t, 9>, 45> kPatterns = {
    {{3, 4, 3, 3, 3, 7, 3, 7, 0},  {4, 4, 3, 3, 3, 7, 3, 7, 1},  {3, 4, 4, 3, 3, 7, 3, 7, 2},
     {4, 4, 4, 3, 3, 7, 3, 7, 3},  {7, 3, 7, 4, 3, 7, 3, 7, 4},  {7, 4, 3, 4, 3, 7, 3, 7, 5},
     {7, 3, 7, 3, 3, 3, 4, 3, 6},  {3, 4, 3, 3, 3, 3, 4, 3, 7},  {4, 4, 3, 4, 3, 3, 4, 3, 8},
     {3, 4, 4, 3, 3, 3, 4, 3, 10}, {7, 3, 7, 3, 3, 4, 4, 3, 11}, {7, 3, 7, 4, 3, 7, 4, 3, 12},
     {3, 4, 3, 3, 3, 4, 4, 3, 13}, {4, 4, 3, 7, 3, 4, 4, 3, 14}, {7, 4, 3, 4, 3, 7, 4, 3, 14},
     {7, 3, 7, 3, 4, 7, 3, 7, 15}, {3, 4, 7, 3, 4, 7, 3, 7, 16}, {7, 3, 7, 3, 3, 3, 4, 4, 17},
     {3, 4, 3, 3, 3, 3, 4, 4, 18}, {7, 3, 7, 3, 4, 3, 4, 7, 19}, {3, 4, 4, 3, 7, 3, 4, 4, 20},
     {3, 4, 7, 3, 4, 3, 4, 7, 20}, {7, 3, 7, 3, 3, 4, 4, 4, 21}, {3, 4, 3, 3, 3, 4, 4, 4, 22},
     {7, 4, 4, 4, 7, 7, 3, 7, 23}, {3, 4, 4, 3, 3, 4, 4, 3, 24}, {4, 4, 4, 7, 3, 4, 4, 3, 25},
     {7, 4, 4, 4, 3, 7, 4, 3, 25}, {4, 4, 7, 3, 4, 7, 3, 7, 26}, {7, 3, 7, 4, 4, 7, 3, 7, 27},
     {7, 4, 7, 4, 4, 7, 3, 7, 28}, {4, 4, 3, 3, 3, 3, 4, 4, 29}, {4, 4, 4, 3, 7, 3, 4, 4, 30},
     {4, 4, 7, 3, 4, 3, 4, 7, 30}, {7, 3, 7, 4, 3, 7, 4, 4, 31}, {4, 4, 3, 7, 3, 4, 4, 4, 32},
     {7, 4, 3, 4, 3, 7, 4, 4, 32}, {7, 3, 7, 3, 4, 4, 4, 7, 33}, {7, 3, 7, 4, 4, 7, 4, 7, 34},
     {3, 4, 4, 3, 7, 4, 4, 4, 35}, {3, 4, 7, 3, 4, 4, 4, 7, 35}, {7, 4, 7, 4, 4, 7, 4, 7, 36},
     {4, 4, 7, 7, 4, 4, 4, 7, 36}, {7, 4, 4, 4, 7, 7, 4, 4, 36}, {4, 4, 4, 7, 7, 4, 4, 4, 36}}};

constexpr int kNeighbours[8][2] = {{-1, -1}, {0, -1}, {1, -1}, {-1, 0}, {1, 0}, {-1, 1}, {0, 1}, {1, 1}};

} // namespace

const std::array<std::array<std::uint8_t, 9>, 45>& CreepBorderPatterns() {
    return kPatterns;
}

TCreepMap::TCreepMap() : m_cells(static_cast<std::size_t>(kSide * kSide)) {}

void TCreepMap::SetSize(int width, int height) {
    m_width = width;
    m_height = height;
}

TCreepMap::Cell& TCreepMap::At(int column, int row) {
    static Cell outside;
    if (column < -1 || row < -1 || column > 256 || row > 256) {
        outside = Cell{};
        return outside;
    }
    return m_cells[static_cast<std::size_t>((column + 1) * kSide + row + 1)];
}

const TCreepMap::Cell& TCreepMap::At(int column, int row) const {
    static const Cell outside;
    if (column < -1 || row < -1 || column > 256 || row > 256) {
        return outside;
    }
    return m_cells[static_cast<std::size_t>((column + 1) * kSide + row + 1)];
}

void TCreepMap::ClearCreep() {
    std::fill(m_cells.begin(), m_cells.end(), Cell{});
}

void TCreepMap::AddCreep(int column, int row) {
    if (column < 0 || row < 0 || column >= m_width || row >= m_height) {
        return;
    }
    const int k = 1 + RandomBelow(100);
    const int variant = k < 90 ? RandomBelow(6) : 6 + RandomBelow(7);
    Cell& cell = At(column, row);
    cell.state = Full;
    cell.frame = 0;
    cell.value = static_cast<std::uint32_t>(variant);
    // NW, N, NE, E, SE, S, SW, W.
    constexpr int kOrder[8][2] = {{-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}};
    for (const auto& d : kOrder) {
        const int c = column + d[0], r = row + d[1];
        if (c >= 0 && r >= 0 && c <= 255 && r <= 255) {
            Reevaluate(c, r);
        }
    }
}

// The result of the 45 patterns for every combination of the eight neighbours' states
// (3^8 of them), worked out once: a re-evaluation is then eight lookups.
const std::array<std::int8_t, 6561>& PatternResults() {
    static const std::array<std::int8_t, 6561> table = [] {
        std::array<std::int8_t, 6561> t{};
        for (int index = 0; index < 6561; ++index) {
            std::uint8_t states[8];
            for (int d = 0, rest = index; d < 8; ++d, rest /= 3) {
                states[d] = static_cast<std::uint8_t>(1 << (rest % 3));
            }
            int result = -1;
            for (const auto& pattern : kPatterns) {
                bool match = true;
                for (int d = 0; d < 8 && match; ++d) {
                    match = (states[d] & pattern[d]) != 0;
                }
                if (match) {
                    result = pattern[8];
                }
            }
            t[static_cast<std::size_t>(index)] = static_cast<std::int8_t>(result);
        }
        return t;
    }();
    return table;
}

void TCreepMap::Reevaluate(int column, int row) {
    Cell& cell = At(column, row);
    if (cell.state == Full) {
        return;
    }
    int index = 0;
    for (int d = 7; d >= 0; --d) {
        const std::uint8_t state = At(column + kNeighbours[d][0], row + kNeighbours[d][1]).state;
        index = index * 3 + (state == Full ? 2 : state == Border ? 1 : 0);
    }
    const int result = PatternResults()[static_cast<std::size_t>(index)];
    // A cell without creep always takes its border; a border cell that yields its own frame
    // again stays as it is.
    if (result < 0 || (cell.state == Border && static_cast<std::uint32_t>(result) == cell.value)) {
        return;
    }
    cell.state = Border;
    cell.frame = static_cast<std::uint8_t>(result);
    cell.value = static_cast<std::uint32_t>(result);
}

void TCreepMap::Rebuild(const std::vector<std::pair<int, int>>& producerTiles,
                        const std::function<int(int, int)>& groupFlagsLowByte) {
    ClearCreep();
    for (const auto& [tx, ty] : producerTiles) {
        for (int dx = -10; dx <= 10; ++dx) {
            for (int dy = -10; dy <= 10; ++dy) {
                const int c = tx + dx, r = ty + dy;
                if (c < 0 || r < 0 || c >= m_width || r >= m_height) {
                    continue;
                }
                if (dx * dx + 2.25 * dy * dy <= 110 && groupFlagsLowByte(c, r) < 16) {
                    AddCreep(c, r);
                }
            }
        }
    }
}

} // namespace orv
