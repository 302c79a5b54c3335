// The edit history on a 256 x 256 map: undoing and redoing a fog stroke over the whole map
// (target under 5 ms), and the memory of a history of 1,000 fog strokes of radius 4 (target
// under 64 MiB). Terrain painting through the tools as the window drives them: one brush
// placement with its rebuild and mini-map update (target under 1 ms; argument: 1 the
// isometric brush, 2 Rectangular, 3 Square), a drag of 200
// placements (under 1 ms a placement), and undoing such a drag (under 5 ms). The Locations
// mode's hover over 255 locations, run on every mouse move (target under 50 us). Units mode:
// the placement test under the pointer with 1650 units on the map (every mouse move: under
// 50 us), and a drag laying a trail of 100 units (under 10 ms in all).

#include "base/Random.h"
#include "support/RecordingPrompter.h"
#include "support/StandinData.h"
#include "tools/FogTool.h"
#include "tools/MapTools.h"
#include "view/MiniMap.h"

#include <benchmark/benchmark.h>

namespace {

using namespace orv;

struct BigMap {
    test::RecordingPrompter prompter;
    TCHK chk{prompter, &test::StandinGameData().UnitsDat};
    TEditHistory history;
    BigMap() { chk.NewMap(2, 4, 256, 256, &test::StandinGameData().Tileset(4)); }
};

void BM_UndoRedoFullMapFogStroke(benchmark::State& state) {
    BigMap map;
    TFogStroke stroke(map.chk, 0, 256);
    stroke.Paint(128, 128);
    map.history.Record("Fog of War", stroke.Finish());
    for (auto _ : state) {
        map.history.Undo(map.chk);
        map.history.Redo(map.chk);
    }
}
BENCHMARK(BM_UndoRedoFullMapFogStroke)->Unit(benchmark::kMicrosecond);

void BM_HistoryOfAThousandFogStrokes(benchmark::State& state) {
    for (auto _ : state) {
        BigMap map;
        SeedRandom(3);
        for (int i = 0; i < 1000; ++i) {
            TFogStroke stroke(map.chk, RandomBelow(8), 4);
            int c = RandomBelow(256), r = RandomBelow(256);
            for (int step = 0; step < 10; ++step) {
                stroke.Paint(c, r);
                c += RandomBelow(3) - 1;
                r += RandomBelow(3) - 1;
            }
            map.history.Record("Fog of War", stroke.Finish());
        }
        state.counters["MiB"] = static_cast<double>(map.history.Bytes()) / (1024.0 * 1024.0);
    }
}
BENCHMARK(BM_HistoryOfAThousandFogStrokes)->Unit(benchmark::kMillisecond)->Iterations(1);

// A Gargantuan brush drag over a 256 x 256 map through the tools, the mini-map base of what
// each placement changed redrawn as the window does.
struct TerrainDrag {
    BigMap map;
    TEditState edit;
    TMapTools tools{map.chk, map.history, edit, map.prompter};
    CMiniMap miniMap;
    explicit TerrainDrag(int shape) {
        tools.SetMode(kModeTerrain);
        tools.SetBrush(shape, 4);
        edit.SelectedTerrain = 4 * 16;
        miniMap.Width = miniMap.Height = 256;
        miniMap.BuildBase(map.chk, *map.chk.TilesetLink);
        tools.OnChange = [this](const TEditChange& change) {
            if (change.Terrain) {
                miniMap.BuildBase(map.chk, *map.chk.TilesetLink, change.Cells);
            }
        };
    }
    static TPointerEvent At(TPointerEvent::Button button, int step) {
        // Along a diagonal, a tile a placement, so that every placement paints.
        TPointerEvent e =
            TPointerEvent::AtMapPixel(button, 200 + 64 * (step % 60), 300 + 32 * (step % 200), {});
        e.leftHeld = true;
        return e;
    }
    void Drag(int placements) {
        tools.Press(At(TPointerEvent::Button::Left, 0));
        for (int i = 1; i < placements; ++i) {
            tools.Move(At(TPointerEvent::Button::None, i));
        }
        tools.Release(At(TPointerEvent::Button::Left, placements - 1));
    }
};

void BM_TerrainPlacement(benchmark::State& state) {
    TerrainDrag drag(static_cast<int>(state.range(0)));
    int step = 1;
    drag.tools.Press(TerrainDrag::At(TPointerEvent::Button::Left, 0));
    for (auto _ : state) {
        // Every placement changes the terrain: High Dirt and Jungle in turn.
        drag.edit.SelectedTerrain = (step % 2 ? 4 : 8) * 16;
        drag.tools.Move(TerrainDrag::At(TPointerEvent::Button::None, step++));
    }
    drag.tools.Release(TerrainDrag::At(TPointerEvent::Button::Left, step));
}
BENCHMARK(BM_TerrainPlacement)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMicrosecond);

