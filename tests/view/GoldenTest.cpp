// Golden images: what a map window shows for scenes built from the stand-in data and our own
// scenarios. Set ORVISTAD_UPDATE_GOLDEN=1 to write the expected images after an intended
// change; a failing case writes its picture beside the expected one as <case>-Actual.png.

#include <QGuiApplication>
#include <QImage>

#include "base/Random.h"
#include "support/RecordingPrompter.h"
#include "support/StandinData.h"
#include "view/Overlays.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>

#ifndef ORVISTAD_GOLDEN_DIR
#define ORVISTAD_GOLDEN_DIR ""
#endif

namespace orv {
namespace {

TGameData& Game() {
    return test::StandinGameData();
}

void ExpectGolden(const std::string& name, const CMapRenderer& renderer, const ViewState& view) {
    QImage actual(view.ViewWidth, view.ViewHeight, QImage::Format_RGB32);
    for (int y = 0; y < view.ViewHeight; ++y) {
        std::memcpy(actual.scanLine(y),
                    renderer.Frame32.data() + static_cast<std::size_t>(y * view.ViewWidth),
                    static_cast<std::size_t>(view.ViewWidth) * 4);
    }
    const std::filesystem::path dir = ORVISTAD_GOLDEN_DIR;
    const std::string expectedPath = (dir / (name + ".png")).string();
    if (std::getenv("ORVISTAD_UPDATE_GOLDEN")) {
        ASSERT_TRUE(actual.save(QString::fromStdString(expectedPath), "PNG"));
        return;
    }
    QImage expected;
    ASSERT_TRUE(expected.load(QString::fromStdString(expectedPath), "PNG"))
        << "no golden image " << expectedPath << "; run with ORVISTAD_UPDATE_GOLDEN=1 to make it";
    expected = expected.convertToFormat(QImage::Format_RGB32);
    int differing = 0;
    if (expected.size() == actual.size()) {
        for (int y = 0; y < actual.height(); ++y) {
            for (int x = 0; x < actual.width(); ++x) {
                differing += (expected.pixel(x, y) & 0xFFFFFF) != (actual.pixel(x, y) & 0xFFFFFF);
            }
        }
    }
    if (expected.size() != actual.size() || differing != 0) {
        actual.save(QString::fromStdString((dir / (name + "-Actual.png")).string()), "PNG");
        ADD_FAILURE() << name << ": " << differing << " pixels differ from " << expectedPath;
    }
}

// A 24 x 16 jungle map with every layer: terrain types, doodads, units of several owners,
// a creep producer, a selected unit, fog and locations.
struct Scene {
    test::RecordingPrompter prompter;
    TCHK chk{prompter, &Game().UnitsDat};
    CStarcraftTileset& tileset = Game().Tileset(4);
    CMapRenderer renderer;
    ViewState view{0, 0, 256, 192, 32, 0};
    OverlayState state;

    Scene(int w = 24, int h = 16) {
        SeedRandom(11);
        chk.NewMap(8, 4, w, h, &tileset); // jungle ground
        for (int c = 0; c < std::min(w, 6); ++c) {
            for (int r = 0; r < std::min(h, 3); ++r) {
                chk.Terrain(c, r) = static_cast<std::uint16_t>((6 + c % 2) * 16); // water
            }
        }
        chk.TerrainChanged({0, 0, w, h});
    }
    void Units() {
        int withOverlay = 0;
        for (int d = 1; d < 40 && !withOverlay; ++d) {
            if (tileset.DoodadInfo(d).SheetIndex)
                withOverlay = d;
        }
        chk.Doodads.push_back({static_cast<std::uint16_t>(withOverlay), 96, 130, 12, 1, -1, false, true});
        chk.Doodads.push_back({static_cast<std::uint16_t>(withOverlay), 110, 110, 12, 1, -1, false, true});
        chk.Colours[1] = 4;
        chk.AddUnit(60, 120, 0, 0);
        chk.AddUnit(150, 60, 1, 2);    // a unit with a turret
        chk.AddUnit(200, 150, 9, 107); // a building of owner 9
        chk.AddUnit(100, 125, 2, 4);   // a flyer over the doodads
        chk.AddUnit(40, 170, 3, 131);  // a creep producer
        state.SelectedUnits = {chk.Units[0].Key};
        chk.RebuildTileMap();
        SeedRandom(12);
        chk.RebuildCreep();
    }
    void Draw() { renderer.DrawDisplay(chk, tileset, Game(), view, state); }
};

TEST(Golden, EveryLayer) {
    Scene s;
    s.Units();
    s.Draw();
    ExpectGolden("layers", s.renderer, s.view);
}

TEST(Golden, CreepOff) {
    Scene s;
    s.Units();
    Game().Options.ShowCreep = false;
    s.Draw();
    Game().Options.ShowCreep = true;
    ExpectGolden("creep-off", s.renderer, s.view);
}

TEST(Golden, OverlaysOfEachFlag) {
    Scene s;
    s.Units();
    FogAll(s.chk, 0, false);
    for (int c = 3; c < 9; ++c)
        s.chk.Fog(c, 3) = 1;
    s.chk.Locations[1] = {20, 20, 120, 90, 0, 0, true};
    s.chk.Locations[2] = {100, 60, 300, 120, 0, 128, true};
    s.state.CurrentUnitType = 107;
    s.state.SelectedDoodads = {0};
    s.view.DrawFlags = draw_flags::kFog | draw_flags::kLocations | draw_flags::kSelectedDoodads;
    s.Draw();
    ExpectGolden("overlays", s.renderer, s.view);
    s.view.DrawFlags = draw_flags::kPlacability;
    s.Draw();
    ExpectGolden("placability-building", s.renderer, s.view);
    s.state.CurrentUnitType = 0;
    s.Draw();
    ExpectGolden("placability-ground", s.renderer, s.view);
    s.view.DrawFlags = 0;
    Game().Options.ShowGrid = Game().Options.ShowFineGrid = true;
    s.Draw();
    Game().Options.ShowGrid = Game().Options.ShowFineGrid = false;
    ExpectGolden("grids", s.renderer, s.view);
}

TEST(Golden, LocationNamesLieOverTheGrid) {
    // Names need the font system of a GUI application.
    static int argc = 1;
    static char name[] = "view_tests";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = QGuiApplication::instance() ? nullptr : new QGuiApplication(argc, argv);
    (void)app;
    Scene s;
    s.Units();
    s.chk.Locations[1] = {20, 20,  200, 120, static_cast<std::uint16_t>(s.chk.AddString("Main Base") + 1),
                          0,  true};
    s.view.DrawFlags = draw_flags::kLocations;
    Game().Options.ShowGrid = Game().Options.ShowFineGrid = true;
    s.Draw();
    Game().Options.ShowGrid = Game().Options.ShowFineGrid = false;
    ExpectGolden("named-location-grid", s.renderer, s.view);
}

TEST(Golden, ClampedAtTheViewsEdgesAndANarrowMap) {
    Scene s;
    s.Units();
    s.view.ScrollTileX = 2;
    s.view.ScrollTileY = 2;
    s.chk.Locations[1] = {0, 0, 120, 90, 0, 0, true};
    s.view.DrawFlags = draw_flags::kLocations;
    s.Draw();
    ExpectGolden("scrolled", s.renderer, s.view);
    Scene narrow(6, 4);
    narrow.Draw();
    ExpectGolden("narrow", narrow.renderer, narrow.view);
}

} // namespace
} // namespace orv
