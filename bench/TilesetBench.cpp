// Loading a tileset (target: well under 100 ms) and drawing tiles.

#include "app/Debugunit.h"
#include "app/GameData.h"
#include "graphics/CTileset.h"
#include "support/RecordingPrompter.h"

#include <benchmark/benchmark.h>

namespace {

orv::TGameData& StandinData() {
    static orv::test::RecordingPrompter prompter;
    static orv::TGameData* data = [] {
        orv::SetDebugLogPath({});
        auto* d = new orv::TGameData(prompter);
        orv::StartupOptions options;
        options.standinOnly = true;
        d->Load(options);
        return d;
    }();
    return *data;
}

void BM_LoadTileset(benchmark::State& state) {
    orv::TGameData& data = StandinData();
    for (auto _ : state) {
        orv::CStarcraftTileset tileset("Jungle", data.Archives, data.ImagesDat, data.SpritesDat);
        benchmark::DoNotOptimize(tileset.PaletteRGB[0]);
    }
}
BENCHMARK(BM_LoadTileset)->Unit(benchmark::kMillisecond);

void BM_DrawTile(benchmark::State& state) {
    orv::CStarcraftTileset& tileset = StandinData().Tileset(4);
    std::vector<std::uint32_t> pixels(1024 * 1024);
    const orv::PixelTarget32 target{pixels.data(), 1024, 1024, 1024};
    int value = 0;
    for (auto _ : state) {
        for (int y = 0; y < 1024; y += 32) {
            for (int x = 0; x < 1024; x += 32) {
                tileset.DrawTile(target, 32 + (value++ % 600), x, y);
            }
        }
        benchmark::DoNotOptimize(pixels[5]);
    }
    state.SetItemsProcessed(state.iterations() * 1024);
}
BENCHMARK(BM_DrawTile)->Unit(benchmark::kMillisecond);

} // namespace
