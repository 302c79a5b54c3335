#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "archive/MapArchiveReader.h"
#include "archive/Stormunit.h"
#include "cli/CliApp.h"
#include "graphics/OrvistadTypes.h"
#include "scenario/CCHKFile.h"
#include "support/CascBuilder.h"
#include "support/RecordingPrompter.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

namespace orv {
namespace {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome RunCli(std::vector<std::string> args) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = cli::Run(args, out, err);
    return {status, out.str(), err.str()};
}

QJsonObject ParseJson(const std::string& text) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(text)).object();
}

TEST(Cli, HelpNamesEveryCommand) {
    const Outcome help = RunCli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("ls MAP"), std::string::npos);
    EXPECT_NE(help.out.find("extract MAP NAME OUT"), std::string::npos);
    EXPECT_NE(help.out.find("extract-game INSTALL_DIR OUT_DIR"), std::string::npos);
    EXPECT_EQ(RunCli({}).status, 2);
    const Outcome unknown = RunCli({"frobnicate"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("unknown command 'frobnicate'"), std::string::npos);
    EXPECT_EQ(RunCli({"ls"}).status, 2);
    EXPECT_EQ(RunCli({"extract", "a", "b"}).status, 2);
}

TEST(Cli, ListsAndExtractsTheFilesOfAMap) {
    test::TempDir dir;
    test::WriteBytes(dir.file("scenario.chk"), test::Pattern(5000, 1));
    TMyMPQ mpq;
    ASSERT_TRUE(mpq.SaveScenarioToArchive(dir.file("map.scx"), dir.file("scenario.chk")).ok());

    const Outcome ls = RunCli({"ls", dir.file("map.scx")});
    EXPECT_EQ(ls.status, 0) << ls.err;
    EXPECT_NE(ls.out.find("archive header at offset 0; 2 files"), std::string::npos) << ls.out;
    EXPECT_NE(ls.out.find("5000"), std::string::npos);
    EXPECT_NE(ls.out.find("pkware"), std::string::npos);
    EXPECT_NE(ls.out.find("staredit\\scenario.chk"), std::string::npos);
    EXPECT_NE(ls.out.find("(listfile)"), std::string::npos);

    const Outcome extract =
        RunCli({"extract", dir.file("map.scx"), "staredit\\scenario.chk", dir.file("out.chk")});
    EXPECT_EQ(extract.status, 0) << extract.err;
    EXPECT_EQ(test::ReadBytes(dir.file("out.chk")), test::Pattern(5000, 1));
}

TEST(Cli, ListingEscapesControlCharactersInNames) {
    test::TempDir dir;
    // Names as a hostile (listfile) may give them: a terminal escape, a C1 control written as
    // UTF-8, a byte that is not UTF-8 (Korean code page), and a plain Korean name in UTF-8.
    const std::vector<std::pair<std::string, std::vector<std::uint8_t>>> files = {
        {"staredit\\wav\\\x1b[31mred.wav", {1, 2, 3}},
        {"a\xC2\x9B"
         "2J.txt",
         {4}},
        {"b\xC7\xD1.txt", {5}},
        {"\xED\x95\x9C.txt", {6}}};
    TMyMPQ mpq;
    ASSERT_TRUE(mpq.AddFilesToArchive(files, dir.file("map.scx")).ok());
    const Outcome ls = RunCli({"ls", dir.file("map.scx")});
    ASSERT_EQ(ls.status, 0) << ls.err;
    EXPECT_EQ(ls.out.find('\x1b'), std::string::npos) << ls.out;
    EXPECT_NE(ls.out.find("staredit\\wav\\\\x1B[31mred.wav"), std::string::npos) << ls.out;
    EXPECT_NE(ls.out.find("a\\xC2\\x9B2J.txt"), std::string::npos) << ls.out;
    EXPECT_NE(ls.out.find("b\\xC7\\xD1.txt"), std::string::npos) << ls.out;
    EXPECT_NE(ls.out.find("\xED\x95\x9C.txt"), std::string::npos) << ls.out;
}