void BM_TerrainDragOf200Placements(benchmark::State& state) {
    TerrainDrag drag(static_cast<int>(state.range(0)));
    int run = 0;
    for (auto _ : state) {
        // Each drag paints over the last one with another terrain.
        drag.edit.SelectedTerrain = (run++ % 2 ? 4 : 8) * 16;
        drag.Drag(200);
    }
    state.counters["us_per_placement"] = benchmark::Counter(
        200.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_TerrainDragOf200Placements)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

void BM_UndoATerrainDragOf200Placements(benchmark::State& state) {
    TerrainDrag drag(static_cast<int>(state.range(0)));
    drag.Drag(200);
    for (auto _ : state) {
        drag.tools.Undo();
        drag.tools.Redo();
    }
}
BENCHMARK(BM_UndoATerrainDragOf200Placements)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

void BM_LocationHoverOver255Locations(benchmark::State& state) {
    BigMap map;
    for (int i = 1; i < 256; ++i) {
        if (i != kAnywhereSlot) {
            const int x = (i * 37) % 240, y = (i * 53) % 240;
            map.chk.Locations[static_cast<std::size_t>(i)] = {x * 32, y * 32, x * 32 + 256, y * 32 + 192,
                                                              0,      0,      true};
        }
    }
    TEditState edit;
    TMapTools tools(map.chk, map.history, edit, map.prompter);
    tools.SetMode(kModeLocations);
    edit.Selection.Location = 200;
    SeedRandom(5);
    std::vector<TPointerEvent> moves;
    for (int i = 0; i < 1024; ++i) {
        moves.push_back(
            TPointerEvent::AtMapPixel(TPointerEvent::Button::None, RandomBelow(8192), RandomBelow(8192), {}));
    }
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(tools.Move(moves[i++ % moves.size()]));
    }
}
BENCHMARK(BM_LocationHoverOver255Locations)->Unit(benchmark::kMicrosecond);

void BM_CanPlaceUnitAmong1650Units(benchmark::State& state) {
    BigMap map;
    SeedRandom(9);
    for (int i = 0; i < kMaxUnits; ++i) {
        map.chk.AddUnit(RandomBelow(8192), RandomBelow(8192), RandomBelow(8), RandomBelow(100));
    }
    const TPlacementOptions options;
    int i = 0;
    for (auto _ : state) {
        ++i;
        benchmark::DoNotOptimize(CanPlaceUnit(map.chk, options, 0, (i * 37) % 8192, (i * 53) % 8192));
    }
}
BENCHMARK(BM_CanPlaceUnitAmong1650Units)->Unit(benchmark::kMicrosecond);

void BM_TrailOf100Units(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        BigMap map;
        TEditState edit;
        edit.Placement.IgnoreTerrain = true;
        TMapTools tools(map.chk, map.history, edit, map.prompter);
        tools.SetMode(kModeUnits);
        edit.CurrentUnitType = 0;
        state.ResumeTiming();
        tools.Press(TPointerEvent::AtMapPixel(TPointerEvent::Button::Left, 100, 100, {}));
        for (int k = 0; k < 100; ++k) {
            TPointerEvent move =
                TPointerEvent::AtMapPixel(TPointerEvent::Button::None, 100 + 40 * k, 100, {});
            move.leftHeld = true;
            tools.Move(move);
        }
        tools.Release(TPointerEvent::AtMapPixel(TPointerEvent::Button::Left, 4100, 100, {}));
        if (map.chk.Units.size() != 100) {
            state.SkipWithError("the trail did not place 100 units");
        }
    }
}
BENCHMARK(BM_TrailOf100Units)->Unit(benchmark::kMillisecond);

} // namespace
