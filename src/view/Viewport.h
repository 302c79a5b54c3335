#pragma once

// The arithmetic of a map window's view: zoom, the two scroll bars (in screen pixels), the
// scroll tile at the view's top-left corner and the size of the rendered frame. The window
// mirrors the scroll bars on screen; every number is decided here.

#include "view/MapRenderer.h"

#include <array>

namespace orv {

// A scroll bar as the view sees it: positions run from 0 to Max, and the last page may not
// scroll past the map's edge (a position never exceeds Max - PageSize unless the page is
// wider than the whole range).
struct TScrollBarState {
    int Max = 32767;
    int PageSize = 0;
    int Position = 0;
    int SmallChange = 32;
    int LargeChange = 128;
    // The highest position the bar can reach.
    int Reach() const { return Max > PageSize ? Max - PageSize : 0; }
};

class TViewport {
public:
    static constexpr int kZoomLevels = 6;
    static constexpr std::array<double, kZoomLevels> kZoomFactors{4.0, 2.0, 1.0, 0.5, 0.25, 0.125};
    static const std::array<const char*, kZoomLevels> kZoomCaptions;
    static constexpr int kDefaultZoom = 2;

    int MapWidth = 0, MapHeight = 0;         // tiles
    int DisplayWidth = 0, DisplayHeight = 0; // the map display, in screen pixels
    double ZoomFactor = 1.0;                 // map pixels per screen pixel
    int ZoomIndex = kDefaultZoom;
    int TileScreenSize = 32; // screen pixels (and scroll-bar pixels) per tile
    int ScrollTileX = 0, ScrollTileY = 0;
    int ViewWidth = 32,
        ViewHeight = 32; // the rendered frame, in frame pixels: whole tiles covering the view, plus one
    int Scale = 1;       // map pixels per frame pixel (2 and 4 zoomed out)
    TScrollBarState HoriScroll, VertScroll;

    // A fresh view of a map: zoom 1, scrolled to the top-left corner, sized to the display.
    void Initialize(int mapWidth, int mapHeight, int displayWidth, int displayHeight);
    // The display changed size: new page sizes, scroll ranges and frame size.
    void Resize(int displayWidth, int displayHeight);
    // A zoom level was picked; an index outside the table keeps the factor and only
    // recomputes the tile size and the ranges.
    void ZoomChange(int index);
    // A zoom level was picked around a display point (the pointer, or the display's centre):
    // the tile under that point stays under it, as far as the map's edges allow.
    void ZoomAround(int index, int screenX, int screenY);
    // A scroll bar moved to `position` (or was set by code): snaps the last page to the map's
    // edge and recomputes the scroll tile.
    void HoriScrollChange(int position);
    void VertScrollChange(int position);
    // Centres the view on a mini-map point.
    void JumpToPOS(int x, int y, double miniMapScale);

    // The size of the map area the display shows, in map pixels.
    int MapPixelsWide() const { return static_cast<int>(DisplayWidth * ZoomFactor); }
    int MapPixelsHigh() const { return static_cast<int>(DisplayHeight * ZoomFactor); }

    // What the renderer draws for this view.
    ViewState View(std::uint32_t drawFlags) const;
};

} // namespace orv
