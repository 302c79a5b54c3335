#include "view/Viewport.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(Viewport, A64MapInA610By433View) {
    TViewport v;
    v.Initialize(64, 64, 610, 433);
    EXPECT_EQ(v.ViewWidth, 640);
    EXPECT_EQ(v.ViewHeight, 448);
    EXPECT_EQ(v.HoriScroll.PageSize, 608);
    EXPECT_EQ(v.VertScroll.PageSize, 416);
    EXPECT_EQ(v.HoriScroll.Max, 2048);
    EXPECT_EQ(v.VertScroll.Max, 2048);
    v.HoriScrollChange(100000);
    EXPECT_EQ(v.ScrollTileX, 45); // (2048 - 608) div 32
    EXPECT_EQ(v.HoriScroll.Position, 1440);
}

TEST(Viewport, ZoomingAroundAPointKeepsTheTileUnderIt) {
    // Every pair of zoom levels, pointers over the display, a 256 x 256 map scrolled to its
    // middle: the tile under the pointer stays under it.
    for (int from = 0; from < TViewport::kZoomLevels; ++from) {
        for (int to = 0; to < TViewport::kZoomLevels; ++to) {
            for (const auto& [px, py] : {std::pair{0, 0}, std::pair{317, 211}, std::pair{1023, 767}}) {
                TViewport v;
                v.Initialize(256, 256, 1024, 768);
                v.ZoomChange(from);
                v.HoriScrollChange(100 * v.TileScreenSize);
                v.VertScrollChange(90 * v.TileScreenSize);
                auto tileUnder = [&](int x, int y) {
                    return std::pair{(v.ScrollTileX * 32 + static_cast<int>(x * v.ZoomFactor)) / 32,
                                     (v.ScrollTileY * 32 + static_cast<int>(y * v.ZoomFactor)) / 32};
                };
                const auto before = tileUnder(px, py);
                v.ZoomAround(to, px, py);
                const auto after = tileUnder(px, py);
                // Unless the view stands at the map's edge, where it can go no further.
                const bool edgeX = v.ScrollTileX == 0 || v.HoriScroll.Position == v.HoriScroll.Reach();
                const bool edgeY = v.ScrollTileY == 0 || v.VertScroll.Position == v.VertScroll.Reach();
                EXPECT_TRUE(after.first == before.first || edgeX) << from << " -> " << to << " at " << px;
                EXPECT_TRUE(after.second == before.second || edgeY) << from << " -> " << to << " at " << py;
                EXPECT_EQ(v.ZoomIndex, to);
            }
        }
    }
    // At the map's corner the view stops at the edge instead.
    TViewport corner;
    corner.Initialize(64, 64, 1024, 768);
    corner.ZoomAround(5, 0, 0);
    EXPECT_EQ(corner.ScrollTileX, 0);
    EXPECT_EQ(corner.ScrollTileY, 0);
}

TEST(Viewport, ScrollingPastTheLastPageSnapsBack) {
    TViewport v;
    v.Initialize(64, 64, 610, 433);
    v.HoriScrollChange(1441);
    EXPECT_EQ(v.HoriScroll.Position, 1440);
    v.VertScrollChange(2000);
    EXPECT_EQ(v.VertScroll.Position, 2048 - 416);
    EXPECT_EQ(v.ScrollTileY, (2048 - 416) / 32);
    v.HoriScrollChange(100);
    EXPECT_EQ(v.HoriScroll.Position, 100);
    EXPECT_EQ(v.ScrollTileX, 3); // whole tiles
    v.HoriScrollChange(-50);
    EXPECT_EQ(v.HoriScroll.Position, 0);
}

TEST(Viewport, AMapSmallerThanTheViewDoesNotScroll) {
    TViewport v;
    v.Initialize(16, 8, 800, 600);
    // The frame holds the whole map and one tile more, not the empty rest of the display.
    EXPECT_EQ(v.ViewWidth, 17 * 32);
    EXPECT_EQ(v.ViewHeight, 9 * 32);
    v.HoriScrollChange(300);
    v.VertScrollChange(300);
    EXPECT_EQ(v.ScrollTileX, 0);
    EXPECT_EQ(v.ScrollTileY, 0);
    EXPECT_EQ(v.HoriScroll.Reach(), 0);
}

