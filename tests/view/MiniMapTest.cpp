#include "view/MiniMap.h"

#include "base/Random.h"
#include "support/RecordingPrompter.h"
#include "support/StandinData.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <utility>

namespace orv {
namespace {

TGameData& Game() {
    return test::StandinGameData();
}

int UnitWithBox(int w, int h) {
    for (int u = 0; u < 228; ++u) {
        if (Game().UnitSheet(u) &&
            ReadLEOr<std::uint16_t>(Game().UnitsDat, 11284 + 4 * static_cast<std::size_t>(u), 0) == w &&
            ReadLEOr<std::uint16_t>(Game().UnitsDat, 11286 + 4 * static_cast<std::size_t>(u), 0) == h) {
            return u;
        }
    }
    return -1;
}

struct Scene {
    test::RecordingPrompter prompter;
    TCHK chk{prompter, &Game().UnitsDat};
    CStarcraftTileset& tileset = Game().Tileset(4);
    CMiniMap map;
    ViewState view; // 640 x 480 at 100%, scrolled to the top left

    Scene(int w, int h) {
        SeedRandom(3);
        chk.NewMap(2, 4, w, h, &tileset);
        FogAllOffForTests();
    }
    void FogAllOffForTests() {
        for (auto& f : chk.FogGrid)
            f = 0;
    }
    std::uint32_t At(int x, int y) const { return map.Image[static_cast<std::size_t>(y * map.Width + x)]; }
};

TEST(MiniMap, UnitsShowAsBoxesOfAtLeastTwoPixels) {
    Scene s(64, 64);
    const int small = UnitWithBox(32, 32) >= 0 ? UnitWithBox(32, 32) : UnitWithBox(16, 16);
    ASSERT_GE(small, 0);
    s.chk.Colours[0] = 3;
    s.chk.AddUnit(0, 0, 0, small);
    s.map.Draw(s.chk, s.tileset, Game(), s.view, 0, 0);
    const std::uint32_t colour = s.tileset.PaletteRGB[Game().MinimapColorTable[3]];
    EXPECT_EQ(s.At(0, 0), colour);
    EXPECT_EQ(s.At(1, 1), colour);
    EXPECT_NE(s.At(2, 2), colour);
    const int big = UnitWithBox(64, 64);
    if (big >= 0) {
        s.chk.AddUnit(1000, 500, 9, big);
        s.map.Draw(s.chk, s.tileset, Game(), s.view, 0, 0);
        const std::uint32_t nine = s.tileset.PaletteRGB[Game().MinimapColorTable[9]];
        EXPECT_EQ(s.At(31, 15), nine);
        EXPECT_EQ(s.At(32, 16), nine);
        EXPECT_NE(s.At(33, 16), nine);
    }
}

TEST(MiniMap, FogOfWarModeDarkensTheCurrentPlayersFog) {
    Scene s(64, 64);
    s.chk.Fog(63, 10) = 1;
    s.map.Draw(s.chk, s.tileset, Game(), s.view, 0, 0);
    const std::uint32_t bright = s.At(63, 10);
    s.map.Draw(s.chk, s.tileset, Game(), s.view, CMiniMap::kFogOfWarMode, 0);
    EXPECT_EQ(s.At(63, 10), (bright >> 1) & 0x7F7F7F);
    s.map.Draw(s.chk, s.tileset, Game(), s.view, CMiniMap::kFogOfWarMode, 8);
    EXPECT_EQ(s.At(63, 10), bright);
}

// The bounds of the pixels of `colour` on the shown picture, checking that they form an
// outline one pixel wide with all four edges whole.
CMiniMap::Rect OutlineOf(const std::vector<std::uint32_t>& shown, std::uint32_t colour) {
    auto is = [&](int x, int y) {
        return shown[static_cast<std::size_t>(y * CMiniMap::kSide + x)] == colour;
    };
    CMiniMap::Rect box{CMiniMap::kSide, CMiniMap::kSide, 0, 0};
    for (int y = 0; y < CMiniMap::kSide; ++y) {
        for (int x = 0; x < CMiniMap::kSide; ++x) {
            if (is(x, y)) {
                box = {std::min(box.Left, x), std::min(box.Top, y), std::max(box.Right, x + 1),
                       std::max(box.Bottom, y + 1)};
            }
        }
    }
    int gaps = 0, inside = 0;
    for (int y = box.Top; y < box.Bottom; ++y) {
        for (int x = box.Left; x < box.Right; ++x) {
            const bool edge = x == box.Left || x == box.Right - 1 || y == box.Top || y == box.Bottom - 1;
            gaps += edge && !is(x, y);
            inside += !edge && is(x, y);
        }
    }
    EXPECT_EQ(gaps, 0);
    EXPECT_EQ(inside, 0);
    return box;
}

void ExpectShownAt(const CMiniMap::Rect& box, const CMiniMap::Rect& tiles, double scale) {
    EXPECT_NEAR(box.Left, tiles.Left * scale, 1.0);
    EXPECT_NEAR(box.Top, tiles.Top * scale, 1.0);
    EXPECT_NEAR(box.Right, tiles.Right * scale, 1.0);
    EXPECT_NEAR(box.Bottom, tiles.Bottom * scale, 1.0);
}

TEST(MiniMap, TheViewAndHoverRectanglesKeepAllFourEdgesAtEveryMapSize) {
    constexpr std::uint32_t white = 0xFFFFFF, green = 0x008000;
    for (const auto& [w, h] : {std::pair{256, 256}, std::pair{192, 128}, std::pair{96, 96}}) {
        Scene s(w, h);
        const int tw = s.view.TilesWide(), th = s.view.TilesHigh();
        for (const auto& [sx, sy] :
             {std::pair{0, 0}, std::pair{(w - tw) / 2, (h - th) / 2}, std::pair{w - tw, h - th}}) {
            SCOPED_TRACE(testing::Message() << w << " x " << h << " at " << sx << ", " << sy);
            s.view.ScrollTileX = sx;
            s.view.ScrollTileY = sy;
            s.map.Draw(s.chk, s.tileset, Game(), s.view, 0, 0);
            const double scale = s.map.Scale();
            EXPECT_EQ(s.map.ViewTiles, (CMiniMap::Rect{sx, sy, sx - 1 + tw, sy - 1 + th}));
            ExpectShownAt(OutlineOf(s.map.Display(), white), s.map.ViewTiles, scale);
            // A pointer over the same part of the map: the hover rectangle lies two tiles right
            // of and below the view a click there gives.
            const int px = static_cast<int>(std::lround((sx + tw / 2 - 2) * scale));
            const int py = static_cast<int>(std::lround((sy + th / 2 - 2) * scale));
            s.map.DrawHover(px, py, s.view);
            ASSERT_TRUE(s.map.HoverTiles);
            EXPECT_EQ(*s.map.HoverTiles, CMiniMap::HoverRect(px, py, scale, s.view));
            ExpectShownAt(OutlineOf(s.map.Display(), green), *s.map.HoverTiles, scale);
        }
        // The next composition drops the hover rectangle.
        s.map.Draw(s.chk, s.tileset, Game(), s.view, 0, 0);
        const auto shown = s.map.Display();
        EXPECT_EQ(std::count(shown.begin(), shown.end(), green), 0);
    }
}

TEST(MiniMap, TheRectanglesCountTheTilesTheFrameCovers) {
    Scene s(64, 64);
    s.view.ScrollTileX = 10;
    s.view.ScrollTileY = 5;
    s.map.Draw(s.chk, s.tileset, Game(), s.view, 0, 0);
    EXPECT_EQ(s.map.ViewTiles, (CMiniMap::Rect{10, 5, 29, 19})); // 20 x 15 tiles, less the last partly shown
    EXPECT_NE(s.At(10, 5), 0xFFFFFFu);                           // outlined on the square only
    // The view a click at (40, 30) would give, drawn two tiles right of and below the pointer.
    const CMiniMap::Rect hover = CMiniMap::HoverRect(40, 30, 2.0, s.view);
    EXPECT_EQ(hover, (CMiniMap::Rect{20 - 10 + 2, 15 - 7 + 2, 20 + 10 + 2, 15 + 7 + 2}));
    EXPECT_EQ(CMiniMap::HoverRect(-50, 500, 2.0, s.view), CMiniMap::HoverRect(0, 128, 2.0, s.view));
    // Zoomed out to 50% the frame is drawn reduced: the same 640 x 480 covers 40 x 30 tiles.
    s.view.Scale = 2;
    s.map.Draw(s.chk, s.tileset, Game(), s.view, 0, 0);
    EXPECT_EQ(s.map.ViewTiles, (CMiniMap::Rect{10, 5, 49, 34}));
    EXPECT_EQ(CMiniMap::HoverRect(40, 30, 2.0, s.view),
              (CMiniMap::Rect{20 - 20 + 2, 15 - 15 + 2, 20 + 20 + 2, 15 + 15 + 2}));
}

} // namespace
} // namespace orv
