#include "view/MapView.h"

#include <QPainter>

#include "graphics/RuleTables.h"
#include "tools/LocationTool.h"
#include "view/Overlays.h"

#include <algorithm>
#include <cstring>

namespace orv {

CMapView::CMapView(TCHK& chk, CStarcraftTileset& tileset, TGameData& data)
    : m_chk(chk), m_tileset(&tileset), m_data(data) {
    Edit.Text = TMapText(chk);
}

void CMapView::Initialize(int displayWidth, int displayHeight) {
    // The map's text encoding is the window's, guessed once when the map was opened.
    TMapText text = std::move(Edit.Text);
    auto halfHeight = std::move(Edit.SheetHalfHeight);
    Edit = TEditState{};
    Edit.Text = std::move(text);
    Edit.SheetHalfHeight = std::move(halfHeight);
    Viewport.Initialize(m_chk.Width, m_chk.Height, displayWidth, displayHeight);
    RebuildMiniMapBase();
    Resize(displayWidth, displayHeight);
    DrawMiniMap();
    DisplayMiniMap();
}

void CMapView::MapChanged(CStarcraftTileset& tileset) {
    m_tileset = &tileset;
    Viewport.MapWidth = m_chk.Width;
    Viewport.MapHeight = m_chk.Height;
    Resize(Viewport.DisplayWidth, Viewport.DisplayHeight);
    // A smaller map may end before the place shown.
    Viewport.HoriScrollChange(std::min(Viewport.HoriScroll.Position, Viewport.HoriScroll.Reach()));
    Viewport.VertScrollChange(std::min(Viewport.VertScroll.Position, Viewport.VertScroll.Reach()));
    RebuildMiniMapBase();
    DrawMiniMap();
    DisplayMiniMap();
}

void CMapView::Resize(int displayWidth, int displayHeight) {
    Viewport.Resize(displayWidth, displayHeight);
    // Until the next render the view shows black at the new size.
    if (FrameBitmap.width() != Viewport.ViewWidth || FrameBitmap.height() != Viewport.ViewHeight) {
        DisplayBitmap = QImage();
        FrameBitmap = QImage(Viewport.ViewWidth, Viewport.ViewHeight, QImage::Format_RGB32);
        FrameBitmap.fill(0u);
        DisplayBitmap = FrameBitmap;
    }
    RedrawRequest = true;
}

void CMapView::ZoomChange(int index) {
    Viewport.ZoomChange(index);
    // The frame must cover a different part of the map: render it anew.
    Resize(Viewport.DisplayWidth, Viewport.DisplayHeight);
}

void CMapView::ZoomAround(int index, int screenX, int screenY) {
    Viewport.ZoomAround(index, screenX, screenY);
    Resize(Viewport.DisplayWidth, Viewport.DisplayHeight);
    RedrawRequest = true;
}

void CMapView::HoriScrollChange(int position) {
    Viewport.HoriScrollChange(position);
    RedrawRequest = true;
}

void CMapView::VertScrollChange(int position) {
    Viewport.VertScrollChange(position);
    RedrawRequest = true;
}

void CMapView::JumpToPOS(int x, int y) {
    Viewport.JumpToPOS(x, y, MiniMap.Scale());
    RedrawRequest = true;
}

std::uint32_t CMapView::DrawFlags() const {
    std::uint32_t flags = 0;
    switch (Edit.Mode) {
    case kModeTerrain:
        flags += draw_flags::kBrush;
        break;
    case kModeFog:
        flags += draw_flags::kFog;
        break;
    case kModeLocations:
        flags += draw_flags::kLocations;
        break;
    case kModeUnits:
        flags += draw_flags::kUnitPreview;
        break;
    case kModeDoodads:
        flags += draw_flags::kSelectedDoodads;
        break;
    default:
        break;
    }
    if (m_data.Options.ShowPlacability && Edit.CurrentUnitType != -1) {
        flags += draw_flags::kPlacability;
    }
    return flags;
}

bool CMapView::CheckOverlayRedraw() const {
    return Edit.OverlayX != Edit.LastOverlayX || Edit.OverlayY != Edit.LastOverlayY;
}

CMapView::Tick CMapView::RefreshTick(bool active, int mouseX, int mouseY) {
    if (!active) {
        return Tick::Inactive;
    }
    if (!RedrawRequest && !CheckOverlayRedraw()) {
        return Tick::Idle;
    }
    const std::uint32_t flags = DrawFlags();
    const bool full = RedrawRequest;
    if (full) {
        DrawDisplay(flags, mouseX, mouseY);
    } else {
        DrawOverlays(flags, mouseX, mouseY);
    }
    Edit.LastOverlayX = Edit.OverlayX;
    Edit.LastOverlayY = Edit.OverlayY;
    DrawMiniMap();
    DisplayMiniMap();
    return full ? Tick::Full : Tick::Overlays;
}

bool CMapView::RenderIfDue(int mouseX, int mouseY) {
    if (!RedrawRequest) {
        return false;
    }
    std::function<void()> present = std::move(Present);
    Present = nullptr;
    DrawDisplay(DrawFlags(), mouseX, mouseY);
    Present = std::move(present);
    return true;
}

void CMapView::DrawDisplay(std::uint32_t drawFlags, int mouseX, int mouseY) {
    RedrawRequest = false;
    ++FullRenders;
    OverlayState state;
    state.CurrentPlayer = Edit.CurrentPlayer;
    state.CurrentUnitType = Edit.CurrentUnitType;
    state.SelectedLocation = Edit.Selection.Location;
    state.SelectedDoodads = Edit.Selection.DoodadIndices(m_chk);
    state.SelectedUnits = Edit.Selection.SortedUnitKeys();
    state.Text = &Edit.Text;
    ViewState view = Viewport.View(drawFlags);
    // The frame bitmap is the renderer's screen itself (at 100% and zoomed out its 32-bit
    // frame), not a copy. Both pictures let go of it before the renderer draws anew.
    DisplayBitmap = QImage();
    FrameBitmap = QImage();
    Renderer.DrawDisplay(m_chk, *m_tileset, m_data, view, state);
    FrameBitmap = Renderer.Screen;
    DrawOverlays(drawFlags, mouseX, mouseY);
}

void CMapView::DrawOverlays(std::uint32_t drawFlags, int mouseX, int mouseY) {
    ++OverlayPasses;
    // 1. The mouse point: the display bitmap is in screen pixels at every zoom.
    const int mx = mouseX;
    const int my = mouseY;
    // 2. The last frame. The copy is shared until a tool overlay draws on it.
    DisplayBitmap = FrameBitmap;
    const bool inside = mx >= 0 && my >= 0 && mx < Viewport.DisplayWidth && my < Viewport.DisplayHeight &&
                        !DisplayBitmap.isNull();
    const PixelMap screen = PixelMap::Screen(Viewport.View(drawFlags));
    // Outlines are placed in map pixels and drawn in screen pixels: right at every zoom.
    auto outline = [&](QColor colour, int width,
                       std::initializer_list<std::pair<std::int64_t, std::int64_t>> points) {
        QPainter painter(&DisplayBitmap);
        painter.setPen(QPen(colour, width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        QPolygonF polygon;
        for (const auto& [x, y] : points) {
            polygon << QPointF(static_cast<double>(screen.X(x)), static_cast<double>(screen.Y(y)));
        }
        painter.drawPolygon(polygon);
    };
    // 3. The terrain brush: the isometric brush's diamonds, or the tiles of the Rectangular
    // (a column rounded down to even) and Square shapes.
    if ((drawFlags & draw_flags::kBrush) && inside) {
        const std::int64_t cx = Edit.OverlayX, cy = Edit.OverlayY, n = Edit.BrushWidth;
        if (Edit.BrushShape == 1) {
            // n x n diamonds around the one centred on grid point (cx, cy).
            const std::int64_t x = cx * 64, y = cy * 32;
            outline(QColor(0, 255, 0), 3,
                    {{x, y - n * 32}, {x + n * 64, y}, {x, y + n * 32}, {x - n * 64, y}});
        } else {
            const std::int64_t x = (cx + 1) * 32, y = (cy + 1) * 32;
            if (Edit.BrushShape == 2) {
                const std::int64_t top =
                    std::max<std::int64_t>(std::int64_t{Viewport.ScrollTileY} * 32, y - 16 * n - 16);
                outline(QColor(0, 255, 0), 3,
                        {{x + 32 * n, top},
                         {x + 32 * n, y + 16 * n - 16},
                         {x - 32 * n, y + 16 * n - 16},
                         {x - 32 * n, top}});
            } else {
                const std::int64_t l = x - 16 * n - 16, t = y - 16 * n - 16, r = x + 16 * n - 16,
                                   b = y + 16 * n - 16;
                outline(QColor(0, 255, 0), 3, {{r, t}, {r, b}, {l, b}, {l, t}});
            }
        }
    }
    // 4. The fog brush: the tiles a stroke there would paint.
    if ((drawFlags & draw_flags::kFog) && inside) {
        const int column = Viewport.ScrollTileX + mx / Viewport.TileScreenSize;
        const int row = Viewport.ScrollTileY + my / Viewport.TileScreenSize;
        const int r = Edit.FogBrushRadius;
        if (column < m_chk.Width && row < m_chk.Height) {
            const std::int64_t left = screen.X(std::int64_t{std::max(0, column - r)} * 32);
            const std::int64_t top = screen.Y(std::int64_t{std::max(0, row - r)} * 32);
            const std::int64_t right = screen.X(std::int64_t{std::min(m_chk.Width, column + r + 1)} * 32);
            const std::int64_t bottom = screen.Y(std::int64_t{std::min(m_chk.Height, row + r + 1)} * 32);
            QPainter painter(&DisplayBitmap);
            painter.setPen(QPen(QColor(0, 255, 0), 3, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(QRectF(static_cast<double>(left) + 1, static_cast<double>(top) + 1,
                                    static_cast<double>(right - left) - 3,
                                    static_cast<double>(bottom - top) - 3));
        }
    }
    // 8. The location being created, moved or resized, in a fixed pen that shows on every
    // terrain: yellow over a dark edge.
    if (!DisplayBitmap.isNull()) {
        const std::int64_t qx =
            std::int64_t{Viewport.ScrollTileX} * 32 + std::int64_t{mx} * 32 / Viewport.TileScreenSize;
        const std::int64_t qy =
            std::int64_t{Viewport.ScrollTileY} * 32 + std::int64_t{my} * 32 / Viewport.TileScreenSize;
        if (const auto o = LocationToolOutline(m_chk, Edit, qx, qy)) {
            outline(QColor(0, 0, 0), 3, {{o->X1, o->Y1}, {o->X2, o->Y1}, {o->X2, o->Y2}, {o->X1, o->Y2}});
            outline(QColor(255, 255, 0), 1, {{o->X1, o->Y1}, {o->X2, o->Y1}, {o->X2, o->Y2}, {o->X1, o->Y2}});
        }
    }
    // 9. The selection rubber band, from the press to the pointer.
    if (Edit.RubberBand && !DisplayBitmap.isNull() &&
        ((Edit.Mode == kModeUnits && Edit.CurrentUnitType == -1) ||
         (Edit.Mode == kModeDoodads && Edit.CurrentDoodad == -1))) {
        const std::int64_t px = Edit.PressX, py = Edit.PressY;
        const std::int64_t qx =
            std::int64_t{Viewport.ScrollTileX} * 32 + std::int64_t{mx} * 32 / Viewport.TileScreenSize;
        const std::int64_t qy =
            std::int64_t{Viewport.ScrollTileY} * 32 + std::int64_t{my} * 32 / Viewport.TileScreenSize;
        outline(QColor(0, 200, 0), 1, {{px, py}, {qx, py}, {qx, qy}, {px, qy}});
    }
    // The Copy / Paste drag: from the press tile's top-left corner to the pointer.
    if (Edit.Mode == kModeCopyPaste && Edit.CopyDrag && !DisplayBitmap.isNull()) {
        const std::int64_t px = std::int64_t{Edit.PressColumn} * 32, py = std::int64_t{Edit.PressRow} * 32;
        const std::int64_t qx =
            std::int64_t{Viewport.ScrollTileX} * 32 + std::int64_t{mx} * 32 / Viewport.TileScreenSize;
        const std::int64_t qy =
            std::int64_t{Viewport.ScrollTileY} * 32 + std::int64_t{my} * 32 / Viewport.TileScreenSize;
        outline(QColor(255, 255, 255), 1, {{px, py}, {qx, py}, {qx, qy}, {px, qy}});
    }
    // 5, 6 and 10. What Units and Doodads modes would place, in map pixels at every zoom.
    if (inside) {
        const std::int64_t qx =
            std::int64_t{Viewport.ScrollTileX} * 32 + std::int64_t{mx} * 32 / Viewport.TileScreenSize;
        const std::int64_t qy =
            std::int64_t{Viewport.ScrollTileY} * 32 + std::int64_t{my} * 32 / Viewport.TileScreenSize;
        DrawPlacementPreview(drawFlags, screen, static_cast<int>(qx), static_cast<int>(qy));
    }
    // The other tool overlays.
    if (ToolOverlays) {
        ToolOverlays(DisplayBitmap, mx, my, drawFlags);
    }
    // 11. On screen.
    if (Present) {
        Present();
    }
}

namespace {

// A picture drawn at map scale (one pixel a map pixel) whose unset pixels are transparent:
// sprites and tiles draw into it, then it is laid over the display at the view's zoom.
class TMapPicture {
public:
    TMapPicture(int width, int height, bool opaque)
        : m_image(std::max(1, width), std::max(1, height), QImage::Format_ARGB32) {
        m_image.fill(opaque ? 0xFF000000u : kUnset);
    }
    PixelTarget32 Target() {
        return {reinterpret_cast<std::uint32_t*>(m_image.bits()), m_image.width(), m_image.height(),
                static_cast<int>(m_image.bytesPerLine() / 4)};
    }
    // The picture with every drawn pixel opaque, at the screen rectangle of map rectangle
    // (x, y, width, height).
    void LayOver(QImage& display, const PixelMap& screen, std::int64_t x, std::int64_t y, double opacity) {
        for (int row = 0; row < m_image.height(); ++row) {
            auto* line = reinterpret_cast<std::uint32_t*>(m_image.scanLine(row));
            for (int col = 0; col < m_image.width(); ++col) {
                line[col] = line[col] == kUnset ? 0u : (line[col] | 0xFF000000u);
            }
        }
        QPainter painter(&display);
        painter.setOpacity(opacity);
        const QRectF target(static_cast<double>(screen.X(x)), static_cast<double>(screen.Y(y)),
                            static_cast<double>(screen.X(x + m_image.width()) - screen.X(x)),
                            static_cast<double>(screen.Y(y + m_image.height()) - screen.Y(y)));
        painter.drawImage(target, m_image);
    }

private:
    static constexpr std::uint32_t kUnset = 0x00FE01FDu; // a colour no palette entry has with alpha 0
    QImage m_image;
};

} // namespace

void CMapView::DrawPlacementPreview(std::uint32_t drawFlags, const PixelMap& screen, int x, int y) {
    auto box = [&](std::int64_t l, std::int64_t t, std::int64_t r, std::int64_t b, bool fits) {
        QPainter painter(&DisplayBitmap);
        painter.setPen(QPen(fits ? QColor(0, 0xDD, 0) : QColor(0xDD, 0, 0), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(static_cast<double>(screen.X(l)), static_cast<double>(screen.Y(t)),
                                static_cast<double>(screen.X(r) - screen.X(l)),
                                static_cast<double>(screen.Y(b) - screen.Y(t))));
    };
    // 5. The unit that a click would place, in its owner's colour, and 10. its placement box:
    // green where it fits, red where it does not.
    if ((drawFlags & draw_flags::kUnitPreview) && Edit.CurrentUnitType >= 0) {
        const int type = Edit.CurrentUnitType;
        const TMapPoint at = SnapToGrid(m_chk, Edit.Placement, type, x, y);
        if (const TDoodadGRP* sheet = m_data.UnitSheet(type); sheet && sheet->Width() > 0) {
            const int player = Edit.CurrentPlayer;
            const int colour = player < 8 ? m_chk.Colours[static_cast<std::size_t>(player)] : player;
            TMapPicture picture(sheet->Width(), sheet->Height(), false);
            sheet->DrawFirstFrameToDC(sheet->Width() / 2, sheet->Height() / 2, colour, picture.Target());
            picture.LayOver(DisplayBitmap, screen, at.X - sheet->Width() / 2, at.Y - sheet->Height() / 2,
                            1.0);
        }
        const UnitsTable::Box b = UnitsTable(m_chk.UnitsDat()).PlacementBox(type);
        const bool fits = CanPlaceUnit(m_chk, Edit.Placement, type, x, y);
        box(at.X - b.width / 2, at.Y - b.height / 2, at.X + b.width / 2, at.Y + b.height / 2, fits);
    }
    // 6. The doodad that a click would place: its tiles, and its sprite over them; its
    // footprint's frame says whether it fits there.
    if ((drawFlags & draw_flags::kSelectedDoodads) && Edit.CurrentDoodad >= 0 &&
        Edit.CurrentDoodad < kDoodadCount) {
        const DoodadInfoRecord& info = m_tileset->DoodadInfo(Edit.CurrentDoodad);
        const TDoodadGRP* sheet = info.SheetIndex != 0 && info.SheetIndex < m_data.GrpSheets.size()
                                      ? m_data.GrpSheets[info.SheetIndex].get()
                                      : nullptr;
        const int half = sheet ? sheet->HalfHeight() : 0;
        const TDoodadCursor cursor = DoodadCursorAt(m_chk, Edit.CurrentDoodad, x, y, half);
        const std::int64_t left = std::int64_t{cursor.Column} * 32,
                           top = std::int64_t{cursor.Row + cursor.Shift} * 32;
        if (info.Width > 0 && info.Height > 0) {
            TMapPicture tiles(info.Width * 32, info.Height * 32, false);
            for (int b = 0; b < info.Height; ++b) {
                for (int a = 0; a < info.Width; ++a) {
                    const int value = (info.FirstGroup + b) * 16 + a;
                    if (m_tileset->TileHasGraphics(value)) {
                        m_tileset->DrawTile(tiles.Target(), value, a * 32, b * 32);
                    }
                }
            }
            tiles.LayOver(DisplayBitmap, screen, left, top, 0.85);
        }
        if (sheet && sheet->Width() > 0) {
            TMapPicture sprite(sheet->Width(), sheet->Height(), false);
            sheet->DrawFirstFrameToDC(sheet->Width() / 2, sheet->Height() / 2, Edit.CurrentPlayer,
                                      sprite.Target());
            const TMapPoint at = DoodadPosition(m_chk, Edit.CurrentDoodad, cursor, half);
            sprite.LayOver(DisplayBitmap, screen, at.X - sheet->Width() / 2, at.Y - sheet->Height() / 2,
                           0.85);
        }
        box(left, top, left + info.Width * 32, top + info.Height * 32,
            CanPlaceDoodad(m_chk, Edit.CurrentDoodad, cursor));
    }
}

void CMapView::RebuildMiniMapBase() {
    MiniMap.Width = m_chk.Width;
    MiniMap.Height = m_chk.Height;
    MiniMap.BuildBase(m_chk, *m_tileset);
}

void CMapView::RebuildMiniMapBase(const TileRect& cells) {
    MiniMap.Width = m_chk.Width;
    MiniMap.Height = m_chk.Height;
    MiniMap.BuildBase(m_chk, *m_tileset, cells);
}

void CMapView::DrawMiniMap() {
    MiniMap.Draw(m_chk, *m_tileset, m_data, Viewport.View(DrawFlags()), Edit.Mode, Edit.CurrentPlayer);
}

void CMapView::DrawMiniMapHover(int x, int y) {
    MiniMap.DrawHover(x, y, Viewport.View(DrawFlags()));
}

void CMapView::DisplayMiniMap() {
    const std::vector<std::uint32_t> shown = MiniMap.Display();
    if (MiniMapPicture.width() != CMiniMap::kSide) {
        MiniMapPicture = QImage(CMiniMap::kSide, CMiniMap::kSide, QImage::Format_RGB32);
    }
    for (int y = 0; y < CMiniMap::kSide; ++y) {
        std::memcpy(MiniMapPicture.scanLine(y), shown.data() + static_cast<std::size_t>(y) * CMiniMap::kSide,
                    CMiniMap::kSide * 4);
    }
    if (PresentMiniMap) {
        PresentMiniMap();
    }
}

} // namespace orv
