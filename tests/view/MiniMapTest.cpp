#include "view/MiniMap.h"

#include "base/Random.h"
#include "support/RecordingPrompter.h"
#include "support/StandinData.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TGameData& Game() {
    return test::StandinGameData();
}

int UnitWithBox(int w, int h) {
    for (int u = 0; u < 228; ++u) {
        if (Game().UnitSheet(u) && ReadLEOr<std::uint16_t>(Game().UnitsDat, 11284 + 4 * static_cast<std::size_t>(u), 0) == w &&
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
    ViewState view{0, 0, 640, 480, 32, 0};

    Scene(int w, int h) {
        SeedRandom(3);
        chk.NewMap(2, 4, w, h, &tileset);
        FogAllOffForTests();
    }
    void FogAllOffForTests() {
        for (auto& f : chk.FogGrid) f = 0;
    }
    std::uint32_t At(int x, int y) const { return map.Image[static_cast<std::size_t>(y * map.Width + x)]; }
};

TEST(MiniMap, ScalesTheLongerSideTo128) {
    Scene square(64, 64);
    square.map.Draw(square.chk, square.tileset, Game(), square.view, 0, 0);
    EXPECT_DOUBLE_EQ(square.map.Scale(), 2.0);
    EXPECT_EQ(static_cast<int>(127 / square.map.Scale()), 63); // a click at (127, 127) asks for tile 63
    Scene wide(256, 128);
    wide.map.Draw(wide.chk, wide.tileset, Game(), wide.view, 0, 0);
    EXPECT_DOUBLE_EQ(wide.map.Scale(), 0.5);
    const auto shown = wide.map.Display();
    EXPECT_NE(shown[10 * 128 + 10], 0u);
    EXPECT_EQ(shown[100 * 128 + 10], 0u); // the lower half of the square shows no map
}

TEST(MiniMap, UnitsShowAsBoxesOfAtLeastTwoPixels) {
    Scene s(64, 64);
    const int small = UnitWithBox(32, 32) >= 0 ? UnitWithBox(32, 32) : UnitWithBox(16, 16);
    ASSERT_GE(small, 0);
    s.chk.Colours[0] = 3;
    s.chk.AddUnit(0, 0, 0, small);
    s.view.ScrollTileX = 20; // keep the view rectangle away
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
    s.view.ScrollTileX = 2;
    s.map.Draw(s.chk, s.tileset, Game(), s.view, 0, 0);
    const std::uint32_t bright = s.At(63, 10);
    s.map.Draw(s.chk, s.tileset, Game(), s.view, CMiniMap::kFogOfWarMode, 0);
    EXPECT_EQ(s.At(63, 10), (bright >> 1) & 0x7F7F7F);
    s.map.Draw(s.chk, s.tileset, Game(), s.view, CMiniMap::kFogOfWarMode, 8);
    EXPECT_EQ(s.At(63, 10), bright);
}

TEST(MiniMap, TheViewAndHoverRectangles) {
    Scene s(64, 64);
    s.view = {10, 5, 640, 480, 32, 0};
    s.map.Draw(s.chk, s.tileset, Game(), s.view, 0, 0);
    EXPECT_EQ(s.At(10, 5), 0xFFFFFFu);
    EXPECT_EQ(s.At(28, 17), 0xFFFFFFu); // (10 - 1 + 20) - 1, (5 - 1 + 15) - 1
    // The view a click at (40, 30) would give, drawn two tiles right of and below the pointer.
    const CMiniMap::Rect hover = CMiniMap::HoverRect(40, 30, 2.0, s.view);
    EXPECT_EQ(hover.Left, 20 - 10 + 2);
    EXPECT_EQ(hover.Top, 15 - 7 + 2);
    EXPECT_EQ(hover.Right, 20 + 10 + 2);
    EXPECT_EQ(hover.Bottom, 15 + 7 + 2);
    EXPECT_EQ(CMiniMap::HoverRect(-50, 500, 2.0, s.view).Left, CMiniMap::HoverRect(0, 128, 2.0, s.view).Left);
    s.map.DrawHover(40, 30, s.view);
    EXPECT_EQ(s.At(12, 10), 0x008000u);
}

} // namespace
} // namespace orv