TEST(Cli, FailuresSayWhatWentWrong) {
    test::TempDir dir;
    test::WriteBytes(dir.file("junk.scx"), test::Pattern(3000, 2));
    const Outcome ls = RunCli({"ls", dir.file("junk.scx")});
    EXPECT_EQ(ls.status, 1);
    EXPECT_NE(ls.err.find("not a map archive"), std::string::npos) << ls.err;
    const Outcome extract = RunCli({"extract", dir.file("missing.scx"), "x", dir.file("o")});
    EXPECT_EQ(extract.status, 1);
    EXPECT_NE(extract.err.find("missing.scx"), std::string::npos) << extract.err;
}

TEST(Cli, DataReportsTheStandinStartUpAsJson) {
    const Outcome data = RunCli({"data", "--standin"});
    ASSERT_EQ(data.status, 0) << data.err;
    EXPECT_TRUE(data.err.empty()) << data.err;
    EXPECT_EQ(data.out.front(), '{');
    EXPECT_NE(data.out.find("\"archives\":[\""), std::string::npos) << data.out;
    EXPECT_NE(data.out.find("standin.mpq\"]"), std::string::npos) << data.out;
    EXPECT_NE(data.out.find("\"arr\\\\units.dat\":{\"archive\":\""), std::string::npos) << data.out;
    EXPECT_NE(data.out.find("\"bytes\":19876,\"kind\":\"MPQ archive\"}"), std::string::npos) << data.out;
    EXPECT_NE(data.out.find("\"turrets\":4"), std::string::npos) << data.out;
    EXPECT_NE(data.out.find("\"ms\":"), std::string::npos) << data.out;
    EXPECT_EQ(RunCli({"data", "--bogus"}).status, 2);
}

TEST(Cli, DataPutsAddedArchivesLastAndTellsWhatIsMissing) {
    test::TempDir dir;
    // No Wine prefix and no settings.txt of the machine's user may take part.
    setenv("WINEPREFIX", dir.file("wine").c_str(), 1);
    setenv("XDG_CONFIG_HOME", dir.file("config").c_str(), 1);
    test::MakeStormArchive(dir.file("extra.mpq"), {{"arr\\units.dat", {1, 2, 3}}});
    const Outcome data = RunCli({"data", "--archive", dir.file("extra.mpq")});
    // extra.mpq alone lacks most tables: the stand-in data takes over, and says why.
    const QJsonObject report = ParseJson(data.out);
    EXPECT_TRUE(report["standin"].toBool()) << data.out;
    EXPECT_TRUE(report["notice"].toString().startsWith(
        "The game data is incomplete (no archive holds arr\\images.dat"))
        << data.out;
    EXPECT_NE(data.out.find("standin.mpq"), std::string::npos);
}

TEST(Cli, DataAndExtractGameWorkOnTheCurrentGamesStorage) {
    test::TempDir dir;
    setenv("WINEPREFIX", dir.file("wine").c_str(), 1);
    setenv("XDG_CONFIG_HOME", dir.file("config").c_str(), 1);
    auto builder = test::CascBuilder::WithStandinFiles();
    builder.AddNotInstalled("unit/neutral/korean.grp", {1, 2, 3});
    const auto storage = builder.Write(dir.path() / "StarCraft");

    const Outcome data = RunCli({"data", "--archive", storage.folder.string()});
    ASSERT_EQ(data.status, 0) << data.err;
    const QJsonObject report = ParseJson(data.out);
    EXPECT_FALSE(report["standin"].toBool()) << data.out;
    const QJsonObject units = report["tables"].toObject()["arr\\units.dat"].toObject();
    EXPECT_EQ(units["archive"].toString().toStdString(), storage.folder.string());
    EXPECT_EQ(units["kind"].toString(), "CASC storage");
    EXPECT_EQ(units["bytes"].toInt(), 19876);
    EXPECT_EQ(report["sources"].toArray().last().toObject()["kind"].toString(), "CASC storage");

    const Outcome extract = RunCli({"extract-game", storage.folder.string(), dir.file("out")});
    ASSERT_EQ(extract.status, 0) << extract.err;
    EXPECT_NE(extract.out.find(" files ("), std::string::npos) << extract.out;
    EXPECT_NE(extract.out.find("; 1 not installed"), std::string::npos) << extract.out;
    const Outcome fromFolder = RunCli({"data", "--archive", dir.file("out")});
    EXPECT_EQ(fromFolder.status, 0) << fromFolder.err;
    EXPECT_EQ(
        ParseJson(fromFolder.out)["tables"].toObject()["rez\\stat_txt.tbl"].toObject()["kind"].toString(),
        "folder");

    EXPECT_EQ(RunCli({"extract-game", storage.folder.string()}).status, 2);
    const Outcome nowhere = RunCli({"extract-game", dir.file("nowhere"), dir.file("out2")});
    EXPECT_EQ(nowhere.status, 1);
    EXPECT_NE(nowhere.err.find("cannot open the game's storage in "), std::string::npos) << nowhere.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("out2")));
}

