// Any bytes through the editor's whole path for a scenario: the section walk, the tileset
// and creep, a small view drawn with every overlay, the isometric brush's corners read from
// the map's ISOM or tiles and one stroke, the writer, and the written bytes read again. A
// scenario the editor saved must open again.

#include "app/Debugunit.h"
#include "app/GameData.h"
#include "scenario/CCHKFile.h"
#include "terrain/IsoTerrain.h"
#include "view/MapRenderer.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <span>
#include <vector>

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

    static std::array<std::unique_ptr<orv::CTerrainRules>, 8> rules;
    auto& tilesetRules = rules[static_cast<std::size_t>(chk.Tileset())];
    if (!tilesetRules) {
        tilesetRules = std::make_unique<orv::CTerrainRules>(tileset);
    }
    orv::CIsoTerrain iso(*tilesetRules, tileset, chk.Tileset(), chk.Width, chk.Height);
    const std::vector<int> terrains = iso.Available() ? iso.Terrains() : std::vector<int>{};
    if (!terrains.empty()) {
        const std::span<const std::uint16_t> tiles(chk.TerrainGrid);
        iso.Load(chk.IsoMap.get(), tiles);
        const int pick = size > 0 ? data[size - 1] : 0;
        const auto result =
            iso.Paint(terrains[static_cast<std::size_t>(pick) % terrains.size()],
                      pick * 37 % (chk.Width * 32 + 64) - 32, pick * 53 % (chk.Height * 32 + 64) - 32,
                      1 + 2 * (pick % 5), tiles, chk.IsoMap.get());
        for (const auto& write : result.tiles) {
            chk.Terrain(write.column, write.row) = write.value;
        }
        chk.TerrainChanged({result.rect.left, result.rect.top, result.rect.right, result.rect.bottom});
    }

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
