#include "view/MiniMap.h"

#include "graphics/RuleTables.h"

#include <algorithm>
#include <cmath>

namespace orv {
namespace {

// Outlines `rect` one pixel wide on the 128 x 128 picture; what lies outside it is left out.
void Outline(std::vector<std::uint32_t>& picture, const CMiniMap::Rect& rect, std::uint32_t colour) {
    constexpr int side = CMiniMap::kSide;
    auto row = [&](int y) {
        if (y >= 0 && y < side) {
            for (int x = std::max(0, rect.Left); x < std::min(side, rect.Right); ++x) {
                picture[static_cast<std::size_t>(y * side + x)] = colour;
            }
        }
    };
    auto column = [&](int x) {
        if (x >= 0 && x < side) {
            for (int y = std::max(0, rect.Top); y < std::min(side, rect.Bottom); ++y) {
                picture[static_cast<std::size_t>(y * side + x)] = colour;
            }
        }
    };
    row(rect.Top);
    row(rect.Bottom - 1);
    column(rect.Left);
    column(rect.Right - 1);
}

} // namespace

void CMiniMap::BuildBase(const TCHK& chk, const CStarcraftTileset& tileset) {
    Width = chk.Width;
    Height = chk.Height;
    Base.assign(static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height), 0);
    const PixelTarget32 target{Base.data(), Width, Height, Width};
    for (int y = 0; y < Height; ++y) {
        for (int x = 0; x < Width; ++x) {
            tileset.DrawTilePixel(target, chk.TileMap[TCHK::Cell(x, y)], x, y);
        }
    }
}

void CMiniMap::BuildBase(const TCHK& chk, const CStarcraftTileset& tileset, const TileRect& rect) {
    if (Width != chk.Width || Height != chk.Height ||
        Base.size() != static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height)) {
        BuildBase(chk, tileset);
        return;
    }
    const PixelTarget32 target{Base.data(), Width, Height, Width};
    for (int y = std::max(0, rect.Top); y < std::min(Height, rect.Bottom); ++y) {
        for (int x = std::max(0, rect.Left); x < std::min(Width, rect.Right); ++x) {
            tileset.DrawTilePixel(target, chk.TileMap[TCHK::Cell(x, y)], x, y);
        }
    }
}

void CMiniMap::Fill(const Rect& rect, std::uint32_t colour) {
    for (int y = std::max(0, rect.Top); y < std::min(Height, rect.Bottom); ++y) {
        for (int x = std::max(0, rect.Left); x < std::min(Width, rect.Right); ++x) {
            Image[static_cast<std::size_t>(y) * static_cast<std::size_t>(Width) +
                  static_cast<std::size_t>(x)] = colour;
        }
    }
}

void CMiniMap::Draw(const TCHK& chk, const CStarcraftTileset& tileset, const TGameData& data,
                    const ViewState& view, int editMode, int currentPlayer) {
    if (Base.size() != static_cast<std::size_t>(chk.Width) * static_cast<std::size_t>(chk.Height)) {
        BuildBase(chk, tileset);
    }
    Image = Base;
    const std::uint8_t bit =
        currentPlayer >= 0 && currentPlayer < 8 ? static_cast<std::uint8_t>(1u << currentPlayer) : 0;
    if (editMode == kFogOfWarMode && bit) {
        for (int y = 0; y < Height; ++y) {
            for (int x = 0; x < Width; ++x) {
                if (chk.FogGrid[TCHK::Cell(x, y)] & bit) {
                    std::uint32_t& p = Image[static_cast<std::size_t>(y) * static_cast<std::size_t>(Width) +
                                             static_cast<std::size_t>(x)];
                    p = (p >> 1) & 0x7F7F7F;
                }
            }
        }
    }
    for (const UnitRecord& u : chk.Units) {
        if (!data.UnitSheet(u.Type)) {
            continue;
        }
        const int colour = u.Owner >= 8 ? u.Owner : chk.Colours[u.Owner];
        const std::uint8_t index = colour < 16 ? data.MinimapColorTable[static_cast<std::size_t>(colour)] : 0;
        const auto [bw, bh] = UnitsTable(data.UnitsDat).PlacementBox(u.Type);
        const int left = u.X / 32, top = u.Y / 32;
        Fill({left, top, std::max((u.X + bw) / 32, left + 2), std::max((u.Y + bh) / 32, top + 2)},
             tileset.PaletteRGB[index]);
    }
    ViewTiles = {view.ScrollTileX, view.ScrollTileY, view.ScrollTileX - 1 + view.TilesWide(),
                 view.ScrollTileY - 1 + view.TilesHigh()};
    HoverTiles.reset();
}

CMiniMap::Rect CMiniMap::HoverRect(int x, int y, double scale, const ViewState& view) {
    x = std::clamp(x, 0, kSide);
    y = std::clamp(y, 0, kSide);
    const int vw = view.TilesWide(), vh = view.TilesHigh();
    return {static_cast<int>(std::trunc(x / scale - vw / 2)) + 2,
            static_cast<int>(std::trunc(y / scale - vh / 2)) + 2,
            static_cast<int>(std::trunc(x / scale + vw / 2)) + 2,
            static_cast<int>(std::trunc(y / scale + vh / 2)) + 2};
}

void CMiniMap::DrawHover(int x, int y, const ViewState& view) {
    HoverTiles = HoverRect(x, y, Scale(), view);
}

CMiniMap::Rect CMiniMap::ToPixels(const Rect& tiles) const {
    const int m = std::max(Width, Height);
    if (m == 0) {
        return {};
    }
    // Display shows tile t on the pixels p with p * m / 128 == t, that is from
    // ceil(t * 128 / m) up to ceil((t + 1) * 128 / m); a tile may get none when m > 128.
    auto first = [m](int tile) {
        const int n = tile * kSide;
        return n / m + (n % m > 0 ? 1 : 0);
    };
    Rect pixels{first(tiles.Left), first(tiles.Top), first(tiles.Right), first(tiles.Bottom)};
    pixels.Right = std::max(pixels.Right, pixels.Left + 1);
    pixels.Bottom = std::max(pixels.Bottom, pixels.Top + 1);
    return pixels;
}

std::vector<std::uint32_t> CMiniMap::Display() const {
    std::vector<std::uint32_t> out(static_cast<std::size_t>(kSide * kSide), 0);
    const int m = std::max(Width, Height);
    if (m == 0) {
        return out;
    }
    for (int y = 0; y < kSide; ++y) {
        const int sy = y * m / kSide;
        for (int x = 0; x < kSide; ++x) {
            const int sx = x * m / kSide;
            if (sx < Width && sy < Height) {
                out[static_cast<std::size_t>(y * kSide + x)] =
                    Image[static_cast<std::size_t>(sy) * static_cast<std::size_t>(Width) +
                          static_cast<std::size_t>(sx)];
            }
        }
    }
    Outline(out, ToPixels(ViewTiles), 0xFFFFFF);
    if (HoverTiles) {
        Outline(out, ToPixels(*HoverTiles), 0x008000);
    }
    return out;
}

} // namespace orv
