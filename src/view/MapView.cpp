#include "view/MapView.h"

#include <QPainter>

#include "tools/LocationTool.h"
#include "view/Overlays.h"

#include <algorithm>
#include <cstring>

namespace orv {

CMapView::CMapView(TCHK& chk, CStarcraftTileset& tileset, TGameData& data)
    : m_chk(chk), m_tileset(tileset), m_data(data) {
    Edit.Text = TMapText(chk);
}

void CMapView::Initialize(int displayWidth, int displayHeight) {
    // The map's text encoding is the window's, guessed once when the map was opened.
    TMapText text = std::move(Edit.Text);
    Edit = TEditState{};
    Edit.Text = std::move(text);
    Viewport.Initialize(m_chk.Width, m_chk.Height, displayWidth, displayHeight);
    RebuildMiniMapBase();
    Resize(displayWidth, displayHeight);
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
    Renderer.DrawDisplay(m_chk, m_tileset, m_data, view, state);
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
    // 5 to 8, 10. The other tool overlays.
    if (ToolOverlays) {
        ToolOverlays(DisplayBitmap, mx, my, drawFlags);
    }
    // 11. On screen.
    if (Present) {
        Present();
    }
}

void CMapView::RebuildMiniMapBase() {
    MiniMap.Width = m_chk.Width;
    MiniMap.Height = m_chk.Height;
    MiniMap.BuildBase(m_chk, m_tileset);
}

void CMapView::RebuildMiniMapBase(const TileRect& cells) {
    MiniMap.Width = m_chk.Width;
    MiniMap.Height = m_chk.Height;
    MiniMap.BuildBase(m_chk, m_tileset, cells);
}

void CMapView::DrawMiniMap() {
    MiniMap.Draw(m_chk, m_tileset, m_data, Viewport.View(DrawFlags()), Edit.Mode, Edit.CurrentPlayer);
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
