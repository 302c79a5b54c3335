#include "view/Overlays.h"

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "graphics/RuleTables.h"

#include <algorithm>
#include <optional>

namespace orv {
namespace {

void Halve(std::uint32_t& pixel) {
    pixel = (pixel >> 1) & 0x7F7F7F7Fu;
}

std::int64_t CeilDiv(std::int64_t a, std::int64_t b) {
    return a >= 0 ? (a + b - 1) / b : -((-a) / b);
}

bool LocationShown(const TGameData& data, int slot, const LocationSlot& l) {
    return slot != kAnywhereSlot && ((l.Flags ^ 255u) & data.Options.LocationElevationMask) != 0;
}

// A name as drawn on the map: the game's colour and formatting bytes are left out.
QString ShownName(const std::string& text) {
    QString name = QString::fromStdString(text);
    name.removeIf([](QChar c) { return c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() < 0xA0); });
    return name;
}

} // namespace

PixelMap PixelMap::Frame(const ViewState& view) {
    PixelMap map;
    map.OriginX = std::int64_t{view.ScrollTileX} * 32;
    map.OriginY = std::int64_t{view.ScrollTileY} * 32;
    map.Scale = std::max(1, view.Scale);
    map.Sample = map.Scale / 2;
    return map;
}

PixelMap PixelMap::Screen(const ViewState& view) {
    PixelMap map = Frame(view);
    if (view.Zoom < 1.0) {
        map.Enlarge = std::max(1, static_cast<int>(1.0 / view.Zoom + 0.5));
    }
    return map;
}

std::int64_t PixelMap::X(std::int64_t mapX) const {
    return Scale > 1 ? CeilDiv(mapX - OriginX - Sample, Scale) : (mapX - OriginX) * Enlarge;
}

std::int64_t PixelMap::Y(std::int64_t mapY) const {
    return Scale > 1 ? CeilDiv(mapY - OriginY - Sample, Scale) : (mapY - OriginY) * Enlarge;
}

void FrameHLine(const PixelTarget32& t, int x1, int x2, int y, std::uint32_t colour) {
    if (y < 0 || y >= t.height) {
        return;
    }
    const int from = std::max(0, std::min(x1, x2)), to = std::min(t.width, std::max(x1, x2));
    for (int x = from; x < to; ++x) {
        t.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(t.stride) +
                 static_cast<std::size_t>(x)] = colour;
    }
}

void FrameVLine(const PixelTarget32& t, int y1, int y2, int x, std::uint32_t colour) {
    if (x < 0 || x >= t.width) {
        return;
    }
    const int from = std::max(0, std::min(y1, y2)), to = std::min(t.height, std::max(y1, y2));
    for (int y = from; y < to; ++y) {
        t.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(t.stride) +
                 static_cast<std::size_t>(x)] = colour;
    }
}

void FrameRect(const PixelTarget32& t, int left, int top, int right, int bottom, std::uint32_t colour) {
    FrameHLine(t, left, right, top, colour);
    FrameHLine(t, left, right, bottom - 1, colour);
    FrameVLine(t, top, bottom, left, colour);
    FrameVLine(t, top, bottom, right - 1, colour);
}

