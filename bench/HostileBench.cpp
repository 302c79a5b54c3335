// Hostile maps through the editor's own path (TMapDocument::Open, a 640 x 480 view, the
// whole-map picture, Save): the time and the peak memory of each case, each run in a child
// process of its own so that its peak resident size is its own (getrusage of the child).
// The counters: seconds (the case, open to save), peak_MiB (resident), opened (1 when the
// map opened, 0 when it was refused). BM_HostileWorstCase runs them all and reports the
// largest of each.

#include "app/MapDocument.h"
#include "archive/MapArchiveReader.h"
#include "scenario/ScenarioLimits.h"
#include "support/HostileMaps.h"
#include "support/OurMaps.h"
#include "support/RecordingPrompter.h"
#include "support/StandinData.h"
#include "support/TestSupport.h"
#include "view/MapImage.h"
#include "view/MapRenderer.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <functional>
#include <map>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace orv;

struct Measure {
    double seconds = 0;
    double peakMiB = 0;
    bool opened = false;
    bool ok = false;
};

// The editor's path over one file: open, draw a view and the whole picture, save beside it.
bool OpenRenderSave(const std::string& path) {
    TGameData& data = test::StandinGameData();
    test::RecordingPrompter prompter;
    auto doc = TMapDocument::Open(path, data, prompter);
    if (!doc) {
        return false;
    }
    TMapDocument& map = *doc.value();
    CMapRenderer renderer;
    renderer.DrawDisplay(map.Chk, *map.Tileset, data, ViewState{0, 0, 640, 480, 32, 0});
    (void)ExportMapImage(map.Chk, *map.Tileset, data, path + ".jpg");
    (void)map.Save(path + ".saved.scx");
    return true;
}

// Runs `work` in a child and measures it there; the child reports through its exit code.
Measure InChild(const std::function<bool()>& work) {
    test::StandinGameData(); // loaded before the fork, as in the editor
    int channel[2];
    if (pipe(channel) != 0) {
        return {};
    }
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        const auto start = std::chrono::steady_clock::now();
        const bool opened = work();
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        (void)!write(channel[1], &seconds, sizeof seconds);
        _exit(opened ? 0 : 1);
    }
    close(channel[1]);
    Measure m;
    if (read(channel[0], &m.seconds, sizeof m.seconds) != sizeof m.seconds) {
        m.seconds = -1;
    }
    close(channel[0]);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    m.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    m.ok = WIFEXITED(status);
    m.opened = m.ok && WEXITSTATUS(status) == 0;
    return m;
}

// The cases: each writes its file into `dir` and returns the path.
using Maker = std::function<std::string(const test::TempDir&)>;

std::string Write(const test::TempDir& dir, const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const std::string path = dir.file(name);
    test::WriteBytes(path, bytes);
    return path;
}

