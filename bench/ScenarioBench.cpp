// A full 256 x 256 scenario: 1650 units, 500 doodads, 255 locations, 1024 strings.
// Targets: load under 20 ms, write under 30 ms, RebuildTileMap with RebuildCreep and 100
// creep producers under 5 ms.

#include "app/Debugunit.h"
#include "app/GameData.h"
#include "base/Random.h"
#include "scenario/CCHKFile.h"
#include "support/RecordingPrompter.h"
#include "view/MapImage.h"
#include "view/MapRenderer.h"
#include "view/MiniMap.h"

#include <benchmark/benchmark.h>
#include <cstdio>

namespace {

orv::test::RecordingPrompter g_prompter;

orv::TGameData& Game() {
    static orv::TGameData* data = [] {
        orv::SetDebugLogPath({});
        auto* d = new orv::TGameData(g_prompter);
        orv::StartupOptions options;
        options.standinOnly = true;
        d->Load(options);
        return d;
    }();
    return *data;
}

std::unique_ptr<orv::TCHK> BigScenario() {
    auto chk = std::make_unique<orv::TCHK>(g_prompter, &Game().UnitsDat);
    orv::SeedRandom(1);
    chk->NewMap(2, 4, 256, 256, &Game().Tileset(4));
    for (int i = 0; i < 1650; ++i) {
        const int type = i < 100 ? 131 + i % 3 : (i % 200);
        chk->AddUnit(16 + (i * 97) % 8150, 16 + (i * 61) % 8150, i % 8, type == 214 ? 5 : type);
    }
    for (int i = 0; i < 500; ++i) {
        chk->Doodads.push_back({static_cast<std::uint16_t>(1 + i % 30),
                                static_cast<std::uint16_t>(64 + (i * 131) % 8000),
                                static_cast<std::uint16_t>(64 + (i * 71) % 8000), 12, 1, -1, false});
    }
    g_prompter.answers.clear();
    for (int i = 1; i < 256; ++i) {
        chk->Locations[static_cast<std::size_t>(i)] = {i * 8, i * 8, i * 8 + 64, i * 8 + 64, 0, 0, true};
    }
    for (std::size_t i = 0; i < 1024; ++i) {
        chk->Strings.Entries[i] = "String number " + std::to_string(i);
    }
    chk->Triggers.assign(2400 * 50, 0);
    return chk;
}

void BM_ScenarioLoad(benchmark::State& state) {
    orv::SetDebugLogPath({});
    auto chk = BigScenario();
    const auto bytes = chk->WriteToBytes().value();
    for (auto _ : state) {
        orv::TCHK loaded(g_prompter, &Game().UnitsDat);
        const auto status = loaded.ReadSections(bytes);
        benchmark::DoNotOptimize(status.ok());
    }
    state.counters["MB"] = static_cast<double>(bytes.size()) / 1e6;
}
BENCHMARK(BM_ScenarioLoad)->Unit(benchmark::kMillisecond);

void BM_ScenarioWrite(benchmark::State& state) {
    auto chk = BigScenario();
    for (auto _ : state) {
        auto bytes = chk->WriteToBytes();
        benchmark::DoNotOptimize(bytes.ok());
    }
}
BENCHMARK(BM_ScenarioWrite)->Unit(benchmark::kMillisecond);

void BM_RebuildTileMapAndCreep(benchmark::State& state) {
    auto chk = BigScenario();
    for (auto _ : state) {
        chk->RebuildTileMap();
    }
    state.counters["doodads"] = static_cast<double>(chk->Doodads.size());
}
BENCHMARK(BM_RebuildTileMapAndCreep)->Unit(benchmark::kMillisecond);

// The renderer on the same map: a 1920 x 1088 view (target under 4 ms), and the two
// frame conversions (the block path should be at least twice as fast).
void BM_DrawDisplay1920x1088(benchmark::State& state) {
    auto chk = BigScenario();
    chk->RebuildTileMap();
    orv::CMapRenderer renderer;
    const orv::ViewState view{100, 100, 1920, 1088, 32, 0};
    Game().Options.UseMMX = state.range(0) != 0;
    for (auto _ : state) {
        renderer.DrawDisplay(*chk, Game().Tileset(4), Game(), view);
        benchmark::DoNotOptimize(renderer.Frame32[5]);
    }
    Game().Options.UseMMX = false;
}
BENCHMARK(BM_DrawDisplay1920x1088)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The mini-map of the same map (target under 1 ms) and the whole-map export of a 256 x 256
// map (target under 2.5 s; peak memory is measured on `orvistad-cli render MAP OUT.jpg`).
void BM_DrawMiniMap(benchmark::State& state) {
    auto chk = BigScenario();
    orv::CMiniMap map;
    const orv::ViewState view{100, 100, 1920, 1088, 32, 0};
    for (auto _ : state) {
        map.Draw(*chk, Game().Tileset(4), Game(), view, 5, 0);
        benchmark::DoNotOptimize(map.Image[3]);
    }
}
BENCHMARK(BM_DrawMiniMap)->Unit(benchmark::kMicrosecond);

void BM_ExportWholeMap256(benchmark::State& state) {
    auto chk = BigScenario();
    chk->RebuildTileMap();
    const std::string path = "/tmp/orvistad-bench-export.jpg";
    for (auto _ : state) {
        const auto status = orv::ExportMapImage(*chk, Game().Tileset(4), Game(), path);
        benchmark::DoNotOptimize(status.ok());
    }
    std::remove(path.c_str());
}
BENCHMARK(BM_ExportWholeMap256)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_ConvertFrame(benchmark::State& state) {
    std::vector<std::uint8_t> frame8(1920 * 1088);
    for (std::size_t i = 0; i < frame8.size(); ++i)
        frame8[i] = static_cast<std::uint8_t>(i * 31);
    std::vector<std::uint32_t> frame32(frame8.size());
    const auto& palette = Game().Tileset(4).PaletteRGB;
    for (auto _ : state) {
        if (state.range(0)) {
            orv::ConvertFrameBlock(frame8.data(), frame32.data(), frame8.size(), palette.data());
        } else {
            orv::ConvertFrameScalar(frame8.data(), frame32.data(), frame8.size(), palette.data());
        }
        benchmark::DoNotOptimize(frame32[7]);
    }
    state.SetLabel(state.range(0) ? orv::ConvertFramePath() : "scalar");
}
BENCHMARK(BM_ConvertFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace
