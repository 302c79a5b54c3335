// The current game's storage: opening one as large as the game's own (50,000 root entries,
// 40,000 index entries; targets: under 150 ms and 32 MiB), and start-up from a storage that
// holds the stand-in files (target: under 300 ms).

#include "app/Debugunit.h"
#include "app/GameData.h"
#include "archive/CascStorage.h"
#include "support/CascBuilder.h"
#include "support/RecordingPrompter.h"
#include "support/TestSupport.h"

#include <benchmark/benchmark.h>
#include <fstream>
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A storage of 40,000 small installed files and 10,000 names of files not installed.
const orv::test::WrittenStorage& LargeStorage() {
    static orv::test::TempDir dir;
    static const orv::test::WrittenStorage storage = [] {
        orv::test::CascBuilder builder;
        for (int i = 0; i < 40000; ++i) {
            const std::string name = "unit/thingy/file" + std::to_string(i) + ".grp";
            builder.Add(name, std::vector<std::uint8_t>(name.begin(), name.end()),
                        orv::test::BlteForm::Stored);
        }
        builder.AddNamesOnly(10000);
        return builder.Write(dir.path() / "StarCraft");
    }();
    return storage;
}

// The peak resident size of this process so far, in KiB (VmHWM).
long PeakKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmHWM:")) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

// Peak memory growth of opening, in KiB, measured in a child process whose peak is reset
// first and whose free heap is given back, so that nothing of earlier work counts.
long OpenPeakKiB(const std::filesystem::path& folder) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        return -1;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        malloc_trim(0); // hands free heap back, so that what opening needs is counted
        std::ofstream("/proc/self/clear_refs") << "5"; // resets VmHWM to the present size
        const long before = PeakKiB();
        auto storage = orv::CascStorage::Open(folder);
        const long grown = storage ? PeakKiB() - before : -1;
        (void)!write(pipeFds[1], &grown, sizeof grown);
        _exit(0);
    }
    close(pipeFds[1]);
    long grown = -1;
    (void)!read(pipeFds[0], &grown, sizeof grown);
    close(pipeFds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return grown;
}

void BM_OpenLargeStorage(benchmark::State& state) {
    const auto& written = LargeStorage();
    std::size_t files = 0;
    std::size_t entries = 0;
    for (auto _ : state) {
        auto storage = orv::CascStorage::Open(written.folder);
        if (!storage) {
            state.SkipWithError(storage.error().c_str());
            return;
        }
        files = storage.value().Files().size();
        entries = storage.value().IndexEntryCount();
        benchmark::DoNotOptimize(storage.value().Contains("unit\\thingy\\file123.grp"));
    }
    // Memory, outside the timing: the heap an open storage keeps, and the peak of opening.
    const std::size_t heapBefore = mallinfo2().uordblks;
    auto held = orv::CascStorage::Open(written.folder);
    state.counters["held_MiB"] = static_cast<double>(mallinfo2().uordblks - heapBefore) / (1 << 20);
    state.counters["peak_MiB"] = static_cast<double>(OpenPeakKiB(written.folder)) / 1024.0;
    state.counters["root_entries"] = static_cast<double>(files);
    state.counters["index_entries"] = static_cast<double>(entries);
}
BENCHMARK(BM_OpenLargeStorage)->Unit(benchmark::kMillisecond);

void BM_StartupOnStandinStorage(benchmark::State& state) {
    orv::test::TempDir dir;
    const auto storage = orv::test::CascBuilder::WithStandinFiles().Write(dir.path() / "StarCraft");
    orv::SetDebugLogPath(dir.path() / "debug.txt");
    for (auto _ : state) {
        orv::test::RecordingPrompter prompter;
        orv::TGameData data(prompter);
        orv::StartupOptions options;
        options.installPath = storage.folder.string();
        options.programDir = options.configDir = dir.path();
        data.Load(options);
        if (data.UsingStandin) {
            state.SkipWithError("the storage was not used");
            break;
        }
        state.counters["sheets"] = static_cast<double>(data.GrpSheets.size() - 1);
    }
    orv::SetDebugLogPath({});
}
BENCHMARK(BM_StartupOnStandinStorage)->Unit(benchmark::kMillisecond);

} // namespace