void DrawAreaOverlays(CMapRenderer& renderer, const TCHK& chk, const CStarcraftTileset& tileset,
                      const TGameData& data, const ViewState& view, const OverlayState& state) {
    auto& frame = renderer.Frame32;
    const int vw = view.ViewWidth, vh = view.ViewHeight, sx = view.ScrollTileX, sy = view.ScrollTileY;
    const int k = std::max(1, view.Scale), h = k / 2, tp = view.TilePixels();
    auto pixel = [&](int x, int y) -> std::uint32_t& {
        return frame[static_cast<std::size_t>(y) * static_cast<std::size_t>(vw) +
                     static_cast<std::size_t>(x)];
    };
    // apply(pixel, x, y) over the frame pixels of view tile (i, j); x and y are the map
    // pixels inside the tile that the frame pixel shows.
    auto tileRect = [&](int i, int j, auto&& apply) {
        for (int y = j * tp; y < j * tp + tp && y < vh; ++y) {
            for (int x = i * tp; x < i * tp + tp && x < vw; ++x) {
                apply(pixel(x, y), (x - i * tp) * k + h, (y - j * tp) * k + h);
            }
        }
    };
    const int columns = std::min(view.TilesWide(), kGridSide - sx),
              rows = std::min(view.TilesHigh(), kGridSide - sy);
    // Fog of war: the current player's fogged tiles at half brightness.
    const std::uint8_t fogBit = FogBit(state.CurrentPlayer);
    if ((view.DrawFlags & draw_flags::kFog) && fogBit) {
        for (int i = 0; i < columns; ++i) {
            for (int j = 0; j < rows; ++j) {
                if (chk.FogGrid[TCHK::Cell(sx + i, sy + j)] & fogBit) {
                    tileRect(i, j, [](std::uint32_t& p, int, int) { Halve(p); });
                }
            }
        }
    }
    // Placability: unbuildable ground darkened for buildings, unwalkable minitiles red for
    // ground units, nothing for flyers.
    if ((view.DrawFlags & draw_flags::kPlacability) && state.CurrentUnitType >= 0) {
        const std::uint32_t flags = UnitsTable(data.UnitsDat).Flags(state.CurrentUnitType);
        const bool building = flags & UnitsTable::kBuilding, flyer = flags & UnitsTable::kFlyer;
        for (int i = 0; i < columns && !flyer; ++i) {
            for (int j = 0; j < rows; ++j) {
                const int value = chk.TileMap[TCHK::Cell(sx + i, sy + j)] & 0x7FFF;
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
    // Location rectangles: tinted by type, cut at the frame; a frame pixel is tinted when the
    // map pixel it shows lies inside (the outline is drawn on screen).
    if (view.DrawFlags & draw_flags::kLocations) {
        const PixelMap map = PixelMap::Frame(view);
        for (int i = 0; i < kLocationSlots; ++i) {
            const LocationSlot& l = chk.Locations[static_cast<std::size_t>(i)];
            if (!LocationShown(data, i, l)) {
                continue;
            }
            const auto left =
                static_cast<int>(std::clamp<std::int64_t>(map.X(std::min(l.Left, l.Right)), 0, vw));
            const auto right =
                static_cast<int>(std::clamp<std::int64_t>(map.X(std::max(l.Left, l.Right)), 0, vw));
            const auto top =
                static_cast<int>(std::clamp<std::int64_t>(map.Y(std::min(l.Top, l.Bottom)), 0, vh));
            const auto bottom =
                static_cast<int>(std::clamp<std::int64_t>(map.Y(std::max(l.Top, l.Bottom)), 0, vh));
            const int shift = 8 * LocationChannel(l);
            for (int y = top; y < bottom; ++y) {
                for (int x = left; x < right; ++x) {
                    std::uint32_t& p = pixel(x, y);
                    const std::uint32_t value = std::min<std::uint32_t>(255, ((p >> shift) & 0xFF) + 96);
                    p = (p & ~(0xFFu << shift)) | (value << shift);
                }
            }
        }
    }
}

int LocationChannel(const LocationSlot& l) {
    return (l.Flags & 256) ? 2 : (l.Flags & 128) ? 1 : 0; // blue, green, red byte
}

void DrawScreenOverlays(QImage& screen, const TCHK& chk, const CStarcraftTileset& tileset,
                        const TGameData& data, const ViewState& view, const OverlayState& state) {
    if (screen.isNull() || screen.depth() != 32) {
        return;
    }
    const PixelTarget32 target{reinterpret_cast<std::uint32_t*>(screen.bits()), screen.width(),
                               screen.height(), static_cast<int>(screen.bytesPerLine() / 4)};
    const PixelMap map = PixelMap::Screen(view);
    const int sw = screen.width(), sh = screen.height();
    auto clipX = [&](std::int64_t v) { return static_cast<int>(std::clamp<std::int64_t>(v, 0, sw)); };
    auto clipY = [&](std::int64_t v) { return static_cast<int>(std::clamp<std::int64_t>(v, 0, sh)); };
    struct Box {
        int left, top, right, bottom;
    };
    // A location's rectangle on screen, cut at the screen's edges (in 64 bits: maps hold
    // coordinates near +-2^31).
    auto locationBox = [&](const LocationSlot& l) {
        return Box{clipX(map.X(std::min(l.Left, l.Right))), clipY(map.Y(std::min(l.Top, l.Bottom))),
                   clipX(map.X(std::max(l.Left, l.Right))), clipY(map.Y(std::max(l.Top, l.Bottom)))};
    };
    const bool locations = view.DrawFlags & draw_flags::kLocations;
    // Location borders, one screen pixel wide; the selected one white.
    if (locations) {
        for (int i = 0; i < kLocationSlots; ++i) {
            const LocationSlot& l = chk.Locations[static_cast<std::size_t>(i)];
            const Box b = locationBox(l);
            if (!LocationShown(data, i, l) || b.left == b.right || b.top == b.bottom) {
                continue;
            }
            const std::uint32_t border =
                i == state.SelectedLocation ? 0xFFFFFFu : 0xFFu << (8 * LocationChannel(l));
            FrameRect(target, b.left, b.top, b.right, b.bottom, border);
        }
    }
    // Grids, one screen pixel wide at every zoom, over the map.
    auto grid = [&](int offset, std::uint32_t colour) {
        const int right = clipX(map.X(std::int64_t{chk.Width} * 32)),
                  bottom = clipY(map.Y(std::int64_t{chk.Height} * 32));
        for (int n = 0; n <= chk.Width; ++n) {
            const std::int64_t x = map.X(std::int64_t{n} * 32 + offset);
            if (x >= 0 && x < right) {
                FrameVLine(target, 0, bottom, static_cast<int>(x), colour);
            }
        }
        for (int n = 0; n <= chk.Height; ++n) {
            const std::int64_t y = map.Y(std::int64_t{n} * 32 + offset);
            if (y >= 0 && y < bottom) {
                FrameHLine(target, 0, right, static_cast<int>(y), colour);
            }
        }
    };
    if (data.Options.ShowGrid && !view.Picture) {
        grid(0, kGridColour);
    }
    if (data.Options.ShowFineGrid && !view.Picture) {
        grid(16, kFineGridColour);
    }
    // Location names over everything else, white and bold, at the top left of the (cut)
    // rectangle. Text needs the font system of a GUI application; without one (a bare library
    // user) names are left out.
    if (locations && QGuiApplication::instance()) {
        QPainter painter(&screen);
        QFont font = painter.font();
        font.setBold(true);
        font.setPixelSize(11);
        painter.setFont(font);
        painter.setPen(QColor(255, 255, 255));
        std::optional<TMapText> guessed;
        const TMapText* text = state.Text;
        if (!text) {
            text = &guessed.emplace(chk);
        }
        for (int i = 0; i < kLocationSlots; ++i) {
            const LocationSlot& l = chk.Locations[static_cast<std::size_t>(i)];
            if (!LocationShown(data, i, l) || l.Name < 2 ||
                static_cast<std::size_t>(l.Name - 1) >= chk.Strings.Entries.size()) {
                continue;
            }
            const std::string& name = chk.Strings.Entries[static_cast<std::size_t>(l.Name - 1)];
            const Box b = locationBox(l);
            if (name.empty() || b.left == b.right || b.top == b.bottom) {
                continue;
            }
            painter.drawText(QPoint(b.left + 1, b.top + 5 + 11), ShownName(text->Show(name)));
        }
    }
    // Frames of the selected doodads, two pixels wide.
    if (view.DrawFlags & draw_flags::kSelectedDoodads) {
        for (int index : state.SelectedDoodads) {
            if (index < 0 || static_cast<std::size_t>(index) >= chk.Doodads.size()) {
                continue;
            }
            const DoodadRecord& d = chk.Doodads[static_cast<std::size_t>(index)];
            const DoodadInfoRecord& info = tileset.DoodadInfo(d.Number);
            const auto left =
                static_cast<int>(std::clamp<std::int64_t>(map.X(d.X - 16 * info.Width), -4, sw + 4));
            const auto top =
                static_cast<int>(std::clamp<std::int64_t>(map.Y(d.Y - 16 * info.Height), -4, sh + 4));
            const auto right =
                static_cast<int>(std::clamp<std::int64_t>(map.X(d.X + 16 * info.Width), -4, sw + 4));
            const auto bottom =
                static_cast<int>(std::clamp<std::int64_t>(map.Y(d.Y + 16 * info.Height), -4, sh + 4));
            FrameRect(target, left, top, right + 1, bottom + 1, 0x00FF00);
            FrameRect(target, left + 1, top + 1, right, bottom, 0x00FF00);
        }
    }
}

} // namespace orv
