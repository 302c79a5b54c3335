#pragma once

// Everything a map window shows, without the window: the view arithmetic, the renderer and
// its frames, the two bitmaps (the last full frame and what reaches the screen), the
// mini-map, and the refresh tick that decides between a full render and the overlay pass.
// The window forwards its events here and puts the bitmaps on screen; tests and benchmarks
// drive it directly.

#include <QImage>

#include "tools/MapTools.h"
#include "view/MapRenderer.h"
#include "view/MiniMap.h"
#include "view/Viewport.h"

#include <functional>

namespace orv {

struct PixelMap;

class CMapView {
public:
    CMapView(TCHK& chk, CStarcraftTileset& tileset, TGameData& data);

    TViewport Viewport;
    TEditState Edit;
    CMapRenderer Renderer;
    CMiniMap MiniMap;
    QImage FrameBitmap; // the last full frame (the renderer's 32-bit frame, whole tiles covering the display)
    QImage DisplayBitmap;  // the frame plus the tool overlays: what reaches the screen
    QImage MiniMapPicture; // the 128 x 128 mini-map as shown
    bool RedrawRequest = true;

    // The tool overlays (brush outlines, previews, rubber bands): drawn on DisplayBitmap
    // after the frame was copied there, with the mouse point in map pixels of the view.
    std::function<void(QImage& display, int mx, int my, std::uint32_t drawFlags)> ToolOverlays;
    // Puts DisplayBitmap on the screen (the window asks its display to repaint).
    std::function<void()> Present;
    // Puts MiniMapPicture on the screen.
    std::function<void()> PresentMiniMap;

    // A fresh view of the map in a display of the given size; the first tick renders fully.
    void Initialize(int displayWidth, int displayHeight);
    // The display changed size: new frames and bitmaps, and a full render at the next tick.
    void Resize(int displayWidth, int displayHeight);
    void ZoomChange(int index);
    // A zoom level picked around a display point, which keeps the tile under it.
    void ZoomAround(int index, int screenX, int screenY);
    void HoriScrollChange(int position);
    void VertScrollChange(int position);
    void JumpToPOS(int x, int y);

    // The overlays the current mode asks for.
    std::uint32_t DrawFlags() const;
    bool CheckOverlayRedraw() const;

    enum class Tick { Inactive, Idle, Overlays, Full };
    // The refresh tick. `mouseX`, `mouseY`: the pointer in display (client) coordinates.
    Tick RefreshTick(bool active, int mouseX, int mouseY);

    // The display must repaint while its frame is out of date (a window that was never
    // active, or one resized while another was): render now, without asking for another
    // repaint. Returns whether it rendered.
    bool RenderIfDue(int mouseX, int mouseY);

    // The full render, ending with the overlay pass.
    void DrawDisplay(std::uint32_t drawFlags, int mouseX, int mouseY);
    // The overlay pass: read the mouse point, copy the last frame, draw the tool overlays,
    // put the picture on screen.
    void DrawOverlays(std::uint32_t drawFlags, int mouseX, int mouseY);
    // The unit or doodad a click at map pixel (x, y) would place, and whether it fits.
    void DrawPlacementPreview(std::uint32_t drawFlags, const PixelMap& screen, int x, int y);

    // The mini-map: the terrain layer (again after terrain edits), the composed picture, the
    // hover rectangle, and the picture as shown.
    void RebuildMiniMapBase();
    void RebuildMiniMapBase(const TileRect& cells);
    void DrawMiniMap();
    void DrawMiniMapHover(int x, int y);
    void DisplayMiniMap();
    double MiniMapScale() const { return MiniMap.Scale(); }

    TCHK& Scenario() { return m_chk; }
    CStarcraftTileset& Tileset() { return *m_tileset; }
    // The scenario's tileset or size changed: the view shows it (the same place where it
    // still can), with the mini-map drawn anew.
    void MapChanged(CStarcraftTileset& tileset);

    // How often each kind of pass ran (for tests and measurements).
    int FullRenders = 0;
    int OverlayPasses = 0;

private:
    TCHK& m_chk;
    CStarcraftTileset* m_tileset;
    TGameData& m_data;
};

} // namespace orv
