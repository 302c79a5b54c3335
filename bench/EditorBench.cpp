// The editor's map window: the refresh tick when only the mouse moves, the full render it
// replaces, and the time from starting the program to the first painted map window.

#include <QPainter>

#include "base/Random.h"
#include "cli/DemoMap.h"
#include "support/RecordingPrompter.h"
#include "support/StandinData.h"
#include "support/TestSupport.h"
#include "view/MapView.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using namespace orv;

// A 256 x 256 map with 1650 units (the game's limit) and 500 doodads in a display of
// 1920 x 1080 (or another size).
struct BigScene {
    test::RecordingPrompter prompter;
    TCHK chk{prompter, &test::StandinGameData().UnitsDat};
    CStarcraftTileset& tileset = test::StandinGameData().Tileset(4);
    CMapView view{chk, tileset, test::StandinGameData()};

    explicit BigScene(int displayWidth = 1920, int displayHeight = 1080) {
        SeedRandom(1);
        chk.NewMap(2, 4, 256, 256, &tileset);
        for (int i = 0; i < 1650; ++i) {
            chk.AddUnit(RandomBelow(256 * 32), RandomBelow(256 * 32), RandomBelow(8), RandomBelow(228));
        }
        for (int i = 0; i < 500; ++i) {
            chk.AddDoodad(RandomBelow(256 * 32), RandomBelow(256 * 32), RandomBelow(300));
        }
        chk.RebuildTileMap();
        chk.RebuildCreep();
        view.Initialize(displayWidth, displayHeight);
    }
    // Scrolled to the middle of the map.
    void Middle() {
        view.HoriScrollChange(view.Viewport.HoriScroll.Max / 2 - view.Viewport.HoriScroll.PageSize / 2);
        view.VertScrollChange(view.Viewport.VertScroll.Max / 2 - view.Viewport.VertScroll.PageSize / 2);
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

// What putting the picture on screen costs (target: at most 2 ms at every zoom): the
// display's paint copies the display bitmap, in screen pixels at every zoom, onto the
// window's backing store (here a picture of the same format). Argument: the zoom level
// (0 = 25% ... 5 = 800%).
void BM_MapDisplayPaint(benchmark::State& state) {
    BigScene scene;
    scene.view.ZoomChange(static_cast<int>(state.range(0)));
    scene.Middle();
    scene.view.RefreshTick(true, 0, 0);
    QImage screen(1920, 1080, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&screen);
        painter.drawImage(QPoint(0, 0), scene.view.DisplayBitmap, QRect(0, 0, 1920, 1080));
    }
}
BENCHMARK(BM_MapDisplayPaint)->Unit(benchmark::kMicrosecond)->DenseRange(0, 5);

// A full render of the 1920 x 1080 display, scrolled to the middle (target: at most 6 ms at
// every zoom level). Argument: the zoom level.
void BM_RefreshTickFullRender(benchmark::State& state) {
    BigScene scene;
    scene.view.ZoomChange(static_cast<int>(state.range(0)));
    scene.Middle();
    for (auto _ : state) {
        scene.view.RedrawRequest = true;
        scene.view.RefreshTick(true, 0, 0);
    }
}
BENCHMARK(BM_RefreshTickFullRender)->Unit(benchmark::kMillisecond)->DenseRange(0, 5);

// The memory a map window's view holds on a 3840 x 2160 display (target at 25%: at most
// 64 MiB): the frames, the screen picture when it is not the frame itself, the display
// picture when a tool overlay detached it, and the mini-map. Argument: the zoom level.
void BM_ViewMemory4K(benchmark::State& state) {
    BigScene scene(3840, 2160);
    scene.view.ZoomChange(static_cast<int>(state.range(0)));
    scene.Middle();
    for (auto _ : state) {
        scene.view.RedrawRequest = true;
        scene.view.RefreshTick(true, 0, 0);
    }
    const auto& r = scene.view.Renderer;
    double bytes = static_cast<double>(r.Frame8.capacity() + r.Frame32.capacity() * 4);
    const auto* frame = reinterpret_cast<const uchar*>(r.Frame32.data());
    if (r.Screen.constBits() != frame) {
        bytes += static_cast<double>(r.Screen.sizeInBytes());
    }
    if (scene.view.DisplayBitmap.constBits() != r.Screen.constBits()) {
        bytes += static_cast<double>(scene.view.DisplayBitmap.sizeInBytes());
    }
    bytes +=
        static_cast<double>(scene.view.MiniMap.Base.capacity() + scene.view.MiniMap.Image.capacity()) * 4;
    state.counters["MiB"] = bytes / (1024.0 * 1024.0);
}
BENCHMARK(BM_ViewMemory4K)->Unit(benchmark::kMillisecond)->DenseRange(0, 5)->Iterations(3);

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
                                ORVISTAD_EDITOR_PATH + "'" + (firstRun ? "" : " --standin") + " --timing '" +
                                demo + "' 2>/dev/null";
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