TEST(Cli, RenderViewDrawsWhatAMapWindowShowsAtEveryZoomNamesIncluded) {
    test::TempDir dir;
    const std::string demo = dir.file("demo.scx");
    ASSERT_EQ(RunCli({"demo", demo, "--standin"}).status, 0);
    auto render = [&](const std::string& out, std::vector<std::string> extra) {
        std::vector<std::string> args{"render", demo, dir.file(out), "--standin"};
        args.insert(args.end(), extra.begin(), extra.end());
        const Outcome outcome = RunCli(args);
        EXPECT_EQ(outcome.status, 0) << outcome.err;
        return QImage(QString::fromStdString(dir.file(out))).convertToFormat(QImage::Format_RGB32);
    };
    // Locations with their names, as the window shows them at 100%.
    const QImage named = render("named.png", {"--view", "2,2,400,300", "--flags", "512", "--grid"});
    const std::string golden = std::string(ORVISTAD_GOLDEN_DIR) + "/cli-view-names.png";
    if (std::getenv("ORVISTAD_UPDATE_GOLDEN")) {
        ASSERT_TRUE(named.save(QString::fromStdString(golden)));
    }
    EXPECT_TRUE(named == QImage(QString::fromStdString(golden)).convertToFormat(QImage::Format_RGB32))
        << "differs from " << golden;
    // Every zoom gives a picture of the asked size; the scroll is clamped as the window clamps it.
    for (const char* zoom : {"25", "50", "200", "400", "800"}) {
        const QImage zoomed =
            render(std::string("zoom") + zoom + ".png", {"--view", "2,2,400,300", "--zoom", zoom});
        EXPECT_EQ(zoomed.size(), QSize(400, 300)) << zoom;
        EXPECT_FALSE(zoomed == named) << zoom;
    }
    EXPECT_TRUE(render("far.png", {"--view", "1000,1000,400,300"}) ==
                render("corner.png", {"--view", "84,55,400,300"}));
    EXPECT_EQ(RunCli({"render", demo, dir.file("x.png"), "--view", "0,0,40,30", "--zoom", "33", "--standin"})
                  .status,
              2);
}

// Real maps drawn with the stand-in data: a region of one map per tileset family, with its
// cliffs, shores and doodads, as a newcomer without the game's files sees it.
TEST(Cli, RealMapsDrawWithTheStandinArtAsTheirGoldenImages) {
    ORV_REQUIRE_CORPUS();
    test::TempDir dir;
    const struct {
        const char* family;
        const char* map;
        const char* view;
    } cases[] = {
        {"jungle", "lost_temple.scm", "32,17,512,384"},
        {"badlands", "destination_2p.scx", "47,22,512,384"},
        {"platform", "benzene_2p.scx", "37,31,512,384"},
        {"installation", "scout_mode2_installation.scm", "9,19,512,384"},
        {"ash-world", "outsider_2.2.scx", "90,25,512,384"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.map);
        const std::string out = dir.file(std::string(c.family) + ".png");
        const Outcome outcome =
            RunCli({"render", (test::CorpusDir() / c.map).string(), out, "--view", c.view, "--standin"});
        ASSERT_EQ(outcome.status, 0) << outcome.err;
        const QImage image = QImage(QString::fromStdString(out)).convertToFormat(QImage::Format_RGB32);
        const std::string golden = std::string(ORVISTAD_GOLDEN_DIR) + "/standin-" + c.family + ".png";
        if (std::getenv("ORVISTAD_UPDATE_GOLDEN")) {
            ASSERT_TRUE(image.save(QString::fromStdString(golden)));
        }
        EXPECT_TRUE(image == QImage(QString::fromStdString(golden)).convertToFormat(QImage::Format_RGB32))
            << "differs from " << golden;
    }
}

