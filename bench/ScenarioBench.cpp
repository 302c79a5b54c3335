// A full 256 x 256 scenario: 1650 units, 500 doodads, 255 locations, 1024 strings.
// Targets: load under 20 ms, write under 30 ms, RebuildTileMap with RebuildCreep and 100
// creep producers under 5 ms.

#include "app/Debugunit.h"
#include "app/GameData.h"
#include "base/Random.h"
#include "scenario/CCHKFile.h"
#include "support/RecordingPrompter.h"

#include <benchmark/benchmark.h>

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
        chk->Doodads.push_back({static_cast<std::uint16_t>(1 + i % 30), static_cast<std::uint16_t>(64 + (i * 131) % 8000),
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

} // namespace
