#include "terrain/TerrainRules.h"

#include <algorithm>
#include <set>

namespace orv {
namespace {

// The spoke codes of the 14 edge shapes (rows j, columns k). Tokens: kA = the link's low
// terrain, kC0..kC3 its cliff codes, kX / kY the inner-corner codes; numbers stand for
// themselves.
constexpr int kA = -1, kC0 = -10, kC1 = -11, kC2 = -12, kC3 = -13, kX = -20, kY = -21;
constexpr int kSpokes[14][8] = {
    {kA, kA, kA, 51, 51, 51, kA, 51},       {kA, 49, kA, kA, 49, kA, 49, 49},
    {52, 52, 52, kC0, kC0, kC0, 52, kC0},   {50, kC1, 50, 50, kC1, 50, kC1, kC1},
    {kA, kA, kA, kA, 49, kA, kA, 51},       {kA, 54, kA, kA, kA, kA, 54, kC3},
    {50, kC1, 52, kC0, kC0, kC0, kC1, kC1}, {kA, kA, kA, 53, kC2, 53, kA, kA},
    {50, kC1, kX, kX, kX, kX, kC1, 51},     {kY, kY, 52, kC0, 49, kC0, kY, kY},
    {kA, 49, kA, 51, 51, 51, 49, 49},       {52, 52, 50, 50, kC1, 50, 52, kC0},
    {50, kC1, 52, kC0, 49, kC0, kC1, 51},   {kA, 54, kA, 53, kC2, 53, 54, kC3},
};

} // namespace

CTerrainRules::CTerrainRules(const CStarcraftTileset& tileset) {
    // Plain pairs: both groups alike with four equal edge codes, their own Type.
    std::set<int> plainTypes;
    for (int g = 2; g + 1 < kFirstDoodadGroup; g += 2) {
        const TileGroupHeader& h = tileset.Header(g);
        if (h.Type < 2) {
            continue;
        }
        m_typeOfGroup[g] = h.Type;
        m_byEdges[{h.EdgeLeft, h.EdgeTop, h.EdgeRight, h.EdgeBottom}].push_back(g);
        const bool uniform =
            h.EdgeLeft == h.EdgeTop && h.EdgeTop == h.EdgeRight && h.EdgeRight == h.EdgeBottom;
        const bool alone = tileset.Header(g - 2).Type != h.Type && tileset.Header(g + 2).Type != h.Type;
        if (uniform && alone && h.EdgeLeft > 0 && h.EdgeLeft < 49 && !PlainOfCode(h.EdgeLeft)) {
            m_plains.push_back({h.EdgeLeft, g, h.Type});
            plainTypes.insert(h.Type);
        }
    }
    // Families: runs of pairs sharing a Type that is no plain terrain's.
    for (int g = 2; g + 1 < kFirstDoodadGroup;) {
        const TileGroupHeader& h = tileset.Header(g);
        if (h.Type < 2 || plainTypes.count(h.Type)) {
            g += 2;
            continue;
        }
        Family f;
        f.type = h.Type;
        f.firstGroup = g;
        std::set<int> codes;
        for (; tileset.Header(g).Type == f.type; g += 2, ++f.pairs) {
            const TileGroupHeader& p = tileset.Header(g);
            const int e[4] = {p.EdgeLeft, p.EdgeTop, p.EdgeRight, p.EdgeBottom};
            codes.insert(std::begin(e), std::end(e));
            if (e[0] == e[1] && e[2] == 51 && e[3] == 51 && e[0] < 49) {
                f.a = e[0]; // (A, A, 51, 51)
            }
            if (e[0] == 51 && e[1] == 51 && e[2] == e[3] && e[2] < 49) {
                f.b = e[2]; // (51, 51, B, B)
            }
            if (e[0] == 52 && e[1] == 52 && e[2] == e[3] && e[2] < 49) {
                f.cliffCodes[0] = e[2];
            }
            if (e[1] == 50 && e[2] == 50 && e[0] == e[3] && e[0] < 49) {
                f.cliffCodes[1] = e[0];
            }
            if (e[1] == 53 && e[0] < 49) {
                f.cliffCodes[2] = e[0];
            }
            if (e[1] == 54 && e[2] < 49) {
                f.cliffCodes[3] = e[2];
            }
        }
        // A family has a cliff when it holds codes beyond its two terrains and the boundaries.
        f.cliff =
            std::any_of(codes.begin(), codes.end(), [&](int c) { return c < 49 && c != f.a && c != f.b; });
        if (!f.cliff) {
            f.cliffCodes.fill(f.a);
        }
        f.x = codes.count(56) ? 56 : f.b;
        f.y = codes.count(55) ? 55 : f.b;
        if (f.a != 0 && f.b != 0 && PlainOfCode(f.a) && PlainOfCode(f.b)) {
            m_families.push_back(f);
        }
    }
    // One tree: as many links as terrains minus one, and all of them connected.
    if (!m_plains.empty() && m_families.size() + 1 == m_plains.size()) {
        std::set<int> reached = {m_plains.front().code};
        bool grew = true;
        while (grew) {
            grew = false;
            for (const Family& f : m_families) {
                if (reached.count(f.a) != reached.count(f.b)) {
                    reached.insert(f.a);
                    reached.insert(f.b);
                    grew = true;
                }
            }
        }
        m_isTree = reached.size() == m_plains.size();
    }
}

const CTerrainRules::Plain* CTerrainRules::PlainOfCode(int code) const {
    for (const Plain& p : m_plains) {
        if (p.code == code) {
            return &p;
        }
    }
    return nullptr;
}

const CTerrainRules::Family* CTerrainRules::Link(int codeA, int codeB) const {
    for (const Family& f : m_families) {
        if ((f.a == codeA && f.b == codeB) || (f.a == codeB && f.b == codeA)) {
            return &f;
        }
    }
    return nullptr;
}

std::optional<std::array<int, 8>> CTerrainRules::Spokes(const Diamond& d) const {
    std::set<int> terrains(d.corners.begin(), d.corners.end());
    if (terrains.size() == 1) {
        std::array<int, 8> spokes;
        spokes.fill(d.corners[0]);
        return spokes;
    }
    if (terrains.size() != 2) {
        return std::nullopt;
    }
    const Family* f = Link(*terrains.begin(), *terrains.rbegin());
    if (!f) {
        return std::nullopt;
    }
    bool holdsB[4];
    for (int c = 0; c < 4; ++c) {
        holdsB[c] = d.corners[static_cast<std::size_t>(c)] == f->b;
    }
    for (int j = 0; j < 14; ++j) {
        if (std::equal(std::begin(holdsB), std::end(holdsB), std::begin(kEdgeShapeCorners[j]))) {
            std::array<int, 8> spokes{};
            for (int k = 0; k < 8; ++k) {
                const int token = kSpokes[j][k];
                int code = token;
                if (token == kA)
                    code = f->a;
                else if (token <= kC0 && token >= kC3)
                    code = f->cliffCodes[static_cast<std::size_t>(kC0 - token)];
                else if (token == kX)
                    code = f->x;
                else if (token == kY)
                    code = f->y;
                spokes[static_cast<std::size_t>(k)] = code;
            }
            return spokes;
        }
    }
    return std::nullopt;
}

int CTerrainRules::DiamondType(const Diamond& d) const {
    std::set<int> terrains(d.corners.begin(), d.corners.end());
    if (terrains.size() == 1) {
        const Plain* p = PlainOfCode(d.corners[0]);
        return p ? p->type : 0;
    }
    const Family* f = terrains.size() == 2 ? Link(*terrains.begin(), *terrains.rbegin()) : nullptr;
    return f ? f->type : 0;
}

std::vector<int> CTerrainRules::PairsFor(const std::array<int, 4>& edges, int typeOne, int typeTwo) const {
    const auto it = m_byEdges.find(edges);
    if (it == m_byEdges.end()) {
        return {};
    }
    std::set<int> types;
    for (int g : it->second) {
        types.insert(m_typeOfGroup.at(g));
    }
    if (types.size() <= 1) {
        return it->second;
    }
    std::vector<int> kept;
    for (int g : it->second) {
        const int type = m_typeOfGroup.at(g);
        if (type == typeOne || type == typeTwo) {
            kept.push_back(g);
        }
    }
    return kept;
}

std::array<int, 4> CTerrainRules::CellEdges(const std::array<int, 8>& d, const std::array<int, 8>& e,
                                            bool even) {
    if (even) {
        return {d[4], d[5], e[0], e[1]};
    }
    return {d[2], e[6], e[7], d[3]};
}

} // namespace orv
