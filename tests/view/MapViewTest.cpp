#include "view/MapView.h"

#include "base/Random.h"
#include "graphics/RuleTables.h"
#include "support/RecordingPrompter.h"
#include "support/StandinData.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TGameData& Game() {
    return test::StandinGameData();
}

struct Scene {
    test::RecordingPrompter prompter;
    TCHK chk{prompter, &Game().UnitsDat};
    CStarcraftTileset& tileset = Game().Tileset(4);
    CMapView view{chk, tileset, Game()};
    int presented = 0;
    int miniMapsShown = 0;

    explicit Scene(int side = 64) {
        SeedRandom(11);
        chk.NewMap(2, 4, side, side, &tileset);
        chk.LinkTileset(&tileset);
        view.Present = [this] { ++presented; };
        view.PresentMiniMap = [this] { ++miniMapsShown; };
        view.Initialize(610, 433);
    }
};

TEST(MapView, TheFirstTickRendersFullyThenOnlyWhatChanged) {
    Scene s;
    EXPECT_EQ(s.view.RefreshTick(true, 0, 0), CMapView::Tick::Full);
    EXPECT_EQ(s.view.FullRenders, 1);
    EXPECT_EQ(s.presented, 1);
    EXPECT_EQ(s.view.RefreshTick(true, 0, 0), CMapView::Tick::Idle);
    // Only the overlay point moved: the overlay pass alone.
    s.view.Edit.OverlayX = 40;
    EXPECT_EQ(s.view.RefreshTick(true, 40, 0), CMapView::Tick::Overlays);
    EXPECT_EQ(s.view.FullRenders, 1);
    EXPECT_EQ(s.view.OverlayPasses, 2);
    EXPECT_EQ(s.view.RefreshTick(true, 40, 0), CMapView::Tick::Idle);
    // A scroll asks for a full render.
    s.view.HoriScrollChange(64);
    EXPECT_EQ(s.view.RefreshTick(true, 0, 0), CMapView::Tick::Full);
    // So does a resize.
    s.view.Resize(500, 300);
    EXPECT_EQ(s.view.RefreshTick(true, 0, 0), CMapView::Tick::Full);
    EXPECT_EQ(s.view.Viewport.ViewWidth, 512);
}

TEST(MapView, AnInactiveWindowRendersNothing) {
    Scene s;
    s.view.Edit.OverlayX = 99;
    EXPECT_EQ(s.view.RefreshTick(false, 5, 5), CMapView::Tick::Inactive);
    EXPECT_EQ(s.view.FullRenders, 0);
    EXPECT_EQ(s.view.OverlayPasses, 0);
    EXPECT_EQ(s.presented, 0);
    EXPECT_TRUE(s.view.RedrawRequest); // still due when it becomes active
}

TEST(MapView, APaintRequestRendersAnOutOfDateFrameOnce) {
    Scene s;
    EXPECT_TRUE(s.view.RenderIfDue(0, 0));
    EXPECT_EQ(s.view.FullRenders, 1);
    EXPECT_EQ(s.presented, 0); // it is painting already: no second request
    EXPECT_FALSE(s.view.RenderIfDue(0, 0));
    EXPECT_EQ(s.view.FullRenders, 1);
    s.view.Present = nullptr;
    s.view.Resize(300, 200);
    EXPECT_TRUE(s.view.RenderIfDue(0, 0));
    EXPECT_EQ(s.view.FullRenders, 2);
}

TEST(MapView, CopyPasteModeOverlayPassIsTheFrameItself) {
    Scene s;
    s.view.Edit.Mode = kModeCopyPaste;
    int toolCalls = 0;
    std::uint32_t flagsSeen = 99;
    s.view.ToolOverlays = [&](QImage&, int, int, std::uint32_t flags) {
        ++toolCalls;
        flagsSeen = flags;
    };
    s.view.RefreshTick(true, 0, 0);
    s.view.Edit.OverlayX = 7;
    s.view.RefreshTick(true, 7, 0);
    EXPECT_EQ(flagsSeen, 0u);
    EXPECT_EQ(toolCalls, 2);
    EXPECT_TRUE(s.view.DisplayBitmap == s.view.FrameBitmap);
}