TEST(Cli, EditRunsAScriptThroughTheEditorsToolsAndHistory) {
    test::TempDir dir;
    const std::string map = dir.file("map.scx"), out = dir.file("out.scx"), script = dir.file("edit.jsonl");
    ASSERT_EQ(
        RunCli({"new", map, "--width", "64", "--height", "64", "--tileset", "Jungle", "--standin"}).status,
        0);
    auto write = [&](const std::string& text) { test::WriteBytes(script, test::Text(text)); };
    write("{\"mode\": \"fog\"}\n{\"player\": 2}\n{\"brush\": {\"shape\": \"normal\", \"size\": \"small\"}}\n"
          "{\"press\": [100, 100], \"button\": \"left\"}\n{\"move\": [300, 100]}\n{\"release\": [300, 100]}\n"
          "\n{\"command\": \"revealers\", \"player\": 3}\n{\"command\": \"undo\"}\n{\"command\": "
          "\"fog_all_off\"}\n"
          "{\"command\": \"undo\"}\n"
          // Clicks, the right button and the keys, which change nothing here.
          "{\"mode\": \"units\"}\n{\"click\": [50, 50]}\n{\"double_click\": [50, 50]}\n{\"press\": [9, 9], "
          "\"button\": \"right\"}\n"
          "{\"release\": [9, 9], \"button\": \"right\"}\n{\"command\": \"delete\"}\n{\"command\": "
          "\"escape\"}\n");
    const Outcome edited = RunCli({"edit", map, out, "--script", script, "--history", "--standin"});
    ASSERT_EQ(edited.status, 0) << edited.err;
    EXPECT_EQ(edited.out, "Fog of War\nwrote " + out + "\n");
    // A new map is fogged everywhere: player 2's stroke cleared its bit from tile (3, 3) to
    // (9, 3) only, with the small brush.
    test::RecordingPrompter prompter;
    TCHK chk(prompter);
    ASSERT_TRUE(chk.LoadFromFile(out).ok());
    EXPECT_EQ(chk.Fog(3, 3), 0xFD);
    EXPECT_EQ(chk.Fog(9, 3), 0xFD);
    EXPECT_EQ(chk.Fog(3, 4), 0xFF);
    EXPECT_EQ(chk.Units.size(), 0u); // the revealers were undone

    // A bad line stops the run, names the line, and writes nothing.
    write("{\"mode\": \"fog\"}\n{\"mode\": \"paint\"}\n");
    const Outcome bad = RunCli({"edit", map, dir.file("bad.scx"), "--script", script, "--standin"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("line 2: unknown mode; nothing was written"), std::string::npos) << bad.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("bad.scx")));
    write("{\"click\": [1]}\n");
    EXPECT_NE(RunCli({"edit", map, dir.file("bad.scx"), "--script", script, "--standin"})
                  .err.find("line 1: bad point or button for \"click\""),
              std::string::npos);
    write("{\"wave\": 1}\n");
    EXPECT_NE(RunCli({"edit", map, dir.file("bad.scx"), "--script", script, "--standin"})
                  .err.find("line 1: unknown action"),
              std::string::npos);
}