TEST(Viewport, JumpToPOSCentresTheViewAndClamps) {
    TViewport v;
    v.Initialize(128, 128, 610, 433);
    ASSERT_EQ(v.ViewWidth, 640);
    v.JumpToPOS(64, 64, 1.0);
    EXPECT_EQ(v.HoriScroll.Position, 64 * 32 - 320);
    EXPECT_EQ(v.HoriScroll.Position, 1728);
    EXPECT_EQ(v.VertScroll.Position, 64 * 32 - 448 / 2);
    EXPECT_EQ(v.ScrollTileX, 54);
    v.JumpToPOS(2, 1, 1.0); // asks for a negative position
    EXPECT_EQ(v.HoriScroll.Position, 0);
    EXPECT_EQ(v.VertScroll.Position, 0);
    v.JumpToPOS(128, 128, 1.0); // the far edge of the square
    EXPECT_EQ(v.HoriScroll.Position, v.HoriScroll.Reach());
    EXPECT_EQ(v.VertScroll.Position, v.VertScroll.Reach());
}

TEST(Viewport, JumpToPOSOnA256MapEdgeStaysAtTheRight) {
    TViewport v;
    v.Initialize(256, 256, 610, 433);
    v.JumpToPOS(128, 0, 0.5); // tile 256 lies past the map: the last tile counts
    EXPECT_EQ(v.HoriScroll.Position, v.HoriScroll.Reach());
}

TEST(Viewport, ZoomKeepsTheCornerTileAndTheFrameStopsAtTheMap) {
    TViewport v;
    v.Initialize(128, 128, 610, 433);
    v.HoriScrollChange(20 * 32);
    ASSERT_EQ(v.ScrollTileX, 20);
    for (const int zoom : {0, 5}) {
        v.ZoomChange(zoom);
        EXPECT_EQ(v.ScrollTileX, 20) << zoom;
    }
    // A 4K display at 25% shows more than the map: the frame stops one tile past it.
    v.Initialize(256, 256, 3840, 2160);
    v.ZoomChange(0);
    EXPECT_EQ(v.ViewWidth * v.Scale, 257 * 32);
    EXPECT_EQ(v.ViewHeight * v.Scale, 257 * 32);
    // An index outside the table keeps the factor.
    v.ZoomChange(5);
    v.ZoomChange(-1);
    v.ZoomChange(6);
    EXPECT_DOUBLE_EQ(v.ZoomFactor, 0.125);
    EXPECT_EQ(v.ZoomIndex, 5);
}

TEST(Viewport, EveryZoomScrollsTheLastColumnAndRowFullyIntoViewAndNoFurther) {
    for (const auto& [w, h] : {std::pair{256, 256}, std::pair{192, 128}, std::pair{96, 96}}) {
        for (const auto& [dw, dh] : {std::pair{610, 433}, std::pair{1920, 1080}, std::pair{1000, 1000}}) {
            for (int zoom = 0; zoom < TViewport::kZoomLevels; ++zoom) {
                TViewport v;
                v.Initialize(w, h, dw, dh);
                v.ZoomChange(zoom);
                v.HoriScrollChange(1 << 24);
                v.VertScrollChange(1 << 24);
                const int t = v.TileScreenSize;
                SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + " in " + std::to_string(dw) + "x" +
                             std::to_string(dh) + " at zoom " + std::to_string(zoom));
                // The last column's right edge lies on screen...
                EXPECT_LE((w - v.ScrollTileX) * t, dw);
                EXPECT_LE((h - v.ScrollTileY) * t, dh);
                // ...and the view went no further than it had to: one tile less would cut it.
                if (v.ScrollTileX > 0) {
                    EXPECT_GT((w - v.ScrollTileX + 1) * t, dw);
                }
                if (v.ScrollTileY > 0) {
                    EXPECT_GT((h - v.ScrollTileY + 1) * t, dh);
                }
                // The frame covers the display.
                EXPECT_GE(v.ViewWidth * v.Scale, std::min(dw * v.ZoomFactor, (w + 1) * 32.0));
            }
        }
    }
}

} // namespace
} // namespace orv
