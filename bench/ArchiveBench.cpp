// Archive access: extracting the scenario of every real map, and the many small reads from
// the game archives that start-up makes.

#include "archive/MapArchiveReader.h"
#include "archive/Stormunit.h"
#include "support/TestSupport.h"

#include <benchmark/benchmark.h>

namespace {

void BM_ExtractEveryCorpusScenario(benchmark::State& state) {
    const auto maps = orv::test::CorpusArchives();
    if (maps.empty()) {
        state.SkipWithError("real-map corpus not found; set ORVISTAD_MAP_CORPUS");
        return;
    }
    std::size_t bytes = 0;
    std::size_t extracted = 0;
    for (auto _ : state) {
        bytes = 0;
        extracted = 0;
        for (const auto& path : maps) {
            auto reader = orv::MapArchiveReader::Open(path);
            if (!reader) {
                continue;
            }
            auto scenario = reader.value().ReadFile("staredit\\scenario.chk");
            if (scenario) {
                bytes += scenario.value().size();
                ++extracted;
            }
            benchmark::DoNotOptimize(scenario);
        }
    }
    state.counters["archives"] = static_cast<double>(maps.size());
    state.counters["extracted"] = static_cast<double>(extracted);
    state.counters["scenario_MB"] = static_cast<double>(bytes) / 1e6;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_ExtractEveryCorpusScenario)->Unit(benchmark::kMillisecond);

// 1,000 files of 64 to 4,000 bytes in one game archive, read through the archive search.
class SmallFiles : public benchmark::Fixture {
public:
    void SetUp(const benchmark::State&) override {
        if (dir) {
            return;
        }
        dir = std::make_unique<orv::test::TempDir>();
        std::map<std::string, std::vector<std::uint8_t>> files;
        for (int i = 0; i < 1000; ++i) {
            files["unit\\file" + std::to_string(i) + ".grp"] = orv::test::Pattern(
                64 + static_cast<std::size_t>(i * 37 % 4000), static_cast<std::uint32_t>(i));
        }
        orv::test::MakeStormArchive(dir->file("game.mpq"), files);
    }
    static inline std::unique_ptr<orv::test::TempDir> dir;
};

BENCHMARK_DEFINE_F(SmallFiles, Read1000SmallFilesThroughTMyMPQ)(benchmark::State& state) {
    orv::TMyMPQ mpq;
    mpq.ArchiveList = {"", dir->file("missing.mpq"), dir->file("game.mpq")};
    for (auto _ : state) {
        std::size_t total = 0;
        for (int i = 0; i < 1000; ++i) {
            total += mpq.ReadFileToStream("unit\\file" + std::to_string(i) + ".grp").size();
        }
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK_REGISTER_F(SmallFiles, Read1000SmallFilesThroughTMyMPQ)->Unit(benchmark::kMillisecond);

} // namespace
