// Every zoom level shows the same picture as 100%: the region of the map the view covers,
// reduced (the pixel in the middle of each block) or enlarged by the zoom, and every column
// and row of the map can be scrolled into view.

#include "base/Random.h"
#include "support/RecordingPrompter.h"
#include "support/StandinData.h"
#include "view/MapRenderer.h"
#include "view/Overlays.h"
#include "view/Viewport.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TGameData& Game() {
    return test::StandinGameData();
}

// A map with varied terrain, creep, fog, doodads and units of every kind, some selected.
struct BusyMap {
    test::RecordingPrompter prompter;
    TCHK chk{prompter, &Game().UnitsDat};
    CStarcraftTileset& tileset = Game().Tileset(4);
    OverlayState state;

    BusyMap(int width, int height) {
        SeedRandom(13);
        chk.NewMap(2, 4, width, height, &tileset);
        for (int r = 0; r < height; ++r) {
            for (int c = 0; c < width; ++c) {
                chk.Displayed(c, r) =
                    static_cast<std::uint16_t>(tileset.RandomTileInGroup(16 * RandomBelow(60)));
                chk.Fog(c, r) = static_cast<std::uint8_t>(RandomBelow(256));
            }
        }
        for (int i = 0; i < 600; ++i) {
            const int unit = chk.AddUnit(RandomBelow(width * 32), RandomBelow(height * 32), RandomBelow(12),
                                         RandomBelow(228));
            if (RandomBelow(4) == 0) {
                state.SelectedUnits.push_back(chk.Units[static_cast<std::size_t>(unit)].Key);
            }
        }
        for (int i = 0; i < 150; ++i) {
            chk.AddDoodad(RandomBelow(width * 32), RandomBelow(height * 32), RandomBelow(300));
        }
        // Units on the map's first column and row and past its last ones.
        chk.AddUnit(0, 0, 0, 0);
        chk.AddUnit(width * 32 - 1, height * 32 - 1, 1, 0);
        chk.RebuildCreep();
    }
};

// The pixels a view of `viewport` shows on screen, after a full render at its zoom.
QImage Shown(BusyMap& map, const TViewport& viewport, std::uint32_t flags) {
    CMapRenderer renderer;
    renderer.DrawDisplay(map.chk, map.tileset, Game(), viewport.View(flags), map.state);
    return renderer.Screen.copy(0, 0, viewport.DisplayWidth, viewport.DisplayHeight);
}

// The same part of the map at 100%: rendered from the same scroll tile, as large as the part
// the view covers, then reduced or enlarged as the zoom does.
QImage Expected(BusyMap& map, const TViewport& viewport, std::uint32_t flags) {
    const double zoom = viewport.ZoomFactor;
    ViewState full = viewport.View(flags);
    full.Scale = 1;
    full.Zoom = 1.0;
    full.ScreenWidth = full.ScreenHeight = 0;
    full.ViewWidth = (static_cast<int>(viewport.DisplayWidth * zoom) / 32 + 1) * 32;
    full.ViewHeight = (static_cast<int>(viewport.DisplayHeight * zoom) / 32 + 1) * 32;
    CMapRenderer renderer;
    renderer.DrawDisplay(map.chk, map.tileset, Game(), full, map.state);
    QImage out(viewport.DisplayWidth, viewport.DisplayHeight, QImage::Format_RGB32);
    const int scale = zoom >= 2 ? static_cast<int>(zoom) : 1, sample = scale / 2;
    const int enlarge = zoom < 1 ? static_cast<int>(1 / zoom) : 1;
    for (int y = 0; y < out.height(); ++y) {
        for (int x = 0; x < out.width(); ++x) {
            const int mx = x * scale + sample, my = y * scale + sample; // reduced: the middle pixel
            const int ex = x / enlarge, ey = y / enlarge;               // enlarged: whole blocks
            const int fx = scale > 1 ? mx : ex, fy = scale > 1 ? my : ey;
            out.setPixel(x, y,
                         fx < full.ViewWidth && fy < full.ViewHeight
                             ? renderer.Frame32[static_cast<std::size_t>(fy * full.ViewWidth + fx)]
                             : 0u);
        }
    }
    return out;
}

