#pragma once

// The display overlays a full render lays over the map in the 32-bit frame, and the fog and
// map-revealer operations of the main window's menu.

#include "view/MapRenderer.h"

#include <vector>

namespace orv {

inline constexpr std::uint32_t kGridColour = 0x111111;     // every 32 map pixels
inline constexpr std::uint32_t kFineGridColour = 0x222222; // the lines halfway between

// The frame primitives: lines whose far end is excluded, clipped to the frame.
void FrameHLine(std::vector<std::uint32_t>& frame, int width, int height, int x1, int x2, int y, std::uint32_t colour);
void FrameVLine(std::vector<std::uint32_t>& frame, int width, int height, int y1, int y2, int x, std::uint32_t colour);
void FrameRect(std::vector<std::uint32_t>& frame, int width, int height, int left, int top, int right, int bottom,
               std::uint32_t colour);

// Fog and placability shading, location rectangles, the grids and the frames of the selected
// doodads, as `view.DrawFlags` and the options ask.
void DrawDisplayOverlays(CMapRenderer& renderer, const TCHK& chk, const CStarcraftTileset& tileset,
                         const TGameData& data, const ViewState& view, const OverlayState& state);

// The fog bit of a player (players 8 to 11 have none).
std::uint8_t PlayerFogBit(int player);
void FogAllOn(TCHK& chk, int player);
void FogAllOff(TCHK& chk, int player);
// One map revealer (unit type 101) of player `number` (1 to 8, owner number - 1) every 12
// tiles each way inside the map, shifted by 4 x number pixels.
void AddMapRevealers(TCHK& chk, int number);

} // namespace orv
