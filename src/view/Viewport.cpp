#include "view/Viewport.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace orv {

const std::array<const char*, TViewport::kZoomLevels> TViewport::kZoomCaptions{"25%",  "50%",  "100%",
                                                                               "200%", "400%", "800%"};

void TViewport::Initialize(int mapWidth, int mapHeight, int displayWidth, int displayHeight) {
    MapWidth = mapWidth;
    MapHeight = mapHeight;
    ZoomIndex = kDefaultZoom;
    ZoomFactor = 1.0;
    TileScreenSize = 32;
    ScrollTileX = ScrollTileY = 0;
    HoriScroll.Position = VertScroll.Position = 0;
    Resize(displayWidth, displayHeight);
}

void TViewport::Resize(int displayWidth, int displayHeight) {
    DisplayWidth = std::max(0, displayWidth);
    DisplayHeight = std::max(0, displayHeight);
    // The view moves in whole tiles: pages are the display rounded down to whole tiles of
    // the zoom, so the last page ends at the map's edge and every column and row can be
    // scrolled fully into view.
    const int step = std::max(1, TileScreenSize);
    HoriScroll.Max = MapWidth * TileScreenSize;
    VertScroll.Max = MapHeight * TileScreenSize;
    HoriScroll.PageSize = DisplayWidth / step * step;
    VertScroll.PageSize = DisplayHeight / step * step;
    // Zoomed out the frame is drawn reduced, one frame pixel per screen pixel; otherwise at
    // 32 pixels per tile. It covers the map area the display shows in whole tiles, plus one,
    // and never more than the whole map plus one tile, which is all there is to draw.
    Scale = ZoomFactor >= 2.0 ? static_cast<int>(ZoomFactor) : 1;
    const int tilePixels = 32 / Scale;
    ViewWidth = std::min(MapPixelsWide() / 32 + 1, std::max(1, MapWidth + 1)) * tilePixels;
    ViewHeight = std::min(MapPixelsHigh() / 32 + 1, std::max(1, MapHeight + 1)) * tilePixels;
    HoriScrollChange(HoriScroll.Position);
    VertScrollChange(VertScroll.Position);
}

void TViewport::ZoomChange(int index) {
    if (index >= 0 && index < kZoomLevels) {
        ZoomIndex = index;
        ZoomFactor = kZoomFactors[static_cast<std::size_t>(index)];
    }
    TileScreenSize = static_cast<int>(32 / ZoomFactor);
    // Keep the tile at the top-left corner where it was.
    HoriScroll.Position = ScrollTileX * TileScreenSize;
    VertScroll.Position = ScrollTileY * TileScreenSize;
    Resize(DisplayWidth, DisplayHeight);
}

void TViewport::ZoomAround(int index, int screenX, int screenY) {
    const std::int64_t column =
        (std::int64_t{ScrollTileX} * 32 + static_cast<std::int64_t>(screenX * ZoomFactor)) / 32;
    const std::int64_t row =
        (std::int64_t{ScrollTileY} * 32 + static_cast<std::int64_t>(screenY * ZoomFactor)) / 32;
    ZoomChange(index);
    // The first scroll tile n with n x 32 + the point's offset inside [tile x 32, tile x 32 + 32).
    auto first = [](std::int64_t tile, double offset) {
        return static_cast<int>(std::ceil((static_cast<double>(tile) * 32 - offset) / 32));
    };
    HoriScrollChange(std::max(0, first(column, screenX * ZoomFactor)) * TileScreenSize);
    VertScrollChange(std::max(0, first(row, screenY * ZoomFactor)) * TileScreenSize);
}

namespace {

int Snap(TScrollBarState& bar, int position) {
    if (bar.Max - position < bar.PageSize) {
        position = bar.Max - bar.PageSize;
    }
    bar.Position = std::clamp(position, 0, std::max(0, bar.Max));
    return bar.Position;
}

} // namespace

void TViewport::HoriScrollChange(int position) {
    ScrollTileX = Snap(HoriScroll, position) / TileScreenSize;
}

void TViewport::VertScrollChange(int position) {
    ScrollTileY = Snap(VertScroll, position) / TileScreenSize;
}

void TViewport::JumpToPOS(int x, int y, double miniMapScale) {
    if (miniMapScale <= 0) {
        return;
    }
    // The tile under the point, kept to the map (a point on the square's far edge would
    // otherwise name a tile past it).
    const int column = std::clamp(static_cast<int>(x / miniMapScale), 0, std::clamp(MapWidth - 1, 0, 255));
    const int row = std::clamp(static_cast<int>(y / miniMapScale), 0, std::clamp(MapHeight - 1, 0, 255));
    // Half the frame, in scroll-bar pixels (ViewWidth div 2 at zoom 1).
    const int halfWide = ViewWidth * Scale * TileScreenSize / 32 / 2;
    const int halfHigh = ViewHeight * Scale * TileScreenSize / 32 / 2;
    HoriScrollChange(std::clamp(column * TileScreenSize - halfWide, 0, std::max(0, HoriScroll.Max)));
    VertScrollChange(std::clamp(row * TileScreenSize - halfHigh, 0, std::max(0, VertScroll.Max)));
}

ViewState TViewport::View(std::uint32_t drawFlags) const {
    ViewState view;
    view.ScrollTileX = ScrollTileX;
    view.ScrollTileY = ScrollTileY;
    view.ViewWidth = ViewWidth;
    view.ViewHeight = ViewHeight;
    view.Scale = Scale;
    view.Zoom = ZoomFactor;
    view.ScreenWidth = DisplayWidth;
    view.ScreenHeight = DisplayHeight;
    view.TileScreenSize = TileScreenSize;
    view.DrawFlags = drawFlags;
    return view;
}

} // namespace orv
