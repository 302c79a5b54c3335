// Start-up on the stand-in game data: time in-process, peak memory of a whole
// `orvistad-cli data --standin` run (targets: under 300 ms and 64 MiB).

#include "app/Debugunit.h"
#include "app/GameData.h"
#include "support/RecordingPrompter.h"
#include "support/TestSupport.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

namespace {

void BM_StartupOnStandinData(benchmark::State& state) {
    orv::test::TempDir dir;
    orv::SetDebugLogPath(dir.path() / "debug.txt");
    for (auto _ : state) {
        orv::test::RecordingPrompter prompter;
        orv::TGameData data(prompter);
        orv::StartupOptions options;
        options.standinOnly = true;
        options.programDir = options.configDir = dir.path();
        data.Load(options);
        benchmark::DoNotOptimize(data.GrpSheets.size());
        state.counters["sheets"] = static_cast<double>(data.GrpSheets.size() - 1);
    }
    orv::SetDebugLogPath({});
}
BENCHMARK(BM_StartupOnStandinData)->Unit(benchmark::kMillisecond);

void BM_StartupPeakMemory(benchmark::State& state) {
    const char* cli = ORVISTAD_CLI_PATH;
    double peakMiB = 0;
    for (auto _ : state) {
        char* args[] = {const_cast<char*>(cli), const_cast<char*>("data"), const_cast<char*>("--standin"),
                        nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        pid_t pid = 0;
        if (posix_spawn(&pid, cli, &actions, nullptr, args, environ) != 0) {
            state.SkipWithError("cannot start orvistad-cli");
            return;
        }
        posix_spawn_file_actions_destroy(&actions);
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    }
    state.counters["peak_MiB"] = peakMiB;
}
BENCHMARK(BM_StartupPeakMemory)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
