// The edit history on a 256 x 256 map: undoing and redoing a fog stroke over the whole map
// (target under 5 ms), and the memory of a history of 1,000 fog strokes of radius 4 (target
// under 64 MiB).

#include "base/Random.h"
#include "support/RecordingPrompter.h"
#include "support/StandinData.h"
#include "tools/FogTool.h"

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

} // namespace
