// The editor's map window: the refresh tick when only the mouse moves, the full render it
// replaces, and the time from starting the program to the first painted map window.

#include "base/Random.h"
#include "cli/DemoMap.h"
#include "support/RecordingPrompter.h"
#include "support/StandinData.h"
#include "support/TestSupport.h"
#include "view/MapView.h"

#include <QPainter>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using namespace orv;

// A 256 x 256 copy of the demo scene in a 1920 x 1080 display.
struct BigScene {
    test::RecordingPrompter prompter;
    TCHK chk{prompter, &test::StandinGameData().UnitsDat};
    CStarcraftTileset& tileset = test::StandinGameData().Tileset(4);
    CMapView view{chk, tileset, test::StandinGameData()};

    BigScene() {
        SeedRandom(1);
        chk.NewMap(2, 4, 256, 256, &tileset);
        for (int i = 0; i < 1500; ++i) {
            chk.AddUnit(RandomBelow(256 * 32), RandomBelow(256 * 32), RandomBelow(8), RandomBelow(228));
        }
        chk.RebuildCreep();
        view.Initialize(1920, 1080);
    }
};

void MouseOnlyTicks(benchmark::State& state, bool toolOverlay) {
    BigScene scene;
    if (toolOverlay) {
        // What a tool overlay costs at least: the display copy is made, an outline drawn.
        scene.view.ToolOverlays = [](QImage& display, int mx, int my, std::uint32_t) {
            QPainter painter(&display);
            painter.setPen(QPen(QColor(0, 255, 0), 3));
            painter.drawRect(mx - 48, my - 48, 96, 96);
        };
    }
    scene.view.RefreshTick(true, 0, 0); // the full render once
    int x = 0;
    for (auto _ : state) {
        x = (x + 7) % 1900;
        scene.view.Edit.OverlayX = x;
        const auto tick = scene.view.RefreshTick(true, x, 500);
        benchmark::DoNotOptimize(tick);
    }
    state.counters["full_renders"] = scene.view.FullRenders;
}

void BM_RefreshTickMouseOnly(benchmark::State& state) {
    MouseOnlyTicks(state, false);
}
BENCHMARK(BM_RefreshTickMouseOnly)->Unit(benchmark::kMicrosecond);

void BM_RefreshTickMouseOnlyWithToolOutline(benchmark::State& state) {
    MouseOnlyTicks(state, true);
}
BENCHMARK(BM_RefreshTickMouseOnlyWithToolOutline)->Unit(benchmark::kMicrosecond);

// What putting the picture on screen costs at zoom 1: the display's paint copies the
// display bitmap onto the window's backing store (here a picture of the same format).
void BM_MapDisplayPaint(benchmark::State& state) {
    BigScene scene;
    scene.view.ZoomChange(static_cast<int>(state.range(0)));
    scene.view.RefreshTick(true, 0, 0);
    const double zoom = scene.view.Viewport.ZoomFactor;
    QImage screen(1920, 1080, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&screen);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, zoom > 1.0);
        painter.drawImage(QRect(0, 0, 1920, 1080), scene.view.DisplayBitmap,
                          QRect(0, 0, static_cast<int>(1920 * zoom), static_cast<int>(1080 * zoom)));
    }
}
BENCHMARK(BM_MapDisplayPaint)->Unit(benchmark::kMicrosecond)->Arg(2)->Arg(0)->Arg(5);

void BM_RefreshTickFullRender(benchmark::State& state) {
    BigScene scene;
    scene.view.ZoomChange(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        scene.view.RedrawRequest = true;
        scene.view.RefreshTick(true, 0, 0);
    }
}
BENCHMARK(BM_RefreshTickFullRender)->Unit(benchmark::kMillisecond)->Arg(2)->Arg(0)->Arg(5);

// Starts `orvistad --standin --timing demo.scx` (off screen unless a display is set) and
// reads the time it reports from the start of its main() to the first painted map window.
// Argument 1: a first run instead, without --standin, with no settings and no game
// installed (the stand-in data is found to be needed and the notice shown).
void BM_StartToFirstPaintedMapWindow(benchmark::State& state) {
    test::TempDir dir;
    const std::string demo = dir.file("demo.scx");
    {
        auto& data = test::StandinGameData();
        if (!WriteDemoMap(data, demo)) {
            state.SkipWithError("cannot write the demo map");
            return;
        }
    }
    const std::string platform = std::getenv("DISPLAY") ? "" : "QT_QPA_PLATFORM=offscreen ";
    const bool firstRun = state.range(0) == 1;
    const std::string command = platform + "WINEPREFIX='" + dir.file("wine") + "' XDG_STATE_HOME='" +
                                dir.path().string() + "' XDG_CONFIG_HOME='" + dir.path().string() + "' '" +
                                ORVISTAD_EDITOR_PATH + "'" + (firstRun ? "" : " --standin") + " --timing '" + demo +
                                "' 2>/dev/null";
    double reported = 0;
    for (auto _ : state) {
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) {
            state.SkipWithError("cannot start orvistad");
            return;
        }
        char line[256] = {};
        while (std::fgets(line, sizeof line, pipe)) {
            std::sscanf(line, "first map window painted after %lf ms", &reported);
        }
        pclose(pipe);
    }
    state.counters["first_paint_ms"] = reported;
}
BENCHMARK(BM_StartToFirstPaintedMapWindow)->Unit(benchmark::kMillisecond)->Iterations(5)->Arg(0)->Arg(1);

} // namespace