TEST(MapView, TheFogBrushOutlinesTheTilesAStrokePaintsAtEveryZoom) {
    Scene s;
    s.view.Edit.Mode = kModeFog;
    const QRgb green = 0xFF00FF00;
    // At 100% the pointer at (100, 40) is over tile (3, 1): radius 1 paints tiles 2 to 4 and
    // 0 to 2, from screen pixel 64 to 160 across and 0 to 96 down.
    s.view.RefreshTick(true, 100, 40);
    EXPECT_EQ(s.view.DisplayBitmap.pixel(65, 50), green);
    EXPECT_EQ(s.view.DisplayBitmap.pixel(158, 50), green);
    EXPECT_NE(s.view.DisplayBitmap.pixel(100, 50), green);
    EXPECT_NE(s.view.FrameBitmap.pixel(65, 50), green); // on the display copy only
    // At 25% the same point is over tile (12, 5): tiles 11 to 13, from screen pixel 88.
    s.view.ZoomChange(0);
    s.view.RefreshTick(true, 100, 40);
    EXPECT_EQ(s.view.DisplayBitmap.pixel(89, 44), green);
    EXPECT_NE(s.view.DisplayBitmap.pixel(100, 44), green);
}

TEST(MapView, PlacementBoxesAndLocationOutlinesLieInMapPixelsAtEveryZoom) {
    Scene s;
    s.view.Edit.Mode = kModeUnits;
    s.view.Edit.CurrentUnitType = 0;
    const UnitsTable::Box box = UnitsTable(Bytes(Game().UnitsDat)).PlacementBox(0);
    ASSERT_GT(box.width, 2);
    const QRgb fits = 0xFF00DD00;
    // At 100% the box's left edge is half its width left of the pointer; at 200% the pointer
    // is over map pixel (50, 50) and every map pixel two screen pixels wide.
    s.view.RefreshTick(true, 100, 100);
    EXPECT_EQ(s.view.DisplayBitmap.pixel(100 - box.width / 2, 100), fits);
    s.view.ZoomChange(3);
    ASSERT_EQ(s.view.Viewport.TileScreenSize, 64);
    s.view.RefreshTick(true, 100, 100);
    EXPECT_EQ(s.view.DisplayBitmap.pixel(2 * (50 - box.width / 2), 100), fits);
    // Where the unit does not fit (off the map's right edge) the box is red.
    s.view.Edit.Placement.IgnoreTerrain = false;
    s.view.ZoomChange(2);
    s.chk.AddUnit(100, 100, 0, 0);
    s.view.RefreshTick(true, 102, 100);
    EXPECT_EQ(s.view.DisplayBitmap.pixel(102 - box.width / 2, 100), 0xFFDD0000) << "on another unit";

    // A location being drawn: from its first tile's corner to the pointer, at 50% too.
    s.view.Edit.Mode = kModeLocations;
    s.view.Edit.LocationDrag = s.view.Edit.LocationCreating = true;
    s.view.Edit.PressColumn = s.view.Edit.PressRow = 1;
    const QRgb yellow = 0xFFFFFF00;
    s.view.RedrawRequest = true;
    s.view.RefreshTick(true, 200, 150);
    EXPECT_EQ(s.view.DisplayBitmap.pixel(100, 32), yellow);
    EXPECT_EQ(s.view.DisplayBitmap.pixel(200, 100), yellow);
    s.view.ZoomChange(1);
    s.view.RedrawRequest = true;
    s.view.RefreshTick(true, 100, 75);
    EXPECT_EQ(s.view.DisplayBitmap.pixel(50, 16), yellow);
    EXPECT_EQ(s.view.DisplayBitmap.pixel(100, 50), yellow);
}

