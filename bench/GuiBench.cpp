// The editor's dialogs, measured through the real widgets off screen: the time from the
// command to the Game Data dialog on screen with every table's source filled in, and to the
// scenario settings window on screen with all its pages filled.

#include <QApplication>

#include "app/GameDataDLG.h"
#include "app/MAIN.h"
#include "settings/PlayerSettings.h"
#include "settings/SettingsStore.h"
#include "support/RecordingPrompter.h"
#include "support/StandinData.h"
#include "support/TestSupport.h"

#include <benchmark/benchmark.h>
#include <cstdlib>

namespace {

using namespace orv;

void BM_GameDataDialogOpens(benchmark::State& state) {
    test::RecordingPrompter prompter;
    test::TempDir dir;
    StartupOptions options;
    options.programDir = options.configDir = dir.path();
    options.installPath = std::string();
    TMainForm form(prompter, options);
    form.show();
    QApplication::processEvents();
    for (auto _ : state) {
        form.GameDataExecute();
        QApplication::processEvents();
        if (!form.GameDataDialog() || !form.GameDataDialog()->isVisible()) {
            state.SkipWithError("the dialog did not open");
            return;
        }
        state.PauseTiming();
        form.GameDataDialog()->reject();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_GameDataDialogOpens)->Unit(benchmark::kMillisecond)->Iterations(20);

// A new 128 x 128 jungle map on the stand-in data.
void BM_ScenarioSettingsWindowOpens(benchmark::State& state) {
    test::RecordingPrompter prompter;
    TGameData& data = test::StandinGameData();
    TCHK chk(prompter, &data.UnitsDat);
    chk.NewMap(2, 4, 128, 128, &data.Tileset(4));
    TMapText text(chk);
    for (auto _ : state) {
        TSettingsStore store(chk, text, prompter, TSettingsTables::From(data));
        TplayersettingsFRM form(store, data, prompter, "Untitled 1");
        form.show();
        QApplication::processEvents();
        if (!form.isVisible()) {
            state.SkipWithError("the window did not open");
            return;
        }
        state.PauseTiming();
        form.reject();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ScenarioSettingsWindowOpens)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
