// Start-up, tilesets and extraction on the current game's storage: fake storages holding the
// stand-in files under the storage's paths.

#include "StandinGameData.h"
#include "app/Debugunit.h"
#include "app/GameData.h"
#include "app/GameExtract.h"
#include "graphics/CTileset.h"
#include "support/CascBuilder.h"
#include "support/RecordingPrompter.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace orv {
namespace {

using test::CascBuilder;
using test::TempDir;
using test::Text;

// The stand-in files as a storage, less the names in `leaveOut`, plus what `extra` adds.
test::WrittenStorage StandinStorage(const std::filesystem::path& folder,
                                    const std::vector<std::string>& leaveOut = {},
                                    const std::function<void(CascBuilder&)>& extra = {}) {
    CascBuilder builder;
    for (const auto& [name, bytes] : standin::GenerateGameData()) {
        if (std::find(leaveOut.begin(), leaveOut.end(), name) != leaveOut.end()) {
            continue;
        }
        std::string path = name;
        std::replace(path.begin(), path.end(), '\\', '/');
        if (path.starts_with("tileset/")) {
            path.replace(0, 8, "TileSet/");
        }
        builder.Add(path, bytes);
    }
    if (extra) {
        extra(builder);
    }
    return builder.Write(folder);
}

StartupOptions Options(const TempDir& dir, const std::string& installPath) {
    StartupOptions options;
    options.programDir = dir.path() / "program";
    options.configDir = dir.path() / "config";
    options.installPath = installPath;
    return options;
}

TEST(CascStartup, TheRegistrysInstallPathIsAStorageWhenItHoldsBuildInfoAndNoArchives) {
    TempDir dir;
    const auto written = StandinStorage(dir.path() / "StarCraft");
    EXPECT_TRUE(IsCascInstallation(written.folder));
    EXPECT_EQ(GameArchiveList(written.folder.string(), {}, {}),
              std::vector<std::string>{written.folder.string()});
    EXPECT_EQ(GameFolderEntries(written.folder), std::vector<std::string>{written.folder.string()});
    // An older installation keeps its archives beside a .build.info: the archives count.
    test::WriteBytes(written.folder / "stardat.mpq", Text("x"));
    EXPECT_FALSE(IsCascInstallation(written.folder));
    EXPECT_EQ(GameArchiveList(written.folder.string(), {}, {}).size(), 3u);
}

TEST(CascStartup, TheEditorStartsOnAStorageHoldingTheStandinFiles) {
    TempDir dir;
    const auto written = StandinStorage(dir.path() / "StarCraft");
    test::RecordingPrompter prompter;
    TGameData data(prompter);
    data.Load(Options(dir, written.folder.string()));
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_FALSE(data.UsingStandin) << data.Notice;
    EXPECT_TRUE(data.Notice.empty());
    EXPECT_EQ(TableSources(data.Archives),
              std::vector<std::string>(kGameTables.size(), written.folder.string()));
    EXPECT_EQ(data.Archives.SourceKind(0), "CASC storage");
    EXPECT_EQ(data.UnitsDat.size(), 19876u);
    EXPECT_NE(data.UnitSheet(0), nullptr);
    EXPECT_EQ(SourceText(data.Archives, "tileset\\badlands\\dddata.bin"), written.folder.string());
    const CStarcraftTileset& jungle = data.Tileset(4);
    EXPECT_GT(jungle.GroupCount(), 100);
    EXPECT_TRUE(jungle.TileHasGraphics(jungle.RandomTileInGroup(16 * 2)));
}

TEST(CascStartup, MissingPalettePcxAndDoodadPlacementComeFromTheStandinAndAreLogged) {
    TempDir dir;
    const auto written = StandinStorage(
        dir.path() / "StarCraft", {"game\\tunit.pcx", "game\\tselect.pcx", "tileset\\Jungle\\dddata.bin"});
    const auto log = dir.path() / "debug.txt";
    SetDebugLogPath(log);
    test::RecordingPrompter prompter;
    TGameData data(prompter);
    data.Load(Options(dir, written.folder.string()));
    (void)data.Tileset(4);
    SetDebugLogPath({});
    EXPECT_FALSE(data.UsingStandin) << data.Notice;
    EXPECT_TRUE(data.MissingTables.empty());
    EXPECT_NE(data.PlayerColorTable[0], 0);
    EXPECT_NE(data.SelectionColorTable[0], 0);
    const auto sources = TableSources(data.Archives);
    EXPECT_EQ(sources[9], data.Archives.FallbackArchive + " (stand-in: not in the game data)");
    EXPECT_EQ(sources[11], written.folder.string()); // tminimap.pcx is there
    const auto logged = test::ReadBytes(log);
    const std::string text(logged.begin(), logged.end());
    for (const char* name : {"game\\tunit.pcx", "game\\tselect.pcx", "tileset\\Jungle\\dddata.bin"}) {
        EXPECT_NE(text.find(std::string(name) + " is not in the game data: using the one of "),
                  std::string::npos)
            << name;
    }
    // Only those: a missing rule table still means incomplete game data.
    EXPECT_TRUE(IsOptionalGameFile("TileSet/badlands/DDDATA.BIN"));
    EXPECT_FALSE(IsOptionalGameFile("tileset\\dddata.bin"));
    EXPECT_FALSE(IsOptionalGameFile("tileset\\a\\b\\dddata.bin"));
    EXPECT_FALSE(IsOptionalGameFile("arr\\units.dat"));
}

TEST(CascStartup, ADamagedStorageLeavesTheStandinAndSaysWhy) {
    TempDir dir;
    const auto written = StandinStorage(dir.path() / "StarCraft");
    std::filesystem::remove(written.buildConfig);
    test::RecordingPrompter prompter;
    TGameData data(prompter);
    data.Load(Options(dir, written.folder.string()));
    EXPECT_TRUE(data.UsingStandin);
    EXPECT_EQ(data.Notice.rfind("The game data is incomplete", 0), 0u);
    EXPECT_NE(data.Notice.find("showing stand-in art. Cannot open the game's storage in " +
                               written.folder.string() + ": the build config is missing"),
              std::string::npos)
        << data.Notice;
}

// A tileset whose megatile 1 puts minitile 40000, mirrored, first: only 32 bits hold it.
void WriteWideTileset(const std::filesystem::path& folder, bool withVx4ex) {
    std::vector<std::uint8_t> cv5(52, 0);
    cv5[20 + 2] = 1; // group 0, slot 1: megatile 1
    test::WriteBytes(folder / "TileSet" / "badlands.cv5", cv5);
    std::vector<std::uint8_t> vx4(64, 0);
    vx4[32] = 2 * 7; // megatile 1: minitile 7
    test::WriteBytes(folder / "TileSet" / "badlands.vx4", vx4);
    if (withVx4ex) {
        std::vector<std::uint8_t> vx4ex(128, 0);
        const std::uint32_t ref = 2 * 40000 + 1;
        for (int i = 0; i < 4; ++i) {
            vx4ex[64 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(ref >> (8 * i));
        }
        test::WriteBytes(folder / "TileSet" / "badlands.vx4ex", vx4ex);
    }
    std::vector<std::uint8_t> vr4(64 * 40001, 0);
    vr4[64 * 40000] = 9; // pixel (0, 0) of minitile 40000
    test::WriteBytes(folder / "TileSet" / "badlands.vr4", vr4);
}

TEST(CascTileset, Vx4exReferencesBeyondSixteenBitsDrawAndWinOverVx4) {
    TempDir dir;
    WriteWideTileset(dir.path() / "game", true);
    TMyMPQ archives;
    archives.ArchiveList = {(dir.path() / "game").string()};
    const CStarcraftTileset wide("badlands", archives, {}, {});
    EXPECT_EQ(wide.Graphics(1).MiniTiles[0], 80001u);
    EXPECT_EQ(wide.MiniTile(static_cast<int>(wide.Graphics(1).MiniTiles[0] >> 1), true)[7], 9);

    // A source searched first that overrides the .vx4 and has no .vx4ex: its .vx4 counts.
    WriteWideTileset(dir.path() / "mod", false);
    archives.ArchiveList.push_back((dir.path() / "mod").string());
    archives.CloseGameArchives();
    const CStarcraftTileset narrow("badlands", archives, {}, {});
    EXPECT_EQ(narrow.Graphics(1).MiniTiles[0], 14u);
}

TEST(CascExtract, EveryEditorFileIsCopiedAndTheCopyIsCompleteGameData) {
    TempDir dir;
    const auto written = StandinStorage(dir.path() / "StarCraft", {}, [](CascBuilder& builder) {
        builder.Add("SD/mainSD.anim", Text("new art"));
        builder.Add("TileSet/badlands.dds.vr4", Text("HD terrain"));
        builder.Add("TileSet/badlands.vx4ex", std::vector<std::uint8_t>(64, 0));
        builder.Add("unit/../../evil.grp", Text("escape"));
        builder.AddNotInstalled("locales/koKR/Assets/unit/ko.grp", Text("ko"));
    });
    const auto out = dir.path() / "out";
    auto report = ExtractGameFiles(written.folder, out);
    ASSERT_TRUE(report.ok()) << report.error();
    EXPECT_EQ(report.value().written, standin::GenerateGameData().size() + 1);
    EXPECT_EQ(report.value().failures,
              std::vector<std::string>{"unit/../../evil.grp: the path leaves the target folder"});
    EXPECT_TRUE(report.value().notInstalled.empty()); // locales are no editor files
    EXPECT_TRUE(std::filesystem::exists(out / "TileSet" / "badlands.vx4ex"));
    EXPECT_TRUE(std::filesystem::exists(out / "arr" / "units.dat"));
    EXPECT_FALSE(std::filesystem::exists(out / "SD"));
    EXPECT_FALSE(std::filesystem::exists(out / "TileSet" / "badlands.dds.vr4"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "evil.grp"));

    test::RecordingPrompter prompter;
    TGameData data(prompter);
    StartupOptions options = Options(dir, std::string());
    options.extraArchives = {out.string()};
    data.Load(options);
    EXPECT_FALSE(data.UsingStandin) << data.Notice;
    EXPECT_EQ(TableSources(data.Archives), std::vector<std::string>(kGameTables.size(), out.string()));

    EXPECT_FALSE(ExtractGameFiles(dir.path() / "nowhere", out).ok());
}

TEST(CascExtract, TheEditorsFilesAreRecognisedByPath) {
    for (const char* yes :
         {"arr/units.dat", "ARR/images.tbl", "rez/stat_txt.tbl", "game/tunit.pcx", "unit/terran/marine.grp",
          "TileSet/Jungle.vx4ex", "TileSet/ice.cv5", "TileSet/ice.grp", "tileset/Jungle/dddata.bin"}) {
        EXPECT_TRUE(IsEditorGameFile(yes)) << yes;
    }
    for (const char* no :
         {"SD/mainSD.anim", "TileSet/ice.dds.vr4", "TileSet/ice_mask.dds.grp", "TileSet/ice.tmsk",
          "HD2/TileSet/ice.dds.vr4", "rez/gluAll.tbl", "arr/x/units.dat", "images.rel", "anim/main_000.anim",
          "SD/TileSet/ice.dds.vr4", "tileset/a/b/dddata.bin"}) {
        EXPECT_FALSE(IsEditorGameFile(no)) << no;
    }
}

} // namespace
} // namespace orv