TEST(Cli, EditPaintsTerrainAndCopiesTilesTheSameWayEveryRun) {
    test::TempDir dir;
    const std::string map = dir.file("map.scx"), script = dir.file("edit.jsonl");
    ASSERT_EQ(
        RunCli({"new", map, "--width", "64", "--height", "64", "--tileset", "Jungle", "--standin"}).status,
        0);
    test::WriteBytes(
        script, test::Text("{\"seed\": 7}\n{\"mode\": \"terrain\"}\n{\"terrain\": \"High Dirt\"}\n"
                           "{\"brush\": {\"shape\": \"rectangular\", \"size\": \"medium\"}}\n"
                           "{\"press\": [330, 330]}\n{\"move\": [700, 330]}\n{\"release\": [700, 330]}\n"
                           "{\"mode\": \"copy\"}\n{\"press\": [330, 330]}\n{\"release\": [400, 400]}\n"
                           "{\"command\": \"copy\"}\n{\"terrain\": 8}\n{\"command\": \"cut\"}\n"
                           "{\"press\": [1000, 1000], \"button\": \"right\"}\n"
                           "{\"release\": [1000, 1000], \"button\": \"right\"}\n{\"command\": \"paste\"}\n"));
    auto run = [&](const std::string& out) {
        const Outcome edited = RunCli({"edit", map, out, "--script", script, "--history", "--standin"});
        EXPECT_EQ(edited.status, 0) << edited.err;
        EXPECT_EQ(edited.out, "Paint Terrain\nCut\nPaste\nwrote " + out + "\n");
        test::RecordingPrompter prompter;
        TCHK chk(prompter);
        EXPECT_TRUE(chk.LoadFromFile(out).ok());
        return chk.TerrainGrid;
    };
    const auto tiles = run(dir.file("a.scx"));
    // The stroke: High Dirt (group 4) in pairs around tile (10, 10); the cut left jungle
    // (group 8) where it was copied from; the paste put the high dirt one tile up and left of
    // the right click's tile (31, 31).
    EXPECT_EQ(tiles[TCHK::Cell(20, 9)] / 16, 4);
    EXPECT_EQ(tiles[TCHK::Cell(21, 9)] / 16, 5);
    EXPECT_EQ(tiles[TCHK::Cell(10, 10)] / 16, 8);
    EXPECT_EQ(tiles[TCHK::Cell(11, 11)] / 16, 9);
    EXPECT_EQ(tiles[TCHK::Cell(30, 30)] / 16, 4);
    EXPECT_EQ(tiles[TCHK::Cell(31, 30)] / 16, 5);
    EXPECT_EQ(run(dir.file("b.scx")), tiles) << "the seed makes every run paint the same variants";
}

