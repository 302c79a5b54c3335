#include "terrain/IsoTerrain.h"

#include "base/Random.h"

#include <algorithm>
#include <deque>
#include <map>
#include <set>
#include <utility>

namespace orv {
namespace {

int ShapeOf(const std::array<bool, 4>& holdsB) {
    for (int j = 0; j < 14; ++j) {
        if (std::equal(holdsB.begin(), holdsB.end(), std::begin(kEdgeShapeCorners[j]))) {
            return j;
        }
    }
    return -1;
}

// The ISOM numbers the game's files use: per plain group its id, the first edge id, and the
// links in number order by the plain groups of their first and second terrain.
struct Numbering {
    std::vector<std::pair<int, int>> plainIds; // (plain group, id)
    int firstEdge;
    std::vector<std::pair<int, int>> links; // (group of A, group of B), index = link number
};

const Numbering* NumberingOf(int tileset) {
    // Jungle, desert, ice and twilight share their groups. Plain ids by group: dirt 2, high
    // dirt 4, water 6, jungle 8, rocky ground 10, raised jungle 12, ruins 14, temple 16, high
    // jungle 18, high ruins 20, high raised jungle 22, high temple 24, mud 26.
    // clang-format off
    static const Numbering jungle = {
        {{2, 1}, {4, 2}, {6, 3}, {8, 4}, {12, 5}, {10, 6}, {14, 7}, {16, 8}, {18, 9}, {20, 10}, {22, 11},
         {24, 12}, {26, 13}},
        17,
        {{2, 4}, {6, 2}, {2, 8}, {2, 10}, {8, 12}, {8, 14}, {8, 16}, {4, 18}, {18, 20}, {18, 22}, {18, 24},
         {2, 26}},
    };
    // clang-format on
    static const Numbering badlands = {
        {{2, 1}, {4, 2}, {6, 3}, {8, 4}, {16, 5}, {12, 6}, {10, 7}, {18, 8}, {20, 9}},
        13,
        {{2, 4}, {6, 2}, {2, 8}, {2, 12}, {4, 10}, {2, 16}, {16, 18}, {2, 20}},
    };
    // Rusty pit (18) and elevated catwalk (20) have no known plain number; the links that
    // reach them do.
    static const Numbering platform = {
        {{2, 1}, {4, 2}, {8, 4}, {12, 8}, {14, 9}, {6, 11}, {10, 12}, {16, 14}},
        24,
        {{2, 4}, {4, 8}, {4, 12}, {14, 4}, {18, 4}, {4, 6}, {8, 10}, {4, 20}, {4, 16}},
    };
    switch (tileset) {
    case 0:
        return &badlands;
    case 1:
        return &platform;
    case 4:
    case 5:
    case 6:
    case 7:
        return &jungle;
    default:
        return nullptr;
    }
}

int FloorDiv(int a, int b) {
    int q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) {
        --q;
    }
    return q;
}

std::uint16_t EntryValue(const CIsoMap::Entry& e, int side) {
    const auto at = static_cast<std::size_t>(2 * side);
    return static_cast<std::uint16_t>(e[at] | (e[at + 1] << 8));
}

void SetEntryValue(CIsoMap::Entry& e, int side, int value) {
    const auto at = static_cast<std::size_t>(2 * side);
    e[at] = static_cast<std::uint8_t>(value & 0xFF);
    e[at + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

// Where the eight spokes of diamond (x, y) sit in the ISOM store: rectangle offset from the
// diamond's centre and the side (0 left, 1 top, 2 right, 3 bottom) per k.
struct SpokePlace {
    int dx, dy, side;
};
constexpr SpokePlace kSpokePlaces[8] = {
    {-1, -1, 2}, {-1, -1, 3}, {0, -1, 0}, {0, -1, 3}, {0, 0, 0}, {0, 0, 1}, {-1, 0, 1}, {-1, 0, 2},
};

} // namespace

CIsoTerrain::CIsoTerrain(const CTerrainRules& rules, const CStarcraftTileset& tileset, int tilesetNumber,
                         int width, int height)
    : m_rules(rules), m_tileset(tileset), m_width(std::clamp(width, 0, kGridSide - 1)),
      m_height(std::clamp(height, 0, kGridSide - 1)) {
    m_half = (m_width + 1) / 2;
    m_columns = m_half + 3;
    m_rows = m_height + 3;
    m_corners.assign(static_cast<std::size_t>(m_columns * m_rows), -1);
    m_available = m_rules.IsTree() && !m_rules.Plains().empty();
    FindSplits();
    BuildTree();
    BuildNumbering(tilesetNumber);
    if (!m_rules.Plains().empty()) {
        Fill(m_rules.Plains().front().group);
    }
}

// ---- the terrain tree -------------------------------------------------------------------

int CIsoTerrain::PlainIndexOfCode(int code) const {
    const auto& plains = m_rules.Plains();
    for (std::size_t i = 0; i < plains.size(); ++i) {
        if (plains[i].code == code) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int CIsoTerrain::PlainIndexOfGroup(int group) const {
    const auto& plains = m_rules.Plains();
    for (std::size_t i = 0; i < plains.size(); ++i) {
        if (plains[i].group == group) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void CIsoTerrain::FindSplits() {
    const auto& plains = m_rules.Plains();
    const auto& families = m_rules.Families();
    m_split.assign(plains.size(), false);
    // Terrains at a cliff's foot that have other links too: only these can need a split.
    std::vector<bool> candidate(plains.size(), false);
    bool any = false;
    for (std::size_t p = 0; p < plains.size(); ++p) {
        bool foot = false, other = false;
        for (const auto& f : families) {
            if (f.cliff && f.a == plains[p].code) {
                foot = true;
            } else if (f.a == plains[p].code || f.b == plains[p].code) {
                other = true;
            }
        }
        candidate[p] = foot && other;
        any = any || candidate[p];
    }
    if (!any) {
        return;
    }
    // Every edge diamond of every link, by corner codes (T, R, B, L), against every other one
    // it can meet in a cell: where no pair fits a cliff-foot edge meeting another link's edge
    // at the foot terrain, that terrain is split.
    struct Shape {
        std::size_t family;
        std::array<int, 4> corners;
        std::array<int, 8> spokes;
        int type;
    };
    std::vector<Shape> shapes;
    for (std::size_t fi = 0; fi < families.size(); ++fi) {
        const auto& f = families[fi];
        for (const auto& holdsB : kEdgeShapeCorners) {
            CTerrainRules::Diamond d{};
            for (std::size_t c = 0; c < 4; ++c) {
                d.corners[c] = holdsB[c] ? f.b : f.a;
            }
            const auto spokes = m_rules.Spokes(d);
            if (spokes) {
                shapes.push_back({fi, d.corners, *spokes, f.type});
            }
        }
    }
    for (const Shape& d : shapes) {
        for (const Shape& e : shapes) {
            if (d.family == e.family) {
                continue;
            }
            const auto& fd = families[d.family];
            const auto& fe = families[e.family];
            for (bool even : {true, false}) {
                const bool meet = even ? (d.corners[1] == e.corners[0] && d.corners[2] == e.corners[3])
                                       : (d.corners[0] == e.corners[3] && d.corners[1] == e.corners[2]);
                if (!meet) {
                    continue;
                }
                if (!m_rules.PairsFor(CTerrainRules::CellEdges(d.spokes, e.spokes, even), d.type, e.type)
                         .empty()) {
                    continue;
                }
                for (const auto* cliff : {&fd, &fe}) {
                    const auto* other = cliff == &fd ? &fe : &fd;
                    if (!cliff->cliff || (other->a != cliff->a && other->b != cliff->a)) {
                        continue;
                    }
                    if (other->cliff && other->a == cliff->a) {
                        continue; // two cliffs at one foot: both on the cliff side
                    }
                    const int p = PlainIndexOfCode(cliff->a);
                    if (p >= 0 && candidate[static_cast<std::size_t>(p)]) {
                        m_split[static_cast<std::size_t>(p)] = true;
                    }
                }
            }
        }
    }
}

void CIsoTerrain::BuildTree() {
    const auto& plains = m_rules.Plains();
    m_nodes.clear();
    m_ofPlain.assign(plains.size(), {-1, -1});
    for (std::size_t p = 0; p < plains.size(); ++p) {
        m_ofPlain[p][0] = static_cast<int>(m_nodes.size());
        m_nodes.push_back({static_cast<int>(p), 0});
        if (m_split[p]) {
            m_ofPlain[p][1] = static_cast<int>(m_nodes.size());
            m_nodes.push_back({static_cast<int>(p), 1});
        }
    }
    const std::size_t n = m_nodes.size();
    std::vector<std::vector<int>> adjacent(n);
    auto join = [&](int a, int b) {
        if (a >= 0 && b >= 0 && a != b) {
            adjacent[static_cast<std::size_t>(a)].push_back(b);
            adjacent[static_cast<std::size_t>(b)].push_back(a);
        }
    };
    for (std::size_t p = 0; p < plains.size(); ++p) {
        if (m_split[p]) {
            join(m_ofPlain[p][0], m_ofPlain[p][1]);
        }
    }
    for (const auto& f : m_rules.Families()) {
        const int pa = PlainIndexOfCode(f.a), pb = PlainIndexOfCode(f.b);
        if (pa < 0 || pb < 0) {
            continue;
        }
        join(NodeOf(pa, f.cliff ? 0 : 1), NodeOf(pb, 1));
    }
    m_dist.assign(n, std::vector<int>(n, -1));
    m_next.assign(n, std::vector<int>(n, -1));
    m_diameter = 0;
    for (std::size_t s = 0; s < n; ++s) {
        // Breadth first from s; the step towards s from any node is the node it was reached from.
        std::deque<int> queue = {static_cast<int>(s)};
        m_dist[s][s] = 0;
        m_next[s][s] = static_cast<int>(s);
        while (!queue.empty()) {
            const int at = queue.front();
            queue.pop_front();
            for (int to : adjacent[static_cast<std::size_t>(at)]) {
                if (m_dist[s][static_cast<std::size_t>(to)] < 0) {
                    m_dist[s][static_cast<std::size_t>(to)] = m_dist[s][static_cast<std::size_t>(at)] + 1;
                    m_next[static_cast<std::size_t>(to)][s] = at;
                    m_diameter = std::max(m_diameter, m_dist[s][static_cast<std::size_t>(to)]);
                    queue.push_back(to);
                }
            }
        }
    }
    for (std::size_t a = 0; a < n; ++a) {
        for (std::size_t b = 0; b < n; ++b) {
            if (m_dist[a][b] < 0) {
                m_available = false; // not one tree
            }
        }
    }
}

int CIsoTerrain::NodeOf(int plain, int side) const {
    if (plain < 0 || static_cast<std::size_t>(plain) >= m_ofPlain.size()) {
        return -1;
    }
    const auto& nodes = m_ofPlain[static_cast<std::size_t>(plain)];
    return nodes[1] >= 0 && side == 1 ? nodes[1] : nodes[0];
}

int CIsoTerrain::NodeTerrain(int node) const {
    if (node < 0 || static_cast<std::size_t>(node) >= m_nodes.size()) {
        return -1;
    }
    return m_rules.Plains()[static_cast<std::size_t>(m_nodes[static_cast<std::size_t>(node)].plain)].group;
}

int CIsoTerrain::NodeCode(int node) const {
    if (node < 0 || static_cast<std::size_t>(node) >= m_nodes.size()) {
        return -1;
    }
    return m_rules.Plains()[static_cast<std::size_t>(m_nodes[static_cast<std::size_t>(node)].plain)].code;
}

bool CIsoTerrain::IsSplit(int plainGroup) const {
    const int p = PlainIndexOfGroup(plainGroup);
    return p >= 0 && m_split[static_cast<std::size_t>(p)];
}

int CIsoTerrain::NodeCount() const {
    return static_cast<int>(m_nodes.size());
}

int CIsoTerrain::TreeDistance(int a, int b) const {
    const int n = NodeCount();
    if (a < 0 || b < 0 || a >= n || b >= n) {
        return -1;
    }
    return m_dist[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)];
}

std::vector<int> CIsoTerrain::Terrains() const {
    std::vector<int> groups;
    if (!m_available) {
        return groups;
    }
    for (const auto& p : m_rules.Plains()) {
        groups.push_back(p.group);
    }
    return groups;
}

void CIsoTerrain::BuildNumbering(int tilesetNumber) {
    const auto& plains = m_rules.Plains();
    const auto& families = m_rules.Families();
    m_plainIds.assign(plains.size(), 0);
    m_familyLink.assign(families.size(), -1);
    m_familyBPlain.assign(families.size(), -1);
    m_firstEdge = 0;
    const Numbering* table = NumberingOf(tilesetNumber);
    if (!table) {
        m_plainIds.clear();
        return;
    }
    m_firstEdge = table->firstEdge;
    for (std::size_t p = 0; p < plains.size(); ++p) {
        for (const auto& [group, id] : table->plainIds) {
            if (group == plains[p].group) {
                m_plainIds[p] = id;
            }
        }
    }
    for (std::size_t fi = 0; fi < families.size(); ++fi) {
        const int pa = PlainIndexOfCode(families[fi].a), pb = PlainIndexOfCode(families[fi].b);
        if (pa < 0 || pb < 0) {
            continue;
        }
        const int ga = plains[static_cast<std::size_t>(pa)].group,
                  gb = plains[static_cast<std::size_t>(pb)].group;
        for (std::size_t link = 0; link < table->links.size(); ++link) {
            const auto [la, lb] = table->links[link];
            if ((la == ga && lb == gb) || (la == gb && lb == ga)) {
                m_familyLink[fi] = static_cast<int>(link);
                m_familyBPlain[fi] = lb == ga ? pa : pb;
            }
        }
    }
}

// ---- corners ----------------------------------------------------------------------------

int CIsoTerrain::Index(int x, int y) const {
    if (x < -1 || y < -1 || x + 1 >= m_columns || y + 1 >= m_rows || (x + y) % 2 == 0) {
        return -1;
    }
    return (x + 1) * m_rows + (y + 1);
}

bool CIsoTerrain::IsCorner(int x, int y) const {
    return Index(x, y) >= 0;
}

int CIsoTerrain::Corner(int x, int y) const {
    const int i = Index(x, y);
    return i < 0 ? -1 : m_corners[static_cast<std::size_t>(i)];
}

void CIsoTerrain::SetCorner(int x, int y, int node) {
    const int i = Index(x, y);
    if (i >= 0 && node >= 0 && node < NodeCount()) {
        m_corners[static_cast<std::size_t>(i)] = node;
    }
}

bool CIsoTerrain::Fill(int plainGroup) {
    const int p = PlainIndexOfGroup(plainGroup);
    if (p < 0) {
        return false;
    }
    std::vector<int> plains(m_corners.size(), p);
    AssignNodes(plains);
    return true;
}

void CIsoTerrain::AssignNodes(const std::vector<int>& plains) {
    // A split terrain takes its cliff side where a corner next to it holds the top of a cliff
    // standing on it, its other side elsewhere.
    const auto& rules = m_rules;
    auto plainAt = [&](int x, int y) {
        const int i = Index(x, y);
        return i < 0 ? -1 : plains[static_cast<std::size_t>(i)];
    };
    for (int x = -1; x + 1 < m_columns; ++x) {
        for (int y = -1; y + 1 < m_rows; ++y) {
            const int i = Index(x, y);
            if (i < 0) {
                continue;
            }
            const int p = plains[static_cast<std::size_t>(i)];
            if (p < 0 || static_cast<std::size_t>(p) >= m_split.size()) {
                m_corners[static_cast<std::size_t>(i)] = NodeOf(0, 0);
                continue;
            }
            int side = 0;
            if (m_split[static_cast<std::size_t>(p)]) {
                side = 1;
                const int code = rules.Plains()[static_cast<std::size_t>(p)].code;
                constexpr int kNear[8][2] = {{1, 1}, {1, -1}, {-1, 1}, {-1, -1},
                                             {2, 0}, {-2, 0}, {0, 2},  {0, -2}};
                for (const auto& d : kNear) {
                    const int q = plainAt(x + d[0], y + d[1]);
                    if (q < 0) {
                        continue;
                    }
                    const auto* f = rules.Link(code, rules.Plains()[static_cast<std::size_t>(q)].code);
                    if (f && f->cliff && f->a == code) {
                        side = 0;
                    }
                }
            }
            m_corners[static_cast<std::size_t>(i)] = NodeOf(p, side);
        }
    }
}

void CIsoTerrain::NearestDiamond(int px, int py, int& x, int& y) {
    // Far beyond any map a point is as good as another, and the arithmetic stays in range.
    constexpr int kFar = 1 << 24;
    px = std::clamp(px, -kFar, kFar);
    py = std::clamp(py, -kFar, kFar);
    const int x0 = FloorDiv(px, 64), y0 = FloorDiv(py, 32);
    int best = -1;
    for (int dx = 0; dx <= 1; ++dx) {
        for (int dy = 0; dy <= 1; ++dy) {
            const int cx = x0 + dx, cy = y0 + dy;
            if ((cx + cy) % 2 != 0) {
                continue;
            }
            // |px - 64 X| / 64 + |py - 32 Y| / 32, times 64.
            const int distance = std::abs(px - 64 * cx) + 2 * std::abs(py - 32 * cy);
            if (best < 0 || distance < best) {
                best = distance;
                x = cx;
                y = cy;
            }
        }
    }
}

std::optional<CTerrainRules::Diamond> CIsoTerrain::DiamondCorners(int x, int y) const {
    const int nodes[4] = {Corner(x, y - 1), Corner(x + 1, y), Corner(x, y + 1), Corner(x - 1, y)};
    CTerrainRules::Diamond d{};
    for (std::size_t c = 0; c < 4; ++c) {
        d.corners[c] = NodeCode(nodes[c]);
        if (d.corners[c] < 0) {
            return std::nullopt;
        }
    }
    return d;
}

// ---- painting ---------------------------------------------------------------------------

std::vector<CIsoTerrain::CornerChange> CIsoTerrain::Clamp(int node, int u0, int v0, int u1, int v1) const {
    std::vector<CornerChange> changes;
    const int reach = m_diameter;
    for (int u = u0 - reach; u <= u1 + reach; ++u) {
        for (int v = v0 - reach; v <= v1 + reach; ++v) {
            const int x = u - v, y = u + v + 1;
            const int old = Corner(x, y);
            if (!IsCorner(x, y)) {
                continue;
            }
            const int du = std::max({0, u0 - u, u - u1}), dv = std::max({0, v0 - v, v - v1});
            const int d = std::max(du, dv);
            int now = old;
            if (d == 0 || old < 0) {
                now = node;
            } else if (TreeDistance(node, old) > d) {
                now = node;
                for (int step = 0; step < d; ++step) {
                    now = m_next[static_cast<std::size_t>(now)][static_cast<std::size_t>(old)];
                }
            }
            if (now != old) {
                changes.push_back({x, y, old, now});
            }
        }
    }
    return changes;
}

bool CIsoTerrain::IsTerrainPair(int group) const {
    return group >= 2 && group % 2 == 0 && group + 1 < kFirstDoodadGroup && m_tileset.Header(group).Type >= 2;
}

int CIsoTerrain::PickSlot(int group) const {
    // Slots of the first unbroken run from slot 0 come ten times as often as later ones.
    std::vector<std::pair<int, int>> slots; // (slot, weight)
    bool run = true;
    int total = 0;
    for (int s = 0; s < 16; ++s) {
        const bool drawable =
            m_tileset.TileHasGraphics(group * 16 + s) && m_tileset.TileHasGraphics((group + 1) * 16 + s);
        if (!drawable) {
            run = false;
            continue;
        }
        const int weight = run ? 10 : 1;
        slots.push_back({s, weight});
        total += weight;
    }
    if (slots.empty()) {
        return 0;
    }
    int pick = RandomBelow(total);
    for (const auto& [slot, weight] : slots) {
        if (pick < weight) {
            return slot;
        }
        pick -= weight;
    }
    return slots.back().first;
}

std::vector<int> CIsoTerrain::CellCandidates(int x, int y) const {
    const bool even = (x + y) % 2 == 0;
    const int dx = x, dy = even ? y : y + 1;
    const int ex = x + 1, ey = even ? y + 1 : y;
    const auto dc = DiamondCorners(dx, dy), ec = DiamondCorners(ex, ey);
    if (!dc || !ec) {
        return {};
    }
    const auto ds = m_rules.Spokes(*dc), es = m_rules.Spokes(*ec);
    if (!ds || !es) {
        return {};
    }
    return m_rules.PairsFor(CTerrainRules::CellEdges(*ds, *es, even), m_rules.DiamondType(*dc),
                            m_rules.DiamondType(*ec));
}

void CIsoTerrain::RecomputeCells(const std::map<int, std::set<int>>& cells, TileGrid tiles,
                                 PaintResult& result) const {
    auto tileAt = [&](int column, int row) -> int {
        const std::size_t i = static_cast<std::size_t>(column) * kGridSide + static_cast<std::size_t>(row);
        return column >= 0 && row >= 0 && column < kGridSide && row < kGridSide && i < tiles.size() ? tiles[i]
                                                                                                    : 0;
    };
    std::map<std::pair<int, int>, int> chosenLeft; // this stroke's left tiles
    auto leftAt = [&](int x, int y) {
        const auto it = chosenLeft.find({x, y});
        return it != chosenLeft.end() ? it->second : tileAt(2 * x, y);
    };
    int left = kGridSide, top = kGridSide, right = -1, bottom = -1;
    auto write = [&](int column, int row, int value) {
        if (column >= m_width || row >= m_height) {
            return;
        }
        const int old = tileAt(column, row);
        if (old == value) {
            return;
        }
        result.tiles.push_back(
            {column, row, static_cast<std::uint16_t>(value), static_cast<std::uint16_t>(old)});
        left = std::min(left, column);
        right = std::max(right, column + 1);
        top = std::min(top, row);
        bottom = std::max(bottom, row + 1);
    };

    // One cell: returns whether the cell below must be looked at again.
    auto recompute = [&](int x, int y) -> bool {
        const std::vector<int> candidates = CellCandidates(x, y);
        if (candidates.empty()) {
            result.noCandidate.push_back({2 * x, y});
            return false;
        }
        const int oldLeft = leftAt(x, y);
        const int oldGroup = oldLeft / 16;
        const int above = y > 0 ? leftAt(x, y - 1) / 16 : -1;
        std::vector<int> fitting;
        if (y > 0 && IsTerrainPair(above)) {
            const int piece = m_tileset.Header(above).BottomPiece();
            for (int g : candidates) {
                if (m_tileset.Header(g).TopPiece() == piece) {
                    fitting.push_back(g);
                }
            }
            if (fitting.empty()) {
                result.brokenChain.push_back({2 * x, y});
            }
        } else {
            for (int g : candidates) {
                if (m_tileset.Header(g).TopPiece() <= 1) {
                    fitting.push_back(g);
                }
            }
        }
        if (fitting.empty()) {
            fitting = candidates;
        }
        const bool keep = std::find(fitting.begin(), fitting.end(), oldGroup) != fitting.end();
        const int group = keep ? oldGroup : fitting.front();
        const int slot = keep ? oldLeft % 16 : PickSlot(group);
        const int value = group * 16 + slot;
        chosenLeft[{x, y}] = value;
        write(2 * x, y, value);
        write(2 * x + 1, y, value + 16);
        return !keep; // a new pair: the cell below looks again
    };
    for (const auto& [x, rows] : cells) {
        int y = *rows.begin();
        while (y < m_height) {
            const bool carry = recompute(x, y);
            if (carry && y + 1 < m_height) {
                ++y;
                continue;
            }
            const auto next = rows.upper_bound(y);
            if (next == rows.end()) {
                break;
            }
            y = *next;
        }
    }
    if (right > left) {
        result.rect = {left, top, right, bottom};
    }
}

CIsoTerrain::PaintResult CIsoTerrain::RecomputeAll(TileGrid tiles) const {
    PaintResult result;
    if (!m_available) {
        return result;
    }
    std::map<int, std::set<int>> cells;
    for (int x = 0; x < m_half; ++x) {
        for (int y = 0; y < m_height; ++y) {
            cells[x].insert(y);
        }
    }
    RecomputeCells(cells, tiles, result);
    return result;
}

CIsoTerrain::PaintResult CIsoTerrain::Paint(int plainGroup, int px, int py, int n, TileGrid tiles,
                                            CIsoMap* isom) {
    PaintResult result;
    const int plain = PlainIndexOfGroup(plainGroup);
    if (!m_available || plain < 0 || n < 1 || n > 9 || n % 2 == 0) {
        return result;
    }
    int cx = 0, cy = 0;
    NearestDiamond(px, py, cx, cy);
    const int r = (n - 1) / 2;
    const int u0 = (cx + cy - 2) / 2 - r, v0 = (cy - cx - 2) / 2 - r;
    const int u1 = u0 + n, v1 = v0 + n;
    // Painting what is there already changes nothing.
    bool same = true, inside = false;
    for (int u = u0; u <= u1; ++u) {
        for (int v = v0; v <= v1; ++v) {
            const int x = u - v, y = u + v + 1;
            if (IsCorner(x, y)) {
                inside = true;
                same = same && CornerTerrain(x, y) == plainGroup;
            }
        }
    }
    if (!inside || same) {
        return result;
    }
    // A split terrain is painted as whichever of its sides changes fewer corners.
    std::vector<CornerChange> changes = Clamp(NodeOf(plain, 0), u0, v0, u1, v1);
    if (m_split[static_cast<std::size_t>(plain)]) {
        auto other = Clamp(NodeOf(plain, 1), u0, v0, u1, v1);
        if (other.size() < changes.size()) {
            changes = std::move(other);
        }
    }
    for (const auto& c : changes) {
        SetCorner(c.x, c.y, c.after);
    }
    result.corners = changes;

    // The diamonds with a changed corner that the map's cells or ISOM can show.
    std::set<std::pair<int, int>> diamonds;
    for (const auto& c : changes) {
        const int around[4][2] = {{c.x, c.y - 1}, {c.x + 1, c.y}, {c.x, c.y + 1}, {c.x - 1, c.y}};
        for (const auto& d : around) {
            if (d[0] >= 0 && d[0] <= m_half && d[1] >= 0 && d[1] <= m_height) {
                diamonds.insert({d[0], d[1]});
            }
        }
    }
    std::map<int, std::set<int>> cells; // pair column -> rows
    for (const auto& [x, y] : diamonds) {
        const int touched[4][2] = {{x - 1, y - 1}, {x, y - 1}, {x, y}, {x - 1, y}};
        for (const auto& t : touched) {
            if (t[0] >= 0 && t[0] < m_half && t[1] >= 0 && t[1] < m_height) {
                cells[t[0]].insert(t[1]);
            }
        }
    }

    RecomputeCells(cells, tiles, result);

    // ISOM, when every changed diamond has a number.
    if (isom) {
        std::vector<std::pair<std::pair<int, int>, int>> types;
        for (const auto& [x, y] : diamonds) {
            const auto type = IsomType(x, y);
            if (!type) {
                result.isomStale = true;
                break;
            }
            types.push_back({{x, y}, *type});
        }
        if (!result.isomStale) {
            std::map<std::pair<int, int>, CIsoMap::Entry> entries;
            for (const auto& [at, type] : types) {
                for (int k = 0; k < 8; ++k) {
                    const SpokePlace& place = kSpokePlaces[k];
                    const int column = at.first + place.dx, row = at.second + place.dy;
                    if (column < 0 || row < 0 || column >= isom->Columns() || row >= isom->Rows()) {
                        continue;
                    }
                    auto it = entries.find({column, row});
                    if (it == entries.end()) {
                        it = entries.emplace(std::pair{column, row}, isom->GetIsom(column, row)).first;
                    }
                    SetEntryValue(it->second, place.side, type << 4 | k << 1);
                }
            }
            for (const auto& [at, entry] : entries) {
                const CIsoMap::Entry before = isom->GetIsom(at.first, at.second);
                if (before != entry) {
                    result.isom.push_back({at.first, at.second, before, entry});
                    isom->SetIsom(at.first, at.second, entry);
                }
            }
        }
    }
    return result;
}

// ---- ISOM -------------------------------------------------------------------------------

std::optional<int> CIsoTerrain::IsomType(int x, int y) const {
    if (m_plainIds.empty()) {
        return std::nullopt;
    }
    const auto d = DiamondCorners(x, y);
    if (!d) {
        return std::nullopt;
    }
    const auto& c = d->corners;
    if (c[0] == c[1] && c[1] == c[2] && c[2] == c[3]) {
        const int p = PlainIndexOfCode(c[0]);
        const int id = p >= 0 ? m_plainIds[static_cast<std::size_t>(p)] : 0;
        return id > 0 ? std::optional<int>(id) : std::nullopt;
    }
    const int first = c[0];
    int second = -1;
    for (int code : c) {
        if (code != first) {
            if (second >= 0 && code != second) {
                return std::nullopt;
            }
            second = code;
        }
    }
    const auto* f = m_rules.Link(first, second);
    if (!f) {
        return std::nullopt;
    }
    const auto fi = static_cast<std::size_t>(f - m_rules.Families().data());
    if (fi >= m_familyLink.size() || m_familyLink[fi] < 0) {
        return std::nullopt;
    }
    const int bCode = m_rules.Plains()[static_cast<std::size_t>(m_familyBPlain[fi])].code;
    std::array<bool, 4> holdsB{};
    for (std::size_t k = 0; k < 4; ++k) {
        holdsB[k] = c[k] == bCode;
    }
    const int j = ShapeOf(holdsB);
    if (j < 0) {
        return std::nullopt;
    }
    return m_firstEdge + 14 * m_familyLink[fi] + j;
}

bool CIsoTerrain::WriteIsom(CIsoMap& isom) const {
    std::vector<std::pair<std::pair<int, int>, int>> types;
    for (int x = 0; x <= m_half; ++x) {
        for (int y = x % 2; y <= m_height; y += 2) {
            const auto type = IsomType(x, y);
            if (!type) {
                return false;
            }
            types.push_back({{x, y}, *type});
        }
    }
    for (const auto& [at, type] : types) {
        for (int k = 0; k < 8; ++k) {
            const SpokePlace& place = kSpokePlaces[k];
            const int column = at.first + place.dx, row = at.second + place.dy;
            if (column < 0 || row < 0 || column >= isom.Columns() || row >= isom.Rows()) {
                continue;
            }
            CIsoMap::Entry e = isom.GetIsom(column, row);
            SetEntryValue(e, place.side, type << 4 | k << 1);
            isom.SetIsom(column, row, e);
        }
    }
    return true;
}

bool CIsoTerrain::LoadFromIsom(const CIsoMap& isom) {
    if (!m_available || m_plainIds.empty()) {
        return false;
    }
    const std::size_t plainCount = m_rules.Plains().size();
    // Votes of the diamonds around each corner, per plain.
    std::vector<std::vector<int>> votes(m_corners.size(), std::vector<int>(plainCount, 0));
    for (int x = 0; x <= m_half; ++x) {
        for (int y = x % 2; y <= m_height; y += 2) {
            std::map<int, int> seen;
            for (const SpokePlace& place : kSpokePlaces) {
                const int column = x + place.dx, row = y + place.dy;
                if (column < 0 || row < 0 || column >= isom.Columns() || row >= isom.Rows()) {
                    continue;
                }
                ++seen[EntryValue(isom.GetIsom(column, row), place.side) >> 4];
            }
            int type = 0, most = 0;
            for (const auto& [t, count] : seen) {
                if (count > most) {
                    type = t;
                    most = count;
                }
            }
            std::array<int, 4> corners{}; // plains, T R B L
            if (type > 0 && type < m_firstEdge) {
                int plain = -1;
                for (std::size_t p = 0; p < plainCount; ++p) {
                    if (m_plainIds[p] == type) {
                        plain = static_cast<int>(p);
                    }
                }
                if (plain < 0) {
                    return false;
                }
                corners.fill(plain);
            } else if (type >= m_firstEdge) {
                const int link = (type - m_firstEdge) / 14, j = (type - m_firstEdge) % 14;
                int family = -1;
                for (std::size_t fi = 0; fi < m_familyLink.size(); ++fi) {
                    if (m_familyLink[fi] == link) {
                        family = static_cast<int>(fi);
                    }
                }
                if (family < 0) {
                    return false;
                }
                const auto& f = m_rules.Families()[static_cast<std::size_t>(family)];
                const int pb = m_familyBPlain[static_cast<std::size_t>(family)];
                const int pa =
                    PlainIndexOfCode(m_rules.Plains()[static_cast<std::size_t>(pb)].code == f.a ? f.b : f.a);
                for (std::size_t c = 0; c < 4; ++c) {
                    corners[c] = kEdgeShapeCorners[j][c] ? pb : pa;
                }
            } else {
                return false;
            }
            const int at[4][2] = {{x, y - 1}, {x + 1, y}, {x, y + 1}, {x - 1, y}};
            for (std::size_t c = 0; c < 4; ++c) {
                const int i = Index(at[c][0], at[c][1]);
                if (i >= 0 && corners[c] >= 0) {
                    ++votes[static_cast<std::size_t>(i)][static_cast<std::size_t>(corners[c])];
                }
            }
        }
    }
    std::vector<int> plains(m_corners.size(), -1);
    for (std::size_t i = 0; i < m_corners.size(); ++i) {
        const auto& v = votes[i];
        const auto best = std::max_element(v.begin(), v.end());
        if (best != v.end() && *best > 0) {
            plains[i] = static_cast<int>(best - v.begin());
        }
    }
    FillOpenCorners(plains);
    AssignNodes(plains);
    return true;
}

void CIsoTerrain::FillOpenCorners(std::vector<int>& plains) const {
    // Corners no diamond speaks for take the terrain of a neighbour (or the first plain).
    for (int pass = 0; pass < 4; ++pass) {
        for (int x = -1; x + 1 < m_columns; ++x) {
            for (int y = -1; y + 1 < m_rows; ++y) {
                const int i = Index(x, y);
                if (i < 0 || plains[static_cast<std::size_t>(i)] >= 0) {
                    continue;
                }
                const int near[4][2] = {{x - 1, y - 1}, {x + 1, y - 1}, {x - 1, y + 1}, {x + 1, y + 1}};
                for (const auto& d : near) {
                    const int j = Index(d[0], d[1]);
                    if (j >= 0 && plains[static_cast<std::size_t>(j)] >= 0) {
                        plains[static_cast<std::size_t>(i)] = plains[static_cast<std::size_t>(j)];
                        break;
                    }
                }
            }
        }
    }
    for (int& p : plains) {
        if (p < 0) {
            p = 0;
        }
    }
}

CIsoTerrain::Source CIsoTerrain::Load(const CIsoMap* isom, TileGrid tiles) {
    if (!m_available) {
        return Source::None;
    }
    if (isom && LoadFromIsom(*isom)) {
        return Source::Isom;
    }
    LoadFromTiles(tiles);
    return Source::Tiles;
}

// ---- corners from tiles -----------------------------------------------------------------

void CIsoTerrain::LoadFromTiles(TileGrid tiles) {
    if (!m_available) {
        return;
    }
    const auto& plains = m_rules.Plains();
    const std::size_t plainCount = plains.size();
    // Every diamond the tree allows, by plain indices (T, R, B, L), with its spokes.
    struct Shape {
        std::array<int, 4> corners;
        std::array<int, 8> spokes;
    };
    std::vector<Shape> shapes;
    for (std::size_t p = 0; p < plainCount; ++p) {
        Shape s{};
        s.corners.fill(static_cast<int>(p));
        s.spokes.fill(plains[p].code);
        shapes.push_back(s);
    }
    for (const auto& f : m_rules.Families()) {
        const int pa = PlainIndexOfCode(f.a), pb = PlainIndexOfCode(f.b);
        for (const auto& holdsB : kEdgeShapeCorners) {
            CTerrainRules::Diamond d{};
            Shape s{};
            for (std::size_t c = 0; c < 4; ++c) {
                d.corners[c] = holdsB[c] ? f.b : f.a;
                s.corners[c] = holdsB[c] ? pb : pa;
            }
            const auto spokes = m_rules.Spokes(d);
            if (spokes && pa >= 0 && pb >= 0) {
                s.spokes = *spokes;
                shapes.push_back(s);
            }
        }
    }
    // The spoke codes the map's cells show, per diamond (x, y) with 0 <= x <= half, 0 <= y <= h.
    const int dColumns = m_half + 1, dRows = m_height + 1;
    auto diamondIndex = [&](int x, int y) {
        return x < 0 || y < 0 || x >= dColumns || y >= dRows ? -1 : x * dRows + y;
    };
    std::vector<std::array<int, 8>> seen(static_cast<std::size_t>(dColumns * dRows));
    for (auto& s : seen) {
        s.fill(-1);
    }
    auto note = [&](int x, int y, int k, int code) {
        const int i = diamondIndex(x, y);
        if (i >= 0) {
            seen[static_cast<std::size_t>(i)][static_cast<std::size_t>(k)] = code;
        }
    };
    for (int x = 0; x < m_half; ++x) {
        for (int y = 0; y < m_height; ++y) {
            const std::size_t at = static_cast<std::size_t>(2 * x) * kGridSide + static_cast<std::size_t>(y);
            if (at >= tiles.size()) {
                continue;
            }
            const int group = tiles[at] / 16;
            if (!IsTerrainPair(group)) {
                continue; // doodads and unknown tiles say nothing
            }
            const TileGroupHeader& h = m_tileset.Header(group);
            if ((x + y) % 2 == 0) {
                note(x, y, 4, h.EdgeLeft);
                note(x, y, 5, h.EdgeTop);
                note(x + 1, y + 1, 0, h.EdgeRight);
                note(x + 1, y + 1, 1, h.EdgeBottom);
            } else {
                note(x, y + 1, 2, h.EdgeLeft);
                note(x, y + 1, 3, h.EdgeBottom);
                note(x + 1, y, 6, h.EdgeTop);
                note(x + 1, y, 7, h.EdgeRight);
            }
        }
    }
    // Per diamond the shapes that fit what its cells show; none fitting says nothing.
    std::vector<std::vector<int>> fits(seen.size());
    for (int x = 0; x < dColumns; ++x) {
        for (int y = x % 2; y < dRows; y += 2) {
            const auto i = static_cast<std::size_t>(diamondIndex(x, y));
            auto& list = fits[i];
            for (std::size_t s = 0; s < shapes.size(); ++s) {
                bool ok = true;
                for (std::size_t k = 0; k < 8 && ok; ++k) {
                    ok = seen[i][k] < 0 || seen[i][k] == shapes[s].spokes[k];
                }
                if (ok) {
                    list.push_back(static_cast<int>(s));
                }
            }
            if (list.empty()) {
                for (std::size_t s = 0; s < shapes.size(); ++s) {
                    list.push_back(static_cast<int>(s));
                }
            }
        }
    }
    // Narrow: a corner may hold what every diamond around it allows there; a diamond keeps
    // the shapes whose corners are all still allowed. A constraint that would leave nothing
    // is dropped.
    using Mask = std::uint64_t;
    const Mask all = plainCount >= 64 ? ~Mask{0} : (Mask{1} << plainCount) - 1;
    std::vector<Mask> allowed(m_corners.size(), all);
    auto cornerOf = [&](int x, int y, std::size_t c) {
        const int at[4][2] = {{x, y - 1}, {x + 1, y}, {x, y + 1}, {x - 1, y}};
        return Index(at[c][0], at[c][1]);
    };
    std::deque<std::pair<int, int>> work;
    std::size_t settle = 0;
    for (int x = 0; x < dColumns; ++x) {
        for (int y = x % 2; y < dRows; y += 2) {
            work.push_back({x, y});
        }
    }
    while (!work.empty()) {
        const auto [x, y] = work.front();
        work.pop_front();
        auto& list = fits[static_cast<std::size_t>(diamondIndex(x, y))];
        std::vector<int> kept;
        for (int s : list) {
            bool ok = true;
            for (std::size_t c = 0; c < 4 && ok; ++c) {
                const int i = cornerOf(x, y, c);
                ok = i < 0 ||
                     (allowed[static_cast<std::size_t>(i)] >> shapes[static_cast<std::size_t>(s)].corners[c] &
                      1);
            }
            if (ok) {
                kept.push_back(s);
            }
        }
        if (!kept.empty()) {
            list = std::move(kept);
        }
        for (std::size_t c = 0; c < 4; ++c) {
            const int i = cornerOf(x, y, c);
            if (i < 0) {
                continue;
            }
            Mask here = 0;
            for (int s : list) {
                here |= Mask{1} << shapes[static_cast<std::size_t>(s)].corners[c];
            }
            const Mask now = allowed[static_cast<std::size_t>(i)] & here;
            if (now != 0 && now != allowed[static_cast<std::size_t>(i)]) {
                allowed[static_cast<std::size_t>(i)] = now;
                // The corner's other diamonds look again.
                const int cx = (c == 1) ? x + 1 : (c == 3) ? x - 1 : x;
                const int cy = (c == 0) ? y - 1 : (c == 2) ? y + 1 : y;
                const int around[4][2] = {{cx, cy - 1}, {cx + 1, cy}, {cx, cy + 1}, {cx - 1, cy}};
                for (const auto& d : around) {
                    if (diamondIndex(d[0], d[1]) >= 0 && !(d[0] == x && d[1] == y)) {
                        work.push_back({d[0], d[1]});
                    }
                }
            }
        }
        // Settle open corners one at a time once everything else is narrowed.
        while (work.empty() && settle < m_corners.size()) {
            const std::size_t i = settle++;
            const int cx = static_cast<int>(i) / m_rows - 1, cy = static_cast<int>(i) % m_rows - 1;
            if (Index(cx, cy) < 0) {
                continue;
            }
            const Mask m = allowed[i];
            if ((m & (m - 1)) == 0) {
                continue;
            }
            // Prefer a neighbour's terrain, so that open areas stay whole.
            Mask pick = m & (~m + 1);
            const int near[4][2] = {{cx - 1, cy - 1}, {cx + 1, cy - 1}, {cx - 1, cy + 1}, {cx + 1, cy + 1}};
            for (const auto& d : near) {
                const int j = Index(d[0], d[1]);
                if (j >= 0) {
                    const Mask n = allowed[static_cast<std::size_t>(j)];
                    if ((n & (n - 1)) == 0 && (n & m) != 0) {
                        pick = n;
                        break;
                    }
                }
            }
            allowed[i] = pick;
            const int around[4][2] = {{cx, cy - 1}, {cx + 1, cy}, {cx, cy + 1}, {cx - 1, cy}};
            for (const auto& d : around) {
                if (diamondIndex(d[0], d[1]) >= 0) {
                    work.push_back({d[0], d[1]});
                }
            }
        }
    }
    std::vector<int> result(m_corners.size(), -1);
    for (std::size_t i = 0; i < m_corners.size(); ++i) {
        const Mask m = allowed[i];
        if (m == 0 || m == all) {
            continue;
        }
        for (std::size_t p = 0; p < plainCount; ++p) {
            if (m >> p & 1) {
                result[i] = static_cast<int>(p);
                break;
            }
        }
    }
    FillOpenCorners(result);
    AssignNodes(result);
}

} // namespace orv
