#pragma once

// Where units and doodads may go: grid snapping, the terrain and overlap tests for a unit
// type, the doodad cursor and its terrain test, and what a selection rectangle takes in. All
// positions are map pixels; nothing here changes the record.

#include "scenario/CCHKFile.h"

#include <cstdint>
#include <vector>

namespace orv {

// The "Unit Placing" options of the main window, shared by every map window.
struct TPlacementOptions {
    int BuildingGrid = 32; // 0 (none), 16 or 32
    int UnitGrid = 0;
    bool IgnoreTerrain = false; // "Anywhere"
    bool AllowOverlap = false;  // "Overlapping"
};

struct TMapPoint {
    int X = 0, Y = 0;
    bool operator==(const TMapPoint&) const = default;
};

// The centre a unit of `type` takes when dropped at (x, y): its placement box's left and top
// edges on the grid of its class (buildings or units), truncated toward zero.
TMapPoint SnapToGrid(const TCHK& chk, const TPlacementOptions& options, int type, int x, int y);

// Whether a unit of `type` fits at (x, y), snapped: buildings need buildable tiles under
// every sample point, ground units walkable minitiles (flyers go anywhere), and no unit of
// the same layer (ground or air) may overlap its placement box. Points off the map fail.
bool CanPlaceUnit(const TCHK& chk, const TPlacementOptions& options, int type, int x, int y);

// The doodad cursor: the footprint's left column (always even) and top row, in tiles, for
// the pointer at map pixel (x, y). `shift` is the rows the doodad's sprite moves it down (half
// its frame height, in whole tiles): the footprint tested and stamped lies that much lower.
struct TDoodadCursor {
    int Column = 0, Row = 0, Shift = 0;
};
TDoodadCursor DoodadCursorAt(const TCHK& chk, int doodad, int x, int y, int halfHeight);
// Whether every required tile group of the doodad's footprint matches the displayed grid
// there (cells off the map never match a required group).
bool CanPlaceDoodad(const TCHK& chk, int doodad, const TDoodadCursor& cursor);
// The position a doodad placed at the cursor is stored at: its footprint's centre, moved
// down by half its sprite's frame height.
TMapPoint DoodadPosition(const TCHK& chk, int doodad, const TDoodadCursor& cursor, int halfHeight);

// A drag rectangle from the press to the release point: centre and half extents.
struct TSelectRect {
    std::int64_t CX = 0, CY = 0, EX = 0, EY = 0, PX = 0, PY = 0; // PX, PY: the release point
    static TSelectRect Between(int pressX, int pressY, int releaseX, int releaseY);
};
// The units a drag selects (indices, increasing): a corner of the placement box in the
// rectangle (some bounds strict) or the release point inside the box.
std::vector<int> UnitsInRect(const TCHK& chk, const TSelectRect& rect);
// The doodads it selects: the same with the doodad's footprint, its own strict bounds, and
// the release point strictly inside.
std::vector<int> DoodadsInRect(const TCHK& chk, const TSelectRect& rect);

} // namespace orv