TEST(Cli, EditCreatesMovesAndNamesLocations) {
    test::TempDir dir;
    const std::string map = dir.file("map.scx"), out = dir.file("out.scx"), script = dir.file("edit.jsonl");
    ASSERT_EQ(RunCli({"new", map, "--width", "64", "--height", "64", "--standin"}).status, 0);
    test::WriteBytes(script,
                     test::Text("{\"mode\": \"locations\"}\n{\"answer\": \"Base <1>\"}\n"
                                "{\"press\": [70, 100]}\n{\"move\": [120, 200]}\n{\"release\": [170, 230]}\n"
                                "{\"location_properties\": {\"elevation\": 128, \"right\": 320}}\n"
                                "{\"press\": [100, 150]}\n{\"release\": [107, 153]}\n"));
    const Outcome edited = RunCli({"edit", map, out, "--script", script, "--history", "--standin"});
    ASSERT_EQ(edited.status, 0) << edited.err;
    EXPECT_EQ(edited.out, "Create Location\nLocation Properties\nMove Location\nwrote " + out + "\n");
    test::RecordingPrompter prompter;
    TCHK chk(prompter);
    ASSERT_TRUE(chk.LoadFromFile(out).ok());
    const LocationSlot& l = chk.Locations[1];
    EXPECT_EQ(std::vector<int>({l.Left, l.Top, l.Right, l.Bottom}), std::vector<int>({71, 99, 327, 227}));
    EXPECT_EQ(l.Flags, 128);
    EXPECT_EQ(chk.Strings.Text(l.Name), "Base \x01");

    // Values the map cannot hold stop the run, naming them.
    test::WriteBytes(script, test::Text("{\"mode\": \"locations\"}\n{\"press\": [70, 100]}\n"
                                        "{\"release\": [170, 230]}\n"
                                        "{\"location_properties\": {\"right\": 99999}}\n"));
    const Outcome bad = RunCli({"edit", map, dir.file("bad.scx"), "--script", script, "--standin"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("line 4: Right must be"), std::string::npos) << bad.err;
}

TEST(Cli, EditPlacesSelectsAndChangesUnits) {
    test::TempDir dir;
    const std::string map = dir.file("map.scx"), out = dir.file("out.scx"), script = dir.file("edit.jsonl");
    ASSERT_EQ(RunCli({"new", map, "--width", "64", "--height", "64", "--terrain", "2", "--standin"}).status,
              0);
    test::WriteBytes(script, test::Text("{\"unit\": 0}\n{\"player\": 3}\n{\"click\": [100, 100]}\n"
                                        "{\"click\": [104, 100]}\n" // overlaps the first: refused, told
                                        "{\"press\": [300, 300]}\n{\"move\": [340, 300]}\n"
                                        "{\"move\": [380, 300]}\n{\"release\": [400, 300]}\n"
                                        "{\"unit\": -1}\n{\"press\": [80, 80]}\n{\"release\": [120, 120]}\n"
                                        "{\"unit_properties\": {\"hp\": 300, \"state\": 1}}\n"
                                        "{\"doodad\": 1}\n{\"click\": [600, 600]}\n"));
    const Outcome edited = RunCli({"edit", map, out, "--script", script, "--history", "--standin"});
    ASSERT_EQ(edited.status, 0) << edited.err;
    EXPECT_EQ(edited.out, "Place Unit\nPlace Unit\nUnit Properties\nPlace Doodad\nwrote " + out + "\n");
    EXPECT_NE(edited.err.find("line 4: unit 0 does not fit at (104, 100)"), std::string::npos) << edited.err;
    test::RecordingPrompter prompter;
    TCHK chk(prompter);
    ASSERT_TRUE(chk.LoadFromFile(out).ok());
    ASSERT_EQ(chk.Units.size(), 3u) << "one click and a trail of two";
    EXPECT_EQ(chk.Units[0].Owner, 2);
    EXPECT_EQ(chk.Units[0].HitPoints, 44) << "300 modulo 256";
    EXPECT_EQ(chk.Units[0].State, 1);
    EXPECT_EQ(chk.Units[1].HitPoints, 100) << "only the selected unit changed";
    ASSERT_EQ(chk.Doodads.size(), 1u);
    EXPECT_EQ(chk.Doodads[0].Number, 1);

    test::WriteBytes(script, test::Text("{\"unit\": 0}\n{\"click\": [100, 100]}\n"
                                        "{\"unit_properties\": {\"hp\": \"x\"}}\n"));
    EXPECT_NE(RunCli({"edit", map, dir.file("bad.scx"), "--script", script, "--standin"})
                  .err.find("line 3: no unit"),
              std::string::npos);
}

TEST(Cli, EditStoresScenarioSettingsAsOneStep) {
    test::TempDir dir;
    const std::string map = dir.file("map.scx"), out = dir.file("out.scx"), script = dir.file("edit.jsonl");
    ASSERT_EQ(RunCli({"new", map, "--width", "64", "--height", "64", "--standin"}).status, 0);
    test::WriteBytes(
        script,
        test::Text(
            "{\"settings\": {\"name\": \"Arena <4>\", \"width\": 96, \"tileset\": \"Ice\", \"base_terrain\": "
            "\"Snow\", \"players\": [{\"number\": 2, \"owner\": 5, \"race\": 2, \"force\": 3}], "
            "\"forces\": [{\"number\": 3, \"name\": \"Foes\", \"allied\": true}], "
            "\"units\": [{\"type\": 0, \"hp\": 45, \"minerals\": 60}, {\"type\": 7, \"default\": "
            "true}]}}\n"));
    const Outcome edited = RunCli({"edit", map, out, "--script", script, "--history", "--standin"});
    ASSERT_EQ(edited.status, 0) << edited.err;
    EXPECT_EQ(edited.out, "Scenario Settings\nwrote " + out + "\n");
    test::RecordingPrompter prompter;
    TCHK chk(prompter);
    ASSERT_TRUE(chk.LoadFromFile(out).ok());
    EXPECT_EQ(chk.Strings.Text(chk.ScenarioName), "Arena \x04");
    EXPECT_EQ(chk.Width, 96);
    EXPECT_EQ(chk.Tileset(), 6);
    EXPECT_EQ(chk.Terrain(80, 5) / 16, TerrainTypeGroups[6][1]) << "the new columns are snow";
    EXPECT_EQ(chk.OwnerTypes[1], 5);
    EXPECT_EQ(chk.Races[1], 2);
    EXPECT_EQ(chk.PlayerForces[1], 2);
    EXPECT_EQ(chk.Strings.Text(chk.ForceNames[2]), "Foes");
    EXPECT_EQ(chk.ForceFlags[2], 2);
    // The marine's values in both sections, custom.
    for (const auto* section : {chk.Unis.data(), chk.Unix.data()}) {
        EXPECT_EQ(section[0], 0);
        EXPECT_EQ(section[228 + 1], 45) << "hit points in 256ths";
        EXPECT_EQ(section[2280], 60);
    }

    // A refused value stops the run with the window's message.
    test::WriteBytes(script, test::Text("{\"settings\": {\"width\": 95}}\n"));
    const Outcome odd = RunCli({"edit", map, dir.file("bad.scx"), "--script", script, "--standin"});
    EXPECT_EQ(odd.status, 1);
    EXPECT_NE(odd.err.find("line 1: The width must be an even number"), std::string::npos) << odd.err;
    test::WriteBytes(script,
                     test::Text("{\"settings\": {\"units\": [{\"type\": 0, \"shields\": 70000}]}}\n"));
    EXPECT_NE(RunCli({"edit", map, dir.file("bad.scx"), "--script", script, "--standin"})
                  .err.find("line 1: \"shields\" must be a whole number from 0 to 65535"),
              std::string::npos);
}

TEST(Cli, TilesetDrawsAContactSheet) {
    test::TempDir dir;
    const Outcome sheet = RunCli({"tileset", "Jungle", dir.file("jungle.png"), "--standin"});
    ASSERT_EQ(sheet.status, 0) << sheet.err;
    const auto png = test::ReadBytes(dir.file("jungle.png"));
    ASSERT_GT(png.size(), 10000u);
    EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
    EXPECT_EQ(RunCli({"tileset", "9", dir.file("x.png"), "--standin"}).status, 2);
    EXPECT_EQ(RunCli({"tileset", "Jungle"}).status, 2);
    const Outcome unwritable = RunCli({"tileset", "0", dir.file("no/such/dir/x.png"), "--standin"});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_NE(unwritable.err.find("cannot write"), std::string::npos);
}

TEST(Cli, NewInfoAndResaveWorkOnTheirOwnMaps) {
    test::TempDir dir;
    const Outcome made = RunCli({"new", dir.file("new.scx"), "--width", "64", "--height", "48", "--tileset",
                                 "Jungle", "--terrain", "1", "--standin"});
    ASSERT_EQ(made.status, 0) << made.err;
    const Outcome info = RunCli({"info", dir.file("new.scx")});
    ASSERT_EQ(info.status, 0) << info.err;
    const QJsonObject report = ParseJson(info.out);
    EXPECT_EQ(report["version"].toInt(), 205);
    EXPECT_EQ(report["tileset"].toInt(), 4);
    EXPECT_EQ(report["width"].toInt(), 64);
    EXPECT_EQ(report["height"].toInt(), 48);
    EXPECT_EQ(report["sections"][1]["name"].toString(), "VER "); // after TYPE
    EXPECT_EQ(report["sections"][1]["size"].toInt(), 2);
    EXPECT_EQ(report["name"].toString(), "Map Name");
    EXPECT_EQ(report["description"].toString(), "Map Description");
    EXPECT_EQ(report["players"].toArray().size(), 12);
    EXPECT_EQ(report["forces"][0]["name"].toString(), "Force 1");
    EXPECT_TRUE(report["units"].toArray().isEmpty());
    EXPECT_TRUE(report["doodads"].toArray().isEmpty());
    EXPECT_EQ(report["locations"][0].toObject(), (QJsonObject{{"slot", 63},
                                                              {"left", 0},
                                                              {"top", 0},
                                                              {"right", 2048},
                                                              {"bottom", 1536},
                                                              {"name", "Anywhere"},
                                                              {"flags", 0}}));
    EXPECT_EQ(report["strings"].toInt(), 1024);
    EXPECT_EQ(report["triggers"].toInt(), 0);
    EXPECT_EQ(report["briefings"].toInt(), 0);
    EXPECT_TRUE(report["kept_sections"].toArray().isEmpty());
    const Outcome resaved = RunCli({"resave", dir.file("new.scx"), dir.file("again.scx")});
    ASSERT_EQ(resaved.status, 0) << resaved.err;
    EXPECT_EQ(RunCli({"info", dir.file("again.scx")}).out, info.out);

    EXPECT_EQ(RunCli({"new", dir.file("x.scx"), "--terrain", "12", "--tileset", "0", "--standin"}).status, 2);
    EXPECT_EQ(RunCli({"new", dir.file("x.scx"), "--width", "300", "--standin"}).status, 2);
    const Outcome odd = RunCli({"new", dir.file("x.scx"), "--width", "63", "--standin"});
    EXPECT_EQ(odd.status, 2);
    EXPECT_EQ(odd.err, "orvistad-cli: The width must be an even number from 2 to 256.\n");
    EXPECT_EQ(RunCli({"info", dir.file("missing.scx")}).status, 1);
    EXPECT_EQ(RunCli({"resave", dir.file("missing.scx"), dir.file("out.scx")}).status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.scx")));
}

TEST(Cli, InfoShowsTheMapsTextInItsOwnCodePageOrAsRawBytes) {
    ORV_REQUIRE_CORPUS();
    const std::string korean = (test::CorpusDir() / "chk" / "korean_encoding_2_192.chk").string();
    const QJsonObject shown = ParseJson(RunCli({"info", korean}).out);
    EXPECT_EQ(shown["encoding"].toString(), "Korean (CP949)");
    EXPECT_TRUE(shown["description"].toString().contains(QString::fromUtf8("공식 사이트")));
    // Raw: each byte one character, as the map holds it (공 is B0 F8 in CP949).
    const QJsonObject raw = ParseJson(RunCli({"info", korean, "--raw-strings"}).out);
    EXPECT_TRUE(raw["description"].toString().contains(QString::fromLatin1("\xB0\xF8")));
    EXPECT_EQ(RunCli({"info", korean, "--bogus"}).status, 2);
    const std::string western = (test::CorpusDir() / "chk" / "western_encoding_w1_256.chk").string();
    EXPECT_EQ(ParseJson(RunCli({"info", western}).out)["encoding"].toString(), "Western (Windows-1252)");
}

TEST(Cli, ResaveKeepsOrRebuildsEveryCorpusArchive) {
    ORV_REQUIRE_CORPUS();
    test::TempDir dir;
    int rebuilt = 0;
    for (const auto& path : test::CorpusArchives()) {
        SCOPED_TRACE(path.filename().string());
        const Outcome before = RunCli({"info", path.string()});
        if (before.status != 0) {
            continue; // the truncated archives
        }
        const std::string out = dir.file(path.filename().string());
        const Outcome resaved = RunCli({"resave", path.string(), out});
        ASSERT_EQ(resaved.status, 0) << resaved.err;
        rebuilt += resaved.out.find("could not be updated in place") != std::string::npos;
        const Outcome after = RunCli({"info", out});
        ASSERT_EQ(after.status, 0) << after.err;
        // Same units, doodads, locations, strings and forces (the section list and the
        // format version the writer stamps differ).
        QJsonObject was = ParseJson(before.out), is = ParseJson(after.out);
        for (const char* written : {"sections", "version"}) {
            was.remove(written);
            is.remove(written);
        }
        EXPECT_TRUE(was == is) << "the resaved map reads differently";
        // Every other file the reader could name comes along.
        auto before_ls = RunCli({"ls", path.string()}).out;
        auto after_ls = RunCli({"ls", out}).out;
        for (const char* wav : {"staredit\\wav\\TRescue.wav", "staredit\\wav\\heal2121.wav"}) {
            if (before_ls.find(wav) != std::string::npos) {
                EXPECT_NE(after_ls.find(wav), std::string::npos) << wav;
            }
        }
    }
    EXPECT_GE(rebuilt, 4);
}

} // namespace
} // namespace orv
