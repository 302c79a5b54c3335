// Any bytes through the editor's whole path for a scenario: the section walk, the tileset
// and creep, a small view drawn with every overlay, the writer, and the written bytes read
// again. A scenario the editor saved must open again.

#include "app/Debugunit.h"
#include "app/GameData.h"
#include "scenario/CCHKFile.h"
#include "view/MapRenderer.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

orv::TGameData& GameData() {
    static orv::SilentPrompter silent;
    static orv::TGameData* data = [] {
        auto* loaded = new orv::TGameData(silent);
        orv::StartupOptions options;
        options.standinOnly = true;
        options.programDir = options.configDir = std::filesystem::temp_directory_path() / "orvistad-none";
        loaded->Load(options);
        return loaded;
    }();
    return *data;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    orv::SetDebugLogPath({}); // no log file grows while fuzzing
    static orv::SilentPrompter silent;
    orv::TGameData& game = GameData();
    static orv::TCHK chk(silent, &game.UnitsDat); // reused: every read starts by clearing it
    static orv::TCHK again(silent, &game.UnitsDat);
    if (!chk.ReadSections(orv::Bytes(data, size))) {
        return 0;
    }
    orv::CStarcraftTileset& tileset = game.Tileset(chk.Tileset());
    chk.LinkTileset(&tileset);
    chk.RebuildCreep();
    static orv::CMapRenderer renderer;
    using namespace orv::draw_flags;
    const orv::ViewState view{1, 1, 160, 96, 32, kFog | kLocations | kPlacability | kSelectedDoodads};
    orv::OverlayState overlays;
    overlays.SelectedLocation = 0;
    overlays.SelectedDoodads = {0, 1};
    renderer.DrawDisplay(chk, tileset, game, view, overlays);

    auto written = chk.WriteToBytes();
    if (!written) {
        return 0; // a scenario that cannot be written says so
    }
    if (!again.ReadSections(written.value())) {
        std::fprintf(stderr, "the written scenario does not read again\n");
        std::abort();
    }
    if (again.Units.size() != chk.Units.size() || again.Width != chk.Width || again.Height != chk.Height) {
        std::fprintf(stderr, "the written scenario reads back different\n");
        std::abort();
    }
    return 0;
}
