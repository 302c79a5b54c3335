// Making the stand-in game data (target: the whole archive's files under 2 s) and writing the
// archive the build ships.

#include "StandinArchive.h"
#include "StandinGameData.h"

#include <benchmark/benchmark.h>
#include <filesystem>

namespace {

void BM_GenerateStandinFiles(benchmark::State& state) {
    std::size_t bytes = 0;
    for (auto _ : state) {
        const orv::standin::FileSet files = orv::standin::GenerateGameData();
        bytes = 0;
        for (const auto& [name, data] : files) {
            bytes += data.size();
        }
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_GenerateStandinFiles)->Unit(benchmark::kMillisecond);

void BM_WriteStandinArchive(benchmark::State& state) {
    const auto path = std::filesystem::temp_directory_path() / "orvistad-bench-standin.mpq";
    for (auto _ : state) {
        const auto status = orv::standin::WriteStandinArchive(path.string());
        if (!status) {
            state.SkipWithError(status.error().c_str());
            break;
        }
    }
    state.counters["archive bytes"] = static_cast<double>(std::filesystem::file_size(path));
    std::filesystem::remove(path);
}
BENCHMARK(BM_WriteStandinArchive)->Unit(benchmark::kMillisecond);

} // namespace