TEST(Zoom, EveryLevelShowsTheHundredPercentPictureScaledAtTheOriginTheMiddleAndTheFarCorner) {
    const std::uint32_t flags = draw_flags::kFog; // area overlays agree too
    for (const auto& [w, h] : {std::pair{256, 256}, std::pair{192, 128}}) {
        BusyMap map(w, h);
        for (int zoom = 0; zoom < TViewport::kZoomLevels; ++zoom) {
            for (const auto& [fx, fy] : {std::pair{0.0, 0.0}, std::pair{0.5, 0.5}, std::pair{2.0, 2.0}}) {
                TViewport viewport;
                viewport.Initialize(w, h, 480, 320);
                viewport.ZoomChange(zoom);
                viewport.HoriScrollChange(static_cast<int>(fx * viewport.HoriScroll.Max));
                viewport.VertScrollChange(static_cast<int>(fy * viewport.VertScroll.Max));
                SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + " at zoom " +
                             std::to_string(zoom) + ", scrolled to " + std::to_string(viewport.ScrollTileX) +
                             "," + std::to_string(viewport.ScrollTileY));
                const QImage shown = Shown(map, viewport, flags);
                const QImage expected = Expected(map, viewport, flags);
                int wrong = 0, firstX = -1, firstY = -1;
                for (int y = 0; y < shown.height(); ++y) {
                    for (int x = 0; x < shown.width(); ++x) {
                        if ((shown.pixel(x, y) & 0xFFFFFF) != (expected.pixel(x, y) & 0xFFFFFF) &&
                            wrong++ == 0) {
                            firstX = x;
                            firstY = y;
                        }
                    }
                }
                EXPECT_EQ(wrong, 0) << "first at " << firstX << "," << firstY;
                if (fx > 1) {
                    // At the far corner the map's last column and row are on screen.
                    const int t = viewport.TileScreenSize;
                    EXPECT_LE((w - viewport.ScrollTileX) * t, 480);
                    EXPECT_LE((h - viewport.ScrollTileY) * t, 320);
                }
            }
        }
    }
}

TEST(Zoom, LocationsAreTintedWhereTheHundredPercentPictureIsAndBorderedOnePixelWide) {
    BusyMap map(64, 64);
    map.chk.Locations[3] = {20, 16, 700, 500, 0, 0, true};
    for (int zoom = 0; zoom < TViewport::kZoomLevels; ++zoom) {
        TViewport viewport;
        viewport.Initialize(64, 64, 480, 320);
        viewport.ZoomChange(zoom);
        const QImage shown = Shown(map, viewport, draw_flags::kLocations);
        const QImage expected = Expected(map, viewport, draw_flags::kLocations);
        const PixelMap screen = PixelMap::Screen(viewport.View(0));
        const auto left = static_cast<int>(screen.X(20)), right = static_cast<int>(screen.X(700));
        const auto top = static_cast<int>(screen.Y(16));
        SCOPED_TRACE("zoom " + std::to_string(zoom));
        // The border: the first and last tinted columns, one pixel wide, in blue.
        const int y = std::min(top + 3, 319);
        EXPECT_EQ(shown.pixel(left, y) & 0xFFFFFF, 0x0000FFu);
        if (right - 1 < 480) {
            EXPECT_EQ(shown.pixel(right - 1, y) & 0xFFFFFF, 0x0000FFu);
        }
        EXPECT_NE(shown.pixel(left + 1, y) & 0xFFFFFF, 0x0000FFu);
        // Inside, the tint of the 100% picture.
        EXPECT_EQ(shown.pixel(left + 20, y + 20),
                  expected.pixel(left + 20, y + 20)); // past the 100% border enlarged
    }
}

} // namespace
} // namespace orv
