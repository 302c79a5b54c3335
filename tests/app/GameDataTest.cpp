#include "app/GameData.h"

#include "StandinGameData.h"
#include "app/Debugunit.h"
#include "support/RecordingPrompter.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

namespace orv {
namespace {

using test::RecordingPrompter;
using test::TempDir;

void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// A folder layout for one start-up: the program folder, an install folder, a config folder.
struct StartupFixture {
    TempDir dir;
    std::filesystem::path program = dir.path() / "program";
    std::filesystem::path install = dir.path() / "game";
    std::filesystem::path config = dir.path() / "config";
    RecordingPrompter prompter;

    StartupFixture() {
        std::filesystem::create_directories(program);
        std::filesystem::create_directories(install);
        std::filesystem::create_directories(config);
    }

    StartupOptions Options(std::optional<std::string> installPath = std::string()) const {
        StartupOptions o;
        o.programDir = program;
        o.configDir = config;
        o.installPath = installPath;
        return o;
    }
};

standin::FileSet StandinFiles() {
    static const standin::FileSet files = standin::GenerateGameData();
    return files;
}

TEST(GameArchiveList, SettingsLinesComeAfterTheInstalledArchivesInFileOrder) {
    TempDir dir;
    WriteText(dir.path() / "settings.txt", "A.mpq\r\nB.mpq\nC.mpq\n");
    const auto list = GameArchiveList("/games/sc", dir.path() / "settings.txt", {"D.mpq"});
    EXPECT_EQ(list, (std::vector<std::string>{"/games/sc/StarDat.mpq", "/games/sc/BrooDat.mpq",
                                              "/games/sc/Patch_rt.mpq", "A.mpq", "B.mpq", "C.mpq", "D.mpq"}));
}

TEST(GameArchiveList, AnEmptySettingsFileGivesOneEmptyEntry) {
    TempDir dir;
    WriteText(dir.path() / "settings.txt", "");
    EXPECT_EQ(GameArchiveList("", dir.path() / "settings.txt", {}), (std::vector<std::string>{""}));
    EXPECT_TRUE(GameArchiveList("", dir.path() / "missing.txt", {}).empty());
}

TEST(GameArchiveList, FindsTheInstalledArchivesWhateverTheirCase) {
    TempDir dir;
    WriteText(dir.path() / "stardat.mpq", "x");
    const auto list = GameArchiveList(dir.path().string(), dir.path() / "none.txt", {});
    EXPECT_EQ(list[0], (dir.path() / "stardat.mpq").string());
    EXPECT_EQ(list[2], (dir.path() / "Patch_rt.mpq").string());
}

TEST(GameDataStartup, TheLastArchiveWinsAndSettingsArchivesBeatTheGame) {
    StartupFixture f;
    auto files = StandinFiles();
    auto variant = [&](std::uint8_t tag) {
        auto units = files["arr\\units.dat"];
        units.back() = tag;
        return units;
    };
    test::MakeStormArchive((f.install / "StarDat.mpq").string(), files);
    test::MakeStormArchive((f.install / "BrooDat.mpq").string(), {{"arr\\units.dat", variant(1)}});
    test::MakeStormArchive((f.install / "Patch_rt.mpq").string(), {{"arr\\units.dat", variant(2)}});
    test::MakeStormArchive((f.dir.path() / "A.mpq").string(), {{"arr\\units.dat", variant(3)}});
    test::MakeStormArchive((f.dir.path() / "B.mpq").string(), {{"x", {1}}});
    test::MakeStormArchive((f.dir.path() / "C.mpq").string(), {{"arr\\units.dat", variant(4)}});
    WriteText(f.config / "settings.txt", (f.dir.path() / "A.mpq").string() + "\n" +
                                             (f.dir.path() / "B.mpq").string() + "\n" +
                                             (f.dir.path() / "C.mpq").string() + "\n");

    TGameData data(f.prompter);
    data.Load(f.Options(f.install.string()));
    EXPECT_TRUE(f.prompter.messages.empty()) << f.prompter.messages.front();
    EXPECT_FALSE(data.UsingStandin);
    ASSERT_EQ(data.Archives.ArchiveList.size(), 6u);
    EXPECT_EQ(data.Archives.ArchiveList[2], (f.install / "Patch_rt.mpq").string());
    EXPECT_EQ(data.UnitsDat.back(), 4);                      // from C, the last line
    EXPECT_EQ(data.Archives.SourceOf("arr\\images.dat"), 0); // only StarDat holds it
}

TEST(GameDataStartup, NoArchivesAtAllUsesTheStandinWithANoticeNotAMessage) {
    StartupFixture f;
    const auto log = f.dir.path() / "debug.txt";
    SetDebugLogPath(log);
    TGameData data(f.prompter);
    data.Load(f.Options());
    SetDebugLogPath({});
    EXPECT_TRUE(f.prompter.messages.empty());
    EXPECT_EQ(data.Notice, "No game data found: showing stand-in art. Set the game folder in Settings");
    const auto logged = test::ReadBytes(log);
    EXPECT_NE(std::string(logged.begin(), logged.end())
                  .find("Settings.txt not properly configured, no MPQs were found"),
              std::string::npos);
    EXPECT_TRUE(data.UsingStandin);
    EXPECT_TRUE(data.MissingTables.empty());
    EXPECT_EQ(data.UnitsDat.size(), 19876u);
}

TEST(GameDataStartup, AnIncompleteSetIsNamedInOneMessageAndReplacedByTheStandin) {
    StartupFixture f;
    auto files = StandinFiles();
    files.erase("arr\\images.tbl");
    files.erase("game\\tselect.pcx");
    test::MakeStormArchive((f.dir.path() / "partial.mpq").string(), files);
    WriteText(f.program / "settings.txt", (f.dir.path() / "partial.mpq").string());

    TGameData data(f.prompter);
    data.Load(f.Options());
    EXPECT_TRUE(f.prompter.messages.empty());
    // The palette PCX files are optional (a current installation may lack them): the
    // stand-in's serve, and only the rule or text tables make the set incomplete.
    EXPECT_EQ(data.Notice, "The game data is incomplete (no archive holds arr\\images.tbl): "
                           "showing stand-in art. Set the game folder in Settings");
    EXPECT_TRUE(data.UsingStandin);
    EXPECT_FALSE(data.ImagesTbl.empty());
    EXPECT_NE(data.SelectionColorTable[0], 0);
}

TEST(GameDataStartup, AnEmptySettingsFileFindsNoGameData) {
    StartupFixture f;
    WriteText(f.program / "settings.txt", "");
    TGameData data(f.prompter);
    data.Load(f.Options());
    EXPECT_EQ(data.Notice.rfind("No game data found", 0), 0u);
    EXPECT_TRUE(data.UsingStandin);
}

TEST(GameDataStartup, AFolderOfExtractedFilesIsGameData) {
    StartupFixture f;
    const auto extracted = f.dir.path() / "extracted";
    for (const auto& [name, bytes] : StandinFiles()) {
        std::string path = name;
        std::replace(path.begin(), path.end(), '\\', '/');
        if (path.starts_with("arr/")) {
            path = "ARR/" + path.substr(4); // as extraction tools may spell it
        }
        test::WriteBytes(extracted / path, bytes);
    }
    ASSERT_EQ(GameFolderEntries(extracted), std::vector<std::string>{extracted.string()});
    ASSERT_TRUE(WriteSettingsLines(f.config / "settings.txt", GameFolderEntries(extracted)));
    EXPECT_EQ(ReadSettingsLines(f.config / "settings.txt"), std::vector<std::string>{extracted.string()});
    TGameData data(f.prompter);
    data.Load(f.Options());
    EXPECT_FALSE(data.UsingStandin);
    EXPECT_TRUE(data.Notice.empty());
    EXPECT_EQ(TableSources(data.Archives), std::vector<std::string>(kGameTables.size(), extracted.string()));
    EXPECT_NE(data.UnitSheet(0), nullptr);
}

TEST(GameDataStartup, TilesetsAskedForFromSeveralThreadsAreMadeOnce) {
    // Maps load on threads of their own; a cancelled load may run beside the next one.
    StartupFixture f;
    StartupOptions options = f.Options();
    options.standinOnly = true;
    TGameData data(f.prompter);
    data.Load(options);
    std::array<std::array<CStarcraftTileset*, 8>, 4> seen{};
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < seen.size(); ++t) {
        threads.emplace_back([&, t] {
            for (int n = 0; n < 8; ++n) {
                seen[t][static_cast<std::size_t>((n + static_cast<int>(t)) % 8)] =
                    &data.Tileset((n + static_cast<int>(t)) % 8);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (std::size_t t = 1; t < seen.size(); ++t) {
        EXPECT_EQ(seen[t], seen[0]);
    }
}

TEST(GameFolderEntries, AnInstalledGameGivesItsArchives) {
    TempDir dir;
    WriteText(dir.path() / "STARDAT.MPQ", "x");
    WriteText(dir.path() / "patch_rt.mpq", "x");
    EXPECT_EQ(GameFolderEntries(dir.path()),
              (std::vector<std::string>{(dir.path() / "STARDAT.MPQ").string(),
                                        (dir.path() / "patch_rt.mpq").string()}));
}

TEST(GameDataStartup, AMissingStandinLeavesEmptyTablesThatNothingIndexes) {
    StartupFixture f;
    StartupOptions options = f.Options();
    options.standinArchive = f.dir.path() / "nowhere.mpq";
    TGameData data(f.prompter);
    data.Load(options);
    ASSERT_EQ(f.prompter.messages.size(), 1u);
    EXPECT_NE(f.prompter.messages[0].find("nowhere.mpq"), std::string::npos);
    EXPECT_TRUE(data.UnitsDat.empty());
    for (int u = 0; u < kUnitTypeCount; ++u) {
        EXPECT_EQ(data.UnitSheet(u), nullptr);
        EXPECT_EQ(data.UnitImageSlot(u), -1);
    }
}

class StandinGameData : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        prompter = new RecordingPrompter;
        data = new TGameData(*prompter);
        StartupOptions options;
        options.standinOnly = true;
        options.programDir = std::filesystem::temp_directory_path() / "orvistad-no-such-folder";
        options.configDir = options.programDir;
        data->Load(options);
    }
    static void TearDownTestSuite() {
        delete data;
        delete prompter;
    }
    static inline RecordingPrompter* prompter = nullptr;
    static inline TGameData* data = nullptr;
};

TEST_F(StandinGameData, LoadsEveryTableQuietly) {
    EXPECT_TRUE(prompter->messages.empty());
    EXPECT_TRUE(data->MissingTables.empty());
    EXPECT_EQ(data->UnitsDat.size(), 19876u);
    EXPECT_EQ(data->FlingyDat.size(), 3135u);
    EXPECT_EQ(data->SpritesDat.size(), 3229u);
    EXPECT_EQ(data->ImagesDat.size(), 37962u);
    EXPECT_EQ(data->WeaponsDat.size(), 5460u);
    EXPECT_EQ(data->UpgradesDat.size(), 1281u);
    EXPECT_EQ(data->TechdataDat.size(), 836u);
    EXPECT_EQ(data->GrpSheets.size(), data->ImagesTbl.size() + 1);
    EXPECT_EQ(data->PlayerColorTable[8], 128 + 4); // colour 1, darkest shade
    EXPECT_EQ(data->MinimapColorTable[15], 128 + 60 + 2);
    EXPECT_EQ(data->SelectionColorTable[23], 192 + 23);
}

TEST_F(StandinGameData, SplitsUnitNamesIntoNameSubtitleAndGroup) {
    EXPECT_EQ(data->UnitNameParts[214], (std::vector<std::string>{"Start Location", "*", "Start Location"}));
    for (int u = 0; u < kUnitTypeCount; ++u) {
        EXPECT_EQ(data->UnitNameParts[static_cast<std::size_t>(u)].size(), 3u) << u;
    }
    EXPECT_TRUE(data->UnitNameParts[228].empty());
}

TEST_F(StandinGameData, EveryUnitHasItsSheetOrDeliberatelyNone) {
    for (int u = 0; u < kUnitTypeCount; ++u) {
        const bool none = standin::PlanUnit(u).kind == standin::UnitKind::None;
        EXPECT_EQ(data->UnitSheet(u) == nullptr, none) << "unit " << u;
    }
}

TEST_F(StandinGameData, TurretsAreAttachedToTheirUnitsSheets) {
    int withTurret = 0;
    for (int u = 0; u < kUnitTypeCount; ++u) {
        const TDoodadGRP* sheet = data->UnitSheet(u);
        const int turret = standin::PlanUnit(u).turret;
        if (turret < kUnitTypeCount) {
            ASSERT_NE(sheet, nullptr);
            EXPECT_EQ(sheet->Turret, data->UnitSheet(turret)) << u;
            EXPECT_EQ(sheet->TurretX, 0);
            ++withTurret;
        } else if (sheet) {
            EXPECT_EQ(sheet->Turret, nullptr) << u;
        }
    }
    EXPECT_EQ(withTurret, 4);
}

TEST_F(StandinGameData, StartsWithTheDefaultOptions) {
    const OptionFlags& o = data->Options;
    EXPECT_TRUE(o.ShowPlacability && o.ShowCreep && o.BuildingAlign32);
    EXPECT_FALSE(o.UseMMX || o.ShowGrid || o.ShowFineGrid || o.UnitAlign32 || o.UnitAlign16 ||
                 o.BuildingAlign16 || o.IgnoreTerrain || o.AllowOverlap);
    EXPECT_EQ(o.LocationElevationMask, 0xFFFFu);
}

TEST_F(StandinGameData, TheImageChainIsBoundsChecked) {
    TGameData broken(*prompter);
    broken.UnitsDat = data->UnitsDat;
    broken.FlingyDat = std::vector<std::uint8_t>(10, 0xFF); // sprites far past the sprite table
    broken.SpritesDat = data->SpritesDat;
    broken.ImagesDat = data->ImagesDat;
    broken.ImagesTbl = data->ImagesTbl;
    for (int u = -1; u <= kUnitTypeCount; ++u) {
        EXPECT_EQ(broken.UnitImageSlot(u), -1);
    }
    broken.FlingyDat = data->FlingyDat;
    broken.ImagesTbl.resize(3); // image file numbers past images.tbl
    EXPECT_EQ(broken.UnitImageSlot(100), -1);
    EXPECT_EQ(broken.UnitImageSlot(1), 1);
    broken.Shutdown();
}

TEST(GameDataLog, StartUpAndShutdownLogTheirStepsInOrder) {
    TempDir dir;
    SetDebugLogPath(dir.path() / "debug.txt");
    {
        RecordingPrompter prompter;
        TGameData data(prompter);
        StartupOptions options;
        options.standinOnly = true;
        options.programDir = options.configDir = dir.path();
        data.Load(options);
    }
    SetDebugLogPath({});
    const auto bytes = test::ReadBytes(dir.path() / "debug.txt");
    const std::string text(bytes.begin(), bytes.end());
    const std::vector<std::string> expected = {"Starting program, extracrting files",
                                               "Images Dat",
                                               "Sprites Dat",
                                               "Flingy Dat",
                                               "Weapons Dat",
                                               "Upgrades Dat",
                                               "Techs Dat",
                                               "units Dat",
                                               "Stattxt tbl",
                                               "Images.tbl",
                                               "Loading PlayerColor PCX file",
                                               "Loading Selection PCX File",
                                               "Loading Minimap PCX File",
                                               "Done loading settings files ",
                                               "Load GRPS",
                                               "End of Creation",
                                               "Start of killing main form",
                                               "End of closing main form\n\r\n\r"};
    std::size_t at = 0;
    for (const std::string& message : expected) {
        const std::size_t found = text.find(" : " + message + "\r\n", at);
        ASSERT_NE(found, std::string::npos) << "missing or out of order: " << message;
        at = found + message.size();
    }
    std::size_t lines = 0;
    for (std::size_t p = text.find("  :  "); p != std::string::npos; p = text.find("  :  ", p + 1)) {
        ++lines;
    }
    EXPECT_EQ(lines, expected.size());
}

TEST(GameDataSettings, ReadsTheRecentFilesFromSettingsIni) {
    StartupFixture f;
    WriteText(f.program / "settings.ini",
              "[Other]\nfile0=wrong\n[Recent Files]\r\nFile0 = /maps/a.scx\r\nfile2=/maps/c.scm\nfile4=e\n");
    TGameData data(f.prompter);
    StartupOptions options = f.Options();
    options.standinOnly = true;
    data.Load(options);
    EXPECT_EQ(data.RecentFiles.Entries,
              (std::array<std::string, 5>{"/maps/a.scx", "", "/maps/c.scm", "", "e"}));
}

} // namespace
} // namespace orv
