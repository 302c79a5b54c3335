#pragma once

// The display overlays a full render lays over the map: in the frame at its scale, and in
// screen pixels.

#include <QImage>

#include "tools/FogTool.h"
#include "view/MapRenderer.h"

#include <cstdint>
#include <vector>

namespace orv {

inline constexpr std::uint32_t kGridColour = 0x111111;     // every 32 map pixels
inline constexpr std::uint32_t kFineGridColour = 0x222222; // the lines halfway between

// Where a map pixel lands in a view's frame (`Frame`) or on its screen (`Screen`): reduced
// frames show, for each frame pixel, the map pixel in the middle of its Scale x Scale block;
// zoomed in, the screen enlarges every frame pixel to Enlarge x Enlarge. X and Y give the
// first frame or screen pixel at or after a map coordinate (64-bit: coordinates in maps run
// up to +-2^31).
struct PixelMap {
    std::int64_t OriginX = 0, OriginY = 0; // map pixels at the frame's top-left
    int Scale = 1, Sample = 0, Enlarge = 1;
    static PixelMap Frame(const ViewState& view);
    static PixelMap Screen(const ViewState& view);
    std::int64_t X(std::int64_t mapX) const;
    std::int64_t Y(std::int64_t mapY) const;
};

// The primitives: lines whose far end is excluded, clipped to the target.
void FrameHLine(const PixelTarget32& target, int x1, int x2, int y, std::uint32_t colour);
void FrameVLine(const PixelTarget32& target, int y1, int y2, int x, std::uint32_t colour);
void FrameRect(const PixelTarget32& target, int left, int top, int right, int bottom, std::uint32_t colour);

// The overlays of a full render that cover areas, drawn into the frame at its scale: fog and
// placability shading, the tints of the location rectangles, as `view.DrawFlags` and the
// options ask.
void DrawAreaOverlays(CMapRenderer& renderer, const TCHK& chk, const CStarcraftTileset& tileset,
                      const TGameData& data, const ViewState& view, const OverlayState& state);
// The overlays drawn in screen pixels, so that they stay one pixel wide at every zoom:
// location borders, the grids, location names (last: nothing covers them), the frames of the
// selected doodads.
void DrawScreenOverlays(QImage& screen, const TCHK& chk, const CStarcraftTileset& tileset,
                        const TGameData& data, const ViewState& view, const OverlayState& state);

// The colour byte of a location's tint and border in 0x00RRGGBB: 0 blue, 1 green, 2 red.
int LocationChannel(const LocationSlot& location);

} // namespace orv
