#include "view/MiniMap.h"

#include <algorithm>
#include <cmath>

namespace orv {

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

void CMiniMap::Fill(const Rect& rect, std::uint32_t colour) {
    for (int y = std::max(0, rect.Top); y < std::min(Height, rect.Bottom); ++y) {
        for (int x = std::max(0, rect.Left); x < std::min(Width, rect.Right); ++x) {
            Image[static_cast<std::size_t>(y) * static_cast<std::size_t>(Width) + static_cast<std::size_t>(x)] = colour;
        }
    }
}

void CMiniMap::Outline(const Rect& rect, std::uint32_t colour) {
    auto put = [&](int x, int y) {
        if (x >= 0 && y >= 0 && x < Width && y < Height) {
            Image[static_cast<std::size_t>(y) * static_cast<std::size_t>(Width) + static_cast<std::size_t>(x)] = colour;
        }
    };
    for (int x = rect.Left; x < rect.Right; ++x) {
        put(x, rect.Top);
        put(x, rect.Bottom - 1);
    }
    for (int y = rect.Top; y < rect.Bottom; ++y) {
        put(rect.Left, y);
        put(rect.Right - 1, y);
    }
}

void CMiniMap::Draw(const TCHK& chk, const CStarcraftTileset& tileset, const TGameData& data, const ViewState& view,
                    int editMode, int currentPlayer) {
    if (Base.size() != static_cast<std::size_t>(chk.Width) * static_cast<std::size_t>(chk.Height)) {
        BuildBase(chk, tileset);
    }
    Image = Base;
    const std::uint8_t bit = currentPlayer >= 0 && currentPlayer < 8 ? static_cast<std::uint8_t>(1u << currentPlayer) : 0;
    if (editMode == kFogOfWarMode && bit) {
        for (int y = 0; y < Height; ++y) {
            for (int x = 0; x < Width; ++x) {
                if (chk.FogGrid[TCHK::Cell(x, y)] & bit) {
                    std::uint32_t& p = Image[static_cast<std::size_t>(y) * static_cast<std::size_t>(Width) + static_cast<std::size_t>(x)];
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
        const int bw = ReadLEOr<std::uint16_t>(data.UnitsDat, 11284 + 4 * static_cast<std::size_t>(u.Type), 0);
        const int bh = ReadLEOr<std::uint16_t>(data.UnitsDat, 11286 + 4 * static_cast<std::size_t>(u.Type), 0);
        const int left = u.X / 32, top = u.Y / 32;
        Fill({left, top, std::max((u.X + bw) / 32, left + 2), std::max((u.Y + bh) / 32, top + 2)}, tileset.PaletteRGB[index]);
    }
    Outline({view.ScrollTileX, view.ScrollTileY, view.ScrollTileX - 1 + view.ViewWidth / 32,
             view.ScrollTileY - 1 + view.ViewHeight / 32},
            0xFFFFFF);
}

CMiniMap::Rect CMiniMap::HoverRect(int x, int y, double scale, const ViewState& view) {
    x = std::clamp(x, 0, kSide);
    y = std::clamp(y, 0, kSide);
    const int vw = view.ViewWidth / 32, vh = view.ViewHeight / 32;
    return {static_cast<int>(std::trunc(x / scale - vw / 2)) + 2, static_cast<int>(std::trunc(y / scale - vh / 2)) + 2,
            static_cast<int>(std::trunc(x / scale + vw / 2)) + 2, static_cast<int>(std::trunc(y / scale + vh / 2)) + 2};
}

void CMiniMap::DrawHover(int x, int y, const ViewState& view) {
    const int vw = view.ViewWidth / 32, vh = view.ViewHeight / 32;
    Outline({view.ScrollTileX, view.ScrollTileY, view.ScrollTileX + vw, view.ScrollTileY + vh}, 0xFFFFFF);
    Outline(HoverRect(x, y, Scale(), view), 0x008000);
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
                    Image[static_cast<std::size_t>(sy) * static_cast<std::size_t>(Width) + static_cast<std::size_t>(sx)];
            }
        }
    }
    return out;
}

} // namespace orv
