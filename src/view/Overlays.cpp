#include "view/Overlays.h"

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>

namespace orv {
namespace {

// A location coordinate (map pixels, anything up to +-2^31) as a frame coordinate cut to
// 0..limit, computed in 64 bits.
int ClipToView(std::int32_t coordinate, int scrollTile, int limit) {
    return static_cast<int>(std::clamp<std::int64_t>(std::int64_t{coordinate} - std::int64_t{scrollTile} * 32, 0, limit));
}

void Halve(std::uint32_t& pixel) {
    pixel = (pixel >> 1) & 0x7F7F7F7Fu;
}

} // namespace

std::uint8_t PlayerFogBit(int player) {
    return player >= 0 && player < 8 ? static_cast<std::uint8_t>(1u << player) : 0;
}

void FrameHLine(std::vector<std::uint32_t>& frame, int width, int height, int x1, int x2, int y, std::uint32_t colour) {
    if (y < 0 || y >= height) {
        return;
    }
    const int from = std::max(0, std::min(x1, x2)), to = std::min(width, std::max(x1, x2));
    for (int x = from; x < to; ++x) {
        frame[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] = colour;
    }
}

void FrameVLine(std::vector<std::uint32_t>& frame, int width, int height, int y1, int y2, int x, std::uint32_t colour) {
    if (x < 0 || x >= width) {
        return;
    }
    const int from = std::max(0, std::min(y1, y2)), to = std::min(height, std::max(y1, y2));
    for (int y = from; y < to; ++y) {
        frame[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] = colour;
    }
}

void FrameRect(std::vector<std::uint32_t>& frame, int width, int height, int left, int top, int right, int bottom,
               std::uint32_t colour) {
    FrameHLine(frame, width, height, left, right, top, colour);
    FrameHLine(frame, width, height, left, right, bottom - 1, colour);
    FrameVLine(frame, width, height, top, bottom, left, colour);
    FrameVLine(frame, width, height, top, bottom, right - 1, colour);
}

void DrawDisplayOverlays(CMapRenderer& renderer, const TCHK& chk, const CStarcraftTileset& tileset,
                         const TGameData& data, const ViewState& view, const OverlayState& state) {
    auto& frame = renderer.Frame32;
    const int vw = view.ViewWidth, vh = view.ViewHeight, sx = view.ScrollTileX, sy = view.ScrollTileY;
    auto pixel = [&](int x, int y) -> std::uint32_t& {
        return frame[static_cast<std::size_t>(y) * static_cast<std::size_t>(vw) + static_cast<std::size_t>(x)];
    };
    auto tileRect = [&](int i, int j, auto&& apply) {
        for (int y = j * 32; y < j * 32 + 32 && y < vh; ++y) {
            for (int x = i * 32; x < i * 32 + 32 && x < vw; ++x) {
                apply(pixel(x, y), x - i * 32, y - j * 32);
            }
        }
    };
    // Fog of war: the current player's fogged tiles at half brightness.
    const std::uint8_t fogBit = PlayerFogBit(state.CurrentPlayer);
    if ((view.DrawFlags & draw_flags::kFog) && fogBit) {
        const int dx = std::min(0, chk.Width + 1 - vw / 32 - sx), dy = std::min(0, chk.Height + 1 - vh / 32 - sy);
        for (int i = 0; i < vw / 32; ++i) {
            for (int j = 0; j < vh / 32; ++j) {
                const int c = sx + i + dx, r = sy + j + dy;
                if (c >= 0 && r >= 0 && c < kGridSide && r < kGridSide && (chk.FogGrid[TCHK::Cell(c, r)] & fogBit)) {
                    tileRect(i, j, [](std::uint32_t& p, int, int) { Halve(p); });
                }
            }
        }
    }
    // Placability: unbuildable ground darkened for buildings, unwalkable minitiles red for
    // ground units, nothing for flyers.
    if ((view.DrawFlags & draw_flags::kPlacability) && state.CurrentUnitType >= 0) {
        const std::uint32_t flags =
            ReadLEOr<std::uint32_t>(data.UnitsDat, 7032 + 4 * static_cast<std::size_t>(state.CurrentUnitType), 0);
        const bool building = flags & 0x1, flyer = flags & 0x4;
        for (int i = 0; i < vw / 32 && !flyer; ++i) {
            for (int j = 0; j < vh / 32; ++j) {
                const int c = sx + i, r = sy + j;
                if (c >= kGridSide || r >= kGridSide) {
                    continue;
                }
                const int value = chk.TileMap[TCHK::Cell(c, r)];
                if (building) {
                    if ((tileset.Header(value / 16).Flags & 0xFF) > 15) {
                        tileRect(i, j, [](std::uint32_t& p, int, int) { Halve(p); });
                    }
                } else {
                    const TileGraphicsEntry& entry = tileset.Graphics(value);
                    tileRect(i, j, [&](std::uint32_t& p, int x, int y) {
                        if (!(entry.Flags[static_cast<std::size_t>((y / 8) * 4 + x / 8)] & 1)) {
                            p = (p & 0xFF0000u) | (((p >> 8) & 0xFF) >> 1) << 8 | ((p & 0xFF) >> 1);
                        }
                    });
                }
            }
        }
    }
    // Location rectangles: tinted by type, bordered, cut at the frame.
    if (view.DrawFlags & draw_flags::kLocations) {
        for (int i = 0; i < kLocationSlots; ++i) {
            const LocationSlot& l = chk.Locations[static_cast<std::size_t>(i)];
            if (i == 63 || ((l.Flags ^ 255u) & data.Options.LocationElevationMask) == 0) {
                continue;
            }
            const int left = ClipToView(std::min(l.Left, l.Right), sx, vw);
            const int right = ClipToView(std::max(l.Left, l.Right), sx, vw);
            const int top = ClipToView(std::min(l.Top, l.Bottom), sy, vh);
            const int bottom = ClipToView(std::max(l.Top, l.Bottom), sy, vh);
            if (left == right || top == bottom) {
                continue;
            }
            const int channel = (l.Flags & 256) ? 2 : (l.Flags & 128) ? 1 : 0; // blue, green, red byte
            const int shift = 8 * channel;
            for (int y = top; y < bottom; ++y) {
                for (int x = left; x < right; ++x) {
                    std::uint32_t& p = pixel(x, y);
                    const std::uint32_t value = std::min<std::uint32_t>(255, ((p >> shift) & 0xFF) + 96);
                    p = (p & ~(0xFFu << shift)) | (value << shift);
                }
            }
            const std::uint32_t border = i == state.SelectedLocation ? 0xFFFFFFu : 0xFFu << shift;
            FrameRect(frame, vw, vh, left, top, right, bottom, border);
        }
    }
    // Location names, white and bold, at the top left of the (cut) rectangle. Text needs the
    // font system of a GUI application; without one (a bare library user) names are left out.
    if ((view.DrawFlags & draw_flags::kLocations) && QGuiApplication::instance()) {
        QImage canvas(reinterpret_cast<uchar*>(frame.data()), vw, vh, vw * 4, QImage::Format_RGB32);
        QPainter painter(&canvas);
        QFont font = painter.font();
        font.setBold(true);
        font.setPixelSize(11);
        painter.setFont(font);
        painter.setPen(QColor(255, 255, 255));
        for (int i = 0; i < kLocationSlots; ++i) {
            const LocationSlot& l = chk.Locations[static_cast<std::size_t>(i)];
            if (i == 63 || ((l.Flags ^ 255u) & data.Options.LocationElevationMask) == 0 || l.Name < 2 ||
                static_cast<std::size_t>(l.Name - 1) >= chk.Strings.Entries.size()) {
                continue;
            }
            const std::string& name = chk.Strings.Entries[static_cast<std::size_t>(l.Name - 1)];
            const int left = ClipToView(std::min(l.Left, l.Right), sx, vw);
            const int right = ClipToView(std::max(l.Left, l.Right), sx, vw);
            const int top = ClipToView(std::min(l.Top, l.Bottom), sy, vh);
            const int bottom = ClipToView(std::max(l.Top, l.Bottom), sy, vh);
            if (name.empty() || left == right || top == bottom) {
                continue;
            }
            painter.drawText(QPoint(left + 1, top + 5 + 11), QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
        }
    }
    // Grids.
    auto grid = [&](int offset, std::uint32_t colour) {
        for (int x = offset; x < vw; x += 32) FrameVLine(frame, vw, vh, 0, vh, x, colour);
        for (int y = offset; y < vh; y += 32) FrameHLine(frame, vw, vh, 0, vw, y, colour);
    };
    if (data.Options.ShowGrid && !view.GridOnScreen) {
        grid(0, kGridColour);
    }
    if (data.Options.ShowFineGrid && !view.GridOnScreen) {
        grid(16, kFineGridColour);
    }
    // Frames of the selected doodads, two pixels wide.
    if (view.DrawFlags & draw_flags::kSelectedDoodads) {
        for (int index : state.SelectedDoodads) {
            if (index < 0 || static_cast<std::size_t>(index) >= chk.Doodads.size()) {
                continue;
            }
            const DoodadRecord& d = chk.Doodads[static_cast<std::size_t>(index)];
            const DoodadInfoRecord& info = tileset.DoodadInfo(d.Number);
            const int left = d.X - sx * view.TileScreenSize - 16 * info.Width;
            const int top = d.Y - sy * view.TileScreenSize - 16 * info.Height;
            const int right = d.X - sx * view.TileScreenSize + 16 * info.Width;
            const int bottom = d.Y - sy * view.TileScreenSize + 16 * info.Height;
            FrameRect(frame, vw, vh, left, top, right + 1, bottom + 1, 0x00FF00);
            FrameRect(frame, vw, vh, left + 1, top + 1, right, bottom, 0x00FF00);
        }
    }
}

void FogAllOn(TCHK& chk, int player) {
    const std::uint8_t bit = PlayerFogBit(player);
    for (int c = 0; c < chk.Width; ++c) {
        for (int r = 0; r < chk.Height; ++r) {
            chk.Fog(c, r) = static_cast<std::uint8_t>(chk.Fog(c, r) | bit);
        }
    }
}

void FogAllOff(TCHK& chk, int player) {
    const std::uint8_t bit = PlayerFogBit(player);
    for (int c = 0; c < chk.Width; ++c) {
        for (int r = 0; r < chk.Height; ++r) {
            chk.Fog(c, r) = static_cast<std::uint8_t>(chk.Fog(c, r) & ~bit);
        }
    }
}

void AddMapRevealers(TCHK& chk, int number) {
    // The item "Add for player N" gives them to player N (owner N - 1); every revealer
    // stands inside the map, whatever its width.
    const int shift = 4 * number;
    for (int x = shift; x < chk.Width * 32; x += 384) {
        for (int y = shift; y < chk.Height * 32; y += 384) {
            chk.AddUnit(x, y, number - 1, 101);
        }
    }
}

} // namespace orv
