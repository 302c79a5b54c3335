#pragma once

// The map renderer: draws the visible part of a map into a view's frame buffers, terrain,
// creep, units (two passes by elevation level around the doodads) and doodads as 8-bit
// palette indices, then converts the frame to 32-bit colours. It knows no window: a map
// window, the command line and the tests all hand it a view and read its frames.

#include <QImage>

#include "app/GameData.h"
#include "scenario/CCHKFile.h"
#include "scenario/MapText.h"

#include <algorithm>
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
    int TileScreenSize = 32;
    std::uint32_t DrawFlags = 0;
    int Scale = 1;
    // Map pixels per screen pixel, and the display in screen pixels (0: the frame's size).
    // Zoomed in the frame is enlarged to the screen; otherwise it is the screen.
    double Zoom = 1.0;
    int ScreenWidth = 0;
    int ScreenHeight = 0;
    // Frame pixels per tile.
    int TilePixels() const { return 32 / Scale; }
    // The tiles the frame covers each way (the last one partly shown).
    int TilesWide() const { return ViewWidth / TilePixels(); }
    int TilesHigh() const { return ViewHeight / TilePixels(); }
    // The picture of the whole map: no creep, selection circles or grids.
    bool Picture = false;
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
    std::vector<std::uint32_t> SelectedUnits; // keys, in increasing order
    const TMapText* Text = nullptr;           // how location names read; none: as the map guesses
    bool UnitSelected(std::uint32_t key) const {
        return std::binary_search(SelectedUnits.begin(), SelectedUnits.end(), key);
    }
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
    // What the view shows, in screen pixels from the scroll tile's top-left corner: the
    // frame itself at 100% and zoomed out, the frame enlarged (as far as the display
    // reaches) zoomed in. Valid until the next render.
    QImage Screen;

    // The full render: terrain, creep, units, doodads (reduced when zoomed out), the
    // conversion to 32 bits and the area overlays in the frame, then the screen and its
    // overlays in screen pixels (location borders, grids, names, selected doodads), as
    // `view.DrawFlags` and the options ask. `toolOverlays`, when given, runs last.
    void DrawDisplay(const TCHK& chk, const CStarcraftTileset& tileset, const TGameData& data,
                     const ViewState& view, const OverlayState& state = {},
                     const std::function<void(CMapRenderer&)>& toolOverlays = {});

private:
    void DrawTiles(const TCHK& chk, const CStarcraftTileset& tileset, const TGameData& data,
                   const ViewState& view, bool creep);
    void DrawUnits(const TCHK& chk, const TGameData& data, const ViewState& view, const OverlayState& state,
                   int firstLevel, int lastLevel);
    void DrawSprites(const TCHK& chk, const TGameData& data, const ViewState& view);
    void BlitTile(const CStarcraftTileset& tileset, int tileValue, int left, int top, const ViewState& view);
    void MakeScreen(const ViewState& view);
};

// The view test of units and doodads, in map pixels: a margin of 128 pixels around the area
// the frame covers, so a sprite whose centre lies just outside still shows its part inside.
bool InView(int x, int y, const ViewState& view);

// The frame a unit's picture shows: mineral fields and vespene geysers by the resources they
// hold (clamped to the sheet's frames), every other unit its first.
int ResourceFrame(int unitType, std::uint32_t resources, int frameCount);

// The image chain of a unit type's main sprite: its sprites.dat number, or -1.
int UnitSpriteNumber(const TGameData& data, int unitType);

} // namespace orv