TEST(MapView, ToolOverlaysGetTheMousePointInScreenPixels) {
    Scene s;
    s.view.ZoomChange(1); // 50%
    int mx = -1, my = -1;
    s.view.ToolOverlays = [&](QImage& display, int x, int y, std::uint32_t) {
        mx = x;
        my = y;
        display.setPixel(0, 0, 0xFF00FF);
    };
    s.view.RefreshTick(true, 101, 33);
    EXPECT_EQ(mx, 101); // the display bitmap is in screen pixels at every zoom
    EXPECT_EQ(my, 33);
    // Drawing on the display copy leaves the frame as it was.
    EXPECT_EQ(s.view.DisplayBitmap.pixel(0, 0) & 0xFFFFFFu, 0xFF00FFu);
    EXPECT_NE(s.view.FrameBitmap.pixel(0, 0) & 0xFFFFFFu, 0xFF00FFu);
}

TEST(MapView, ZoomingAsksForAFullRender) {
    Scene s;
    s.view.RefreshTick(true, 0, 0);
    s.view.ZoomChange(0);
    EXPECT_TRUE(s.view.RedrawRequest);
    EXPECT_EQ(s.view.RefreshTick(true, 0, 0), CMapView::Tick::Full);
    EXPECT_EQ(s.view.Renderer.Frame32.size(), static_cast<std::size_t>(s.view.Viewport.ViewWidth) *
                                                  static_cast<std::size_t>(s.view.Viewport.ViewHeight));
    EXPECT_EQ(s.view.FrameBitmap.width(), 65 * 8); // the whole 64-tile map and one tile, reduced
    // A render after a resize to a smaller frame leaves no picture on the old one.
    s.view.Resize(200, 100);
    s.view.RefreshTick(true, 0, 0);
    EXPECT_EQ(s.view.DisplayBitmap.width(), s.view.Viewport.ViewWidth);
    EXPECT_EQ(s.view.DisplayBitmap.pixel(10, 10) & 0xFFFFFFu,
              s.view.Renderer.Frame32[10 * static_cast<std::size_t>(s.view.Viewport.ViewWidth) + 10]);
}

TEST(MapView, TheMiniMapFollowsTheTick) {
    Scene s;
    s.view.RefreshTick(true, 0, 0);
    EXPECT_EQ(s.miniMapsShown, 2); // once at initialisation, once after the render
    EXPECT_DOUBLE_EQ(s.view.MiniMapScale(), 2.0);
    ASSERT_EQ(s.view.MiniMapPicture.width(), 128);
    // The view rectangle is white at the view's corner tile.
    EXPECT_EQ(s.view.MiniMapPicture.pixel(0, 0) & 0xFFFFFFu, 0xFFFFFFu);
    s.view.JumpToPOS(127, 127); // tile (63, 63): the far corner
    EXPECT_EQ(s.view.Viewport.HoriScroll.Position, s.view.Viewport.HoriScroll.Reach());
    EXPECT_TRUE(s.view.RedrawRequest);
}

TEST(MapView, TheHoverRectangleIsGreenUntilTheMiniMapIsDrawnAgain) {
    Scene s;
    s.view.DrawMiniMap();
    s.view.DrawMiniMapHover(60, 60);
    s.view.DisplayMiniMap();
    auto greens = [&] {
        int n = 0;
        for (int y = 0; y < 128; ++y) {
            for (int x = 0; x < 128; ++x) {
                n += (s.view.MiniMapPicture.pixel(x, y) & 0xFFFFFFu) == 0x008000u;
            }
        }
        return n;
    };
    EXPECT_GT(greens(), 0);
    s.view.DrawMiniMap();
    s.view.DisplayMiniMap();
    EXPECT_EQ(greens(), 0);
}

} // namespace
} // namespace orv
