#include "tools/Placement.h"

#include "graphics/CTileset.h"
#include "graphics/RuleTables.h"

#include <algorithm>

namespace orv {
namespace {

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

struct HalfBox {
    int W = 0, H = 0;
};

HalfBox HalfSizes(const UnitsTable& units, int type) {
    const UnitsTable::Box box = units.PlacementBox(type);
    return {box.width / 2, box.height / 2};
}

bool InSpan(std::int64_t v, std::int64_t centre, std::int64_t extent, bool strict) {
    return strict ? centre - extent < v && v < centre + extent : centre - extent <= v && v <= centre + extent;
}

bool Corner(const TSelectRect& r, std::int64_t x, std::int64_t y, bool strictX, bool strictY) {
    return InSpan(x, r.CX, r.EX, strictX) && InSpan(y, r.CY, r.EY, strictY);
}

} // namespace

TMapPoint SnapToGrid(const TCHK& chk, const TPlacementOptions& options, int type, int x, int y) {
    const UnitsTable units(chk.UnitsDat());
    const int grid = (units.Flags(type) & UnitsTable::kBuilding) ? options.BuildingGrid : options.UnitGrid;
    if (grid <= 0) {
        return {x, y};
    }
    const HalfBox half = HalfSizes(units, type);
    // Division truncates toward zero: an edge from -31 to -1 lands on 0.
    return {(x - half.W) / grid * grid + half.W, (y - half.H) / grid * grid + half.H};
}

bool CanPlaceUnit(const TCHK& chk, const TPlacementOptions& options, int type, int x, int y) {
    if (type < 0 || type >= UnitsTable::kTypes) {
        return false;
    }
    const UnitsTable units(chk.UnitsDat());
    const TMapPoint at = SnapToGrid(chk, options, type, x, y);
    const UnitsTable::Box box = units.PlacementBox(type);
    const HalfBox half = HalfSizes(units, type);
    const std::uint32_t flags = units.Flags(type);
    const bool flyer = (flags & UnitsTable::kFlyer) != 0;
    const std::int64_t left = std::int64_t{at.X} - half.W, top = std::int64_t{at.Y} - half.H;
    // A unit's centre is always on the map, whatever the options.
    if (at.X < 0 || at.Y < 0 || at.X >= chk.Width * 32 || at.Y >= chk.Height * 32) {
        return false;
    }
    const CStarcraftTileset* tileset = chk.TilesetLink;
    if (!options.IgnoreTerrain && !flyer && tileset) {
        const bool building = (flags & UnitsTable::kBuilding) != 0;
        for (int i = 0; i <= box.width / 4; ++i) {
            for (int j = 0; j <= box.height / 4; ++j) {
                const std::int64_t sx = left + std::max(0, 4 * i - 1), sy = top + std::max(0, 4 * j - 1);
                if (sx < 0 || sy < 0 || sx >= std::int64_t{chk.Width} * 32 ||
                    sy >= std::int64_t{chk.Height} * 32) {
                    return false;
                }
                const std::uint16_t tile =
                    chk.TileMap[TCHK::Cell(static_cast<int>(sx / 32), static_cast<int>(sy / 32))];
                if (building) {
                    if ((tileset->Header(tile / 16).Flags & 0xF0) != 0) {
                        return false;
                    }
                } else {
                    const std::size_t mini = static_cast<std::size_t>((sy % 32) / 8 * 4 + (sx % 32) / 8);
                    if ((tileset->Graphics(tile).Flags[mini] & 1) == 0) {
                        return false;
                    }
                }
            }
        }
    }
    if (options.AllowOverlap) {
        return true;
    }
    // The new box against every unit of the same layer, by the corners of each.
    const std::int64_t nl = left, nr = std::int64_t{at.X} + half.W, nt = top,
                       nb = std::int64_t{at.Y} + half.H;
    for (const UnitRecord& u : chk.Units) {
        const std::uint32_t other = units.Flags(u.Type);
        if (((other & UnitsTable::kFlyer) != 0) != flyer) {
            continue;
        }
        const HalfBox h = HalfSizes(units, u.Type);
        const std::int64_t l = std::int64_t{u.X} - h.W, r = std::int64_t{u.X} + h.W,
                           t = std::int64_t{u.Y} - h.H, b = std::int64_t{u.Y} + h.H;
        auto within = [](std::int64_t v, std::int64_t low, std::int64_t high) { return low < v && v < high; };
        if ((nl <= l && l <= nr - 1 && nt <= t && t <= nb - 1) ||
            (within(r, nl, nr - 1) && within(t, nt, nb - 1)) || (within(l, nl, nr) && within(b, nt, nb)) ||
            (within(r, nl, nr) && within(b, nt, nb))) {
            return false;
        }
        for (const auto& [px, py] :
             {std::pair{nr - 1, nb - 1}, std::pair{nl, nb - 1}, std::pair{nr - 1, nt}, std::pair{nl, nt}}) {
            if (l <= px && px < r && t <= py && py < b) {
                return false;
            }
        }
    }
    return true;
}

TDoodadCursor DoodadCursorAt(const TCHK& chk, int doodad, int x, int y, int halfHeight) {
    TDoodadCursor cursor;
    if (!chk.TilesetLink || doodad < 0 || doodad >= kDoodadCount) {
        return cursor;
    }
    const DoodadInfoRecord& info = chk.TilesetLink->DoodadInfo(doodad);
    // Doodads sit on even columns, as the game's terrain pairs do.
    cursor.Column = static_cast<int>(2 * FloorDiv(FloorDiv(x, 32), 2)) - 2 * (info.Width / 4);
    cursor.Row = static_cast<int>(FloorDiv(y, 32)) - info.Height / 2;
    cursor.Shift = std::max(0, halfHeight) / 32;
    return cursor;
}

bool CanPlaceDoodad(const TCHK& chk, int doodad, const TDoodadCursor& cursor) {
    if (!chk.TilesetLink || doodad < 0 || doodad >= kDoodadCount) {
        return false;
    }
    const DoodadInfoRecord& info = chk.TilesetLink->DoodadInfo(doodad);
    const int top = cursor.Row + cursor.Shift;
    // The whole footprint lies on the map (a doodad's position cannot be off it).
    if (info.Width == 0 || info.Height == 0 || cursor.Column < 0 || top < 0 ||
        cursor.Column + info.Width > chk.Width || top + info.Height > chk.Height) {
        return false;
    }
    for (int r = 0; r < info.Height; ++r) {
        for (int c = 0; c < info.Width; ++c) {
            const std::uint16_t required = chk.TilesetLink->DoodadPlacement(doodad, c, r);
            // The displayed tiles decide, and the terrain under them too: a doodad whose
            // terrain does not match would not stay when the display is rebuilt.
            const std::size_t cell = TCHK::Cell(cursor.Column + c, top + r);
            if (required != 0 &&
                (chk.TileMap[cell] / 16 != required || chk.TerrainGrid[cell] / 16 != required)) {
                return false;
            }
        }
    }
    return true;
}

TMapPoint DoodadPosition(const TCHK& chk, int doodad, const TDoodadCursor& cursor, int halfHeight) {
    if (!chk.TilesetLink || doodad < 0 || doodad >= kDoodadCount) {
        return {};
    }
    const DoodadInfoRecord& info = chk.TilesetLink->DoodadInfo(doodad);
    return {(cursor.Column + info.Width / 2) * 32,
            (cursor.Row + info.Height / 2) * 32 + std::max(0, halfHeight)};
}

TSelectRect TSelectRect::Between(int pressX, int pressY, int releaseX, int releaseY) {
    TSelectRect r;
    r.CX = (std::int64_t{pressX} + releaseX) / 2;
    r.CY = (std::int64_t{pressY} + releaseY) / 2;
    r.EX = std::abs(std::int64_t{pressX} - releaseX) / 2;
    r.EY = std::abs(std::int64_t{pressY} - releaseY) / 2;
    r.PX = releaseX;
    r.PY = releaseY;
    return r;
}

std::vector<int> UnitsInRect(const TCHK& chk, const TSelectRect& rect) {
    const UnitsTable units(chk.UnitsDat());
    std::vector<int> found;
    for (std::size_t i = 0; i < chk.Units.size(); ++i) {
        const UnitRecord& u = chk.Units[i];
        const HalfBox h = HalfSizes(units, u.Type);
        const std::int64_t l = std::int64_t{u.X} - h.W, r = std::int64_t{u.X} + h.W,
                           t = std::int64_t{u.Y} - h.H, b = std::int64_t{u.Y} + h.H;
        if (Corner(rect, l, t, false, false) || Corner(rect, r, t, true, false) ||
            Corner(rect, l, b, false, true) || Corner(rect, r, b, true, true) ||
            (l <= rect.PX && rect.PX <= r && t <= rect.PY && rect.PY <= b)) {
            found.push_back(static_cast<int>(i));
        }
    }
    return found;
}

std::vector<int> DoodadsInRect(const TCHK& chk, const TSelectRect& rect) {
    std::vector<int> found;
    if (!chk.TilesetLink) {
        return found;
    }
    for (std::size_t i = 0; i < chk.Doodads.size(); ++i) {
        const DoodadRecord& d = chk.Doodads[i];
        if (d.Number >= kDoodadCount) {
            continue;
        }
        const DoodadInfoRecord& info = chk.TilesetLink->DoodadInfo(d.Number);
        const std::int64_t l = d.X - 16 * info.Width, r = d.X + 16 * info.Width, t = d.Y - 16 * info.Height,
                           b = d.Y + 16 * info.Height;
        if (Corner(rect, l, t, false, false) || Corner(rect, l, b, true, false) ||
            Corner(rect, r, b, false, true) || Corner(rect, r, t, true, true) ||
            (l < rect.PX && rect.PX < r && t < rect.PY && rect.PY < b)) {
            found.push_back(static_cast<int>(i));
        }
    }
    return found;
}

} // namespace orv
