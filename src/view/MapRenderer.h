#pragma once

// The map renderer: draws the visible part of a map into a view's frame buffers, terrain,
// creep, units (two passes by elevation level around the doodads) and doodads as 8-bit
// palette indices, then converts the frame to 32-bit colours. It knows no window: a map
// window, the command line and the tests all hand it a view and read its frames.

#include "app/GameData.h"
#include "scenario/CCHKFile.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace orv {

// What a view shows: its scroll tile, the frame's size in frame pixels (whole tiles each
// way), the map pixels per frame pixel (1 at 100% and zoomed in; 2 and 4 zoomed out, where
// the frame is drawn reduced), the screen pixels per tile, and the overlays the render pass
// draws.
struct ViewState {
    int ScrollTileX = 0;
    int ScrollTileY = 0;
    int ViewWidth = 640;
    int ViewHeight = 480;
    int Scale = 1;
    int TileScreenSize = 32;
    std::uint32_t DrawFlags = 0;
    // Frame pixels per tile.
    int TilePixels() const { return 32 / Scale; }
    // The tiles the frame covers each way (the last one partly shown).
    int TilesWide() const { return ViewWidth / TilePixels(); }
    int TilesHigh() const { return ViewHeight / TilePixels(); }
    // The grids are left to the window, which draws them on screen one pixel wide at every
    // zoom; pictures of the whole map keep them in the frame.
    bool GridOnScreen = false;
};

// DrawFlags bits that select the overlays of a render pass.
namespace draw_flags {
inline constexpr std::uint32_t kBrush = 16;
inline constexpr std::uint32_t kSelectedDoodads = 32;
inline constexpr std::uint32_t kUnitPreview = 64;
inline constexpr std::uint32_t kFog = 128;
inline constexpr std::uint32_t kLocations = 512;
inline constexpr std::uint32_t kPlacability = 1024;
} // namespace draw_flags

// The parts of a map window's edit state the display overlays read.
struct OverlayState {
    int CurrentPlayer = 0;
    int CurrentUnitType = -1; // -1: none chosen
    int SelectedLocation = -1;
    std::vector<int> SelectedDoodads;
};

// Frame32[i] := palette[Frame8[i]] for `count` pixels. The block path converts 8 pixels a
// step with non-temporal stores (SSE2, or AVX2 where the processor has it); both give the
// same result. `count` need not be a multiple of 8.
void ConvertFrameScalar(const std::uint8_t* frame8, std::uint32_t* frame32, std::size_t count,
                        const std::uint32_t* palette);
void ConvertFrameBlock(const std::uint8_t* frame8, std::uint32_t* frame32, std::size_t count,
                       const std::uint32_t* palette);
// Which block path the processor runs: "avx2", "sse2" or "scalar".
const char* ConvertFramePath();

class CMapRenderer {
public:
    std::vector<std::uint8_t> Frame8;
    std::vector<std::uint32_t> Frame32;

    // The full render: terrain, creep, units, doodads, the conversion to 32 bits, then the
    // display overlays that `view.DrawFlags` and the options ask for (fog, placability,
    // locations and their names, grids, selected doodads). `toolOverlays`, when given, runs
    // last: the window's tool overlays and the copy to the screen plug in there.
    void DrawDisplay(const TCHK& chk, const CStarcraftTileset& tileset, const TGameData& data, const ViewState& view,
                     const OverlayState& state = {}, const std::function<void(CMapRenderer&)>& toolOverlays = {});

private:
    void DrawTiles(const TCHK& chk, const CStarcraftTileset& tileset, const TGameData& data, const ViewState& view,
                   bool creep);
    void DrawUnits(const TCHK& chk, const TGameData& data, const ViewState& view, int firstLevel, int lastLevel);
    void DrawDoodads(const TCHK& chk, const CStarcraftTileset& tileset, const TGameData& data, const ViewState& view);
    void BlitTile(const CStarcraftTileset& tileset, int tileValue, int left, int top, int width, int height);
};

// The view test of units and doodads: a margin of 128 pixels to the left and above the
// view, none to the right and below.
bool InView(int x, int y, const ViewState& view);

// The image chain of a unit type's main sprite: its sprites.dat number, or -1.
int UnitSpriteNumber(const TGameData& data, int unitType);

} // namespace orv