const std::map<std::string, Maker>& Cases() {
    static const std::map<std::string, Maker> cases = {
        {"ordinary_map",
         [](const test::TempDir& dir) {
             const std::string path = dir.file("ours.scx");
             test::WriteOurMap(path);
             return path;
         }},
        {"headers_1MiB",
         [](const test::TempDir& dir) { return Write(dir, "h1.scx", test::ManyHeaders(1 << 20)); }},
        {"headers_4MiB",
         [](const test::TempDir& dir) { return Write(dir, "h4.scx", test::ManyHeaders(4 << 20)); }},
        {"headers_4MiB_after_a_map",
         [](const test::TempDir& dir) {
             const std::string ours = dir.file("ours.scx");
             test::WriteOurMap(ours);
             return Write(dir, "h4m.scx", test::ManyHeaders(4 << 20, test::ReadBytes(ours)));
         }},
        {"sections_4M",
         [](const test::TempDir& dir) {
             return Write(dir, "s4.scx",
                          test::ArchiveOf(test::WithEmptySections(test::SmallScenario(), 4'000'000)));
         }},
        {"sections_33M",
         [](const test::TempDir& dir) {
             return Write(dir, "s33.scx",
                          test::ArchiveOf(test::WithEmptySections(test::SmallScenario(), 33'000'000)));
         }},
        {"sections_at_cap",
         [](const test::TempDir& dir) {
             return Write(
                 dir, "sc.scx",
                 test::ArchiveOf(test::WithEmptySections(test::SmallScenario(), kMaxScenarioSections - 100)));
         }},
        {"units_1.5M",
         [](const test::TempDir& dir) {
             return Write(dir, "u.scx", test::ArchiveOf(test::WithUnits(test::SmallScenario(), 1'500'000)));
         }},
        {"units_7M",
         [](const test::TempDir& dir) {
             return Write(dir, "u7.scx", test::ArchiveOf(test::WithUnits(test::SmallScenario(), 7'000'000)));
         }},
        {"units_at_cap",
         [](const test::TempDir& dir) {
             return Write(dir, "uc.scx",
                          test::ArchiveOf(test::WithUnits(test::SmallScenario(), kMaxScenarioUnits - 2)));
         }},
        {"doodads_100k",
         [](const test::TempDir& dir) {
             return Write(dir, "d.scx", test::ArchiveOf(test::WithDoodads(test::SmallScenario(), 100'000)));
         }},
        {"doodads_at_cap",
         [](const test::TempDir& dir) {
             return Write(dir, "dc.scx",
                          test::ArchiveOf(test::WithDoodads(test::SmallScenario(), kMaxScenarioDoodads)));
         }},
        {"sprites_100k",
         [](const test::TempDir& dir) {
             return Write(dir, "p.scx", test::ArchiveOf(test::WithSprites(test::SmallScenario(), 100'000)));
         }},
        {"sprites_at_cap",
         [](const test::TempDir& dir) {
             return Write(
                 dir, "pc.scx",
                 test::ArchiveOf(test::WithSprites(test::SmallScenario(), kMaxScenarioSprites - 100)));
         }},
        {"listfile_100k_names",
         [](const test::TempDir& dir) {
             return Write(dir, "n.scx",
                          test::ArchiveOf(test::SmallScenario(), test::ManyNames(100'000), 1000, 65536));
         }},
    };
    return cases;
}

void Report(benchmark::State& state, const Measure& m) {
    state.counters["seconds"] = m.seconds;
    state.counters["peak_MiB"] = m.peakMiB;
    state.counters["opened"] = m.opened ? 1 : 0;
    if (!m.ok) {
        state.SkipWithError("the case crashed");
    }
}

void BM_HostileMap(benchmark::State& state, const std::string& name) {
    test::TempDir dir;
    const std::string path = Cases().at(name)(dir);
    Measure m;
    for (auto _ : state) {
        m = InChild([&] { return OpenRenderSave(path); });
    }
    Report(state, m);
}

// What the rebuild of a protected map does with the reader: every name of the (listfile)
// looked up and read.
void BM_HostileListfileLookups(benchmark::State& state) {
    const auto archive = test::ArchiveOf(test::SmallScenario(), test::ManyNames(100'000), 1000, 65536);
    Measure m;
    for (auto _ : state) {
        m = InChild([&] {
            auto reader = MapArchiveReader::FromBytes(archive);
            if (!reader) {
                return false;
            }
            std::size_t found = 0;
            for (const std::string& name : reader.value().ListfileNames()) {
                found += reader.value().ReadFile(name).ok() ? 1 : 0;
            }
            return found > 0;
        });
    }
    Report(state, m);
}
BENCHMARK(BM_HostileListfileLookups)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_HostileWorstCase(benchmark::State& state) {
    test::TempDir dir;
    std::vector<std::pair<std::string, std::string>> paths;
    for (const auto& [name, make] : Cases()) {
        paths.emplace_back(name, make(dir));
    }
    Measure worst;
    for (auto _ : state) {
        worst = {0, 0, true, true};
        for (const auto& [name, path] : paths) {
            const Measure m = InChild([&] { return OpenRenderSave(path); });
            worst.seconds = std::max(worst.seconds, m.seconds);
            worst.peakMiB = std::max(worst.peakMiB, m.peakMiB);
            worst.ok = worst.ok && m.ok;
        }
    }
    state.counters["worst_seconds"] = worst.seconds;
    state.counters["worst_peak_MiB"] = worst.peakMiB;
    if (!worst.ok) {
        state.SkipWithError("a case crashed");
    }
}
BENCHMARK(BM_HostileWorstCase)->Unit(benchmark::kMillisecond)->Iterations(1);

const bool kRegistered = [] {
    for (const auto& [name, make] : Cases()) {
        benchmark::RegisterBenchmark(("BM_HostileMap/" + name).c_str(), BM_HostileMap, name)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1);
    }
    return true;
}();

} // namespace
