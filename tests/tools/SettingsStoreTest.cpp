// The scenario settings store: what the properties window's pages and scripted settings lines
// write, byte for byte, and the one history step closing the window makes.

#include "settings/SettingsStore.h"

#include "app/MapDocument.h"
#include "base/ByteReader.h"
#include "graphics/OrvistadTypes.h"
#include "support/RecordingPrompter.h"
#include "support/StandinData.h"
#include "tools/ToolsFixture.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

std::uint32_t At(const auto& bytes, std::size_t at, int width) {
    std::uint32_t v = 0;
    for (int i = width - 1; i >= 0; --i) {
        v = (v << 8) | bytes[at + static_cast<std::size_t>(i)];
    }
    return v;
}

// A new map with a store on it, as the properties window makes one.
struct Settings : test::ToolsFixture {
    TSettingsStore store{chk, edit.Text, prompter, TSettingsTables::From(test::StandinGameData())};
    Settings() : ToolsFixture(4, 64, 64) {}
    TEditChange Close() {
        return store.Finish(history, [](int n) { return &test::StandinGameData().Tileset(n); });
    }
};

// A map that has only what every map has: no settings sections at all.
std::vector<std::uint8_t> BareMap() {
    std::vector<std::uint8_t> f;
    auto add = [&f](const char* name, std::vector<std::uint8_t> data) {
        f.insert(f.end(), name, name + 4);
        for (int i = 0; i < 4; ++i) {
            f.push_back(static_cast<std::uint8_t>(data.size() >> (8 * i)));
        }
        f.insert(f.end(), data.begin(), data.end());
    };
    add("VER ", {205, 0});
    add("DIM ", {64, 0, 64, 0});
    add("ERA ", {4, 0});
    add("OWNR", {6, 6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    add("MTXM", std::vector<std::uint8_t>(64 * 64 * 2, 0));
    return f;
}

TEST(SettingsStore, ClosingUntouchedMakesNoStepAndUnchangedTextKeepsItsBytes) {
    test::ToolsFixture s(4, 64, 64);
    s.chk.Strings.Entries[s.chk.ScenarioName - 1u] = "Name\x03yellow\x80";
    const auto before = s.Bytes();
    TSettingsStore store(s.chk, s.edit.Text, s.prompter, TSettingsTables::From(test::StandinGameData()));
    // What the fields showed is handed back as it was.
    EXPECT_TRUE(store.SetName(s.edit.Text.ShowTagged(store.StringBytes(s.chk.ScenarioName))));
    EXPECT_TRUE(store.SetForceName(0, s.edit.Text.Show(store.StringBytes(s.chk.ForceNames[0]))));
    ASSERT_TRUE(store.SetWidth(64).ok());
    store.StoreUnitDefault(0, 2); // already the default
    EXPECT_FALSE(store.Finish(s.history, {}).Any());
    EXPECT_EQ(s.history.StepNames().size(), 0u);
    EXPECT_EQ(s.Bytes(), before);
}

TEST(SettingsStore, AMissingSectionIsMadeFromNewMapValuesWhenChangedAndGoesAgainOnUndo) {
    test::RecordingPrompter prompter;
    TCHK chk(prompter, &test::StandinGameData().UnitsDat);
    ASSERT_TRUE(chk.ReadSections(BareMap()).ok());
    TEditHistory history;
    TMapText text(chk);
    TSettingsStore store(chk, text, prompter, TSettingsTables::From(test::StandinGameData()));
    const auto before = chk.Snapshot().value();
    // The page shows what the section would start with.
    EXPECT_TRUE(store.LoadUnit(7, 0).UseDefault);
    EXPECT_EQ(store.LoadAvailability(7).Players[3], TUnitUse::Default);

    TUnitStats stats = store.DefaultUnit(7, 0);
    stats.HitPoints = 40;
    ASSERT_TRUE(store.StoreUnit(7, 0, stats, store.LoadAvailability(7)).ok());
    EXPECT_TRUE(chk.HasSection("UNIS"));
    EXPECT_FALSE(chk.HasSection("UNIx")) << "only the mode's section";
    EXPECT_FALSE(chk.HasSection("PUNI")) << "availability was not changed";
    EXPECT_EQ(At(chk.Unis, 228 + 4 * 7, 4), 10240u);
    EXPECT_EQ(chk.Unis[7], 0) << "custom values";
    EXPECT_EQ(chk.Unis[8], 1) << "the other units keep the new-map defaults";
    EXPECT_EQ(store.LoadUnit(7, 0).HitPoints, 40u);
    // Costs alone make the cost sections only; the players' sections wait for a change.
    ASSERT_TRUE(store.StoreTech(3, 0, store.LoadTechCosts(3, 0), store.LoadTechAvailability(3, 0)).ok());
    ASSERT_TRUE(store.StoreUpgrade(3, 0, store.LoadUpgradeCosts(3, 0), store.LoadUpgradeLevels(3, 0)).ok());
    EXPECT_TRUE(chk.HasSection("TECS") && chk.HasSection("UPGS"));
    EXPECT_FALSE(chk.HasSection("PTEC") || chk.HasSection("UPGR"));

    store.Finish(history, {});
    ASSERT_EQ(history.StepNames(), std::vector<std::string>{"Scenario Settings"});
    history.Undo(chk);
    EXPECT_FALSE(chk.HasSection("UNIS"));
    EXPECT_EQ(chk.Snapshot().value(), before);
    history.Redo(chk);
    EXPECT_TRUE(chk.HasSection("UNIS"));
}

TEST(SettingsStore, UnitValuesGoWhereTheGameReadsThem) {
    Settings s;
    const TSettingsTables& t = s.store.Tables();
    // The marine's weapon damage and bonus come from weapons.dat's arrays at 3640 and 3900.
    const int weapon = t.UnitsDat[5892 + 0];
    const TUnitStats marine = s.store.DefaultUnit(0, 1);
    ASSERT_EQ(marine.GroundWeapon, weapon);
    EXPECT_EQ(marine.GroundDamage, At(t.WeaponsDat, 3640 + 2 * static_cast<std::size_t>(weapon), 2));
    EXPECT_EQ(marine.GroundBonus, At(t.WeaponsDat, 3900 + 2 * static_cast<std::size_t>(weapon), 2));
    EXPECT_EQ(marine.HitPoints, At(t.UnitsDat, 3156, 4) >> 8);

    // Both sections for "Both": the expansion's weapon arrays are 130 long, the original's 100.
    TUnitStats custom = marine;
    custom.GroundDamage = 9;
    custom.GroundBonus = 2;
    custom.CustomName = true;
    custom.Name = "Space Marine";
    ASSERT_TRUE(s.store.StoreUnit(0, 2, custom, s.store.LoadAvailability(0)).ok());
    const auto w = static_cast<std::size_t>(weapon);
    EXPECT_EQ(At(s.chk.Unis, 3648 + 2 * w, 2), 9u);
    EXPECT_EQ(At(s.chk.Unis, 3648 + 200 + 2 * w, 2), 2u);
    EXPECT_EQ(At(s.chk.Unix, 3648 + 2 * w, 2), 9u);
    EXPECT_EQ(At(s.chk.Unix, 3648 + 260 + 2 * w, 2), 2u);
    const std::uint32_t name = At(s.chk.Unis, 3192, 2);
    ASSERT_NE(name, 0u);
    EXPECT_EQ(s.chk.Strings.Text(name), "Space Marine");
    EXPECT_EQ(At(s.chk.Unix, 3192, 2), name);
    // Storing again with another name rewrites that string; the game's name clears the number.
    custom.Name = "Trooper";
    ASSERT_TRUE(s.store.StoreUnit(0, 0, custom, s.store.LoadAvailability(0)).ok());
    EXPECT_EQ(At(s.chk.Unis, 3192, 2), name);
    EXPECT_EQ(s.chk.Strings.Text(name), "Trooper");
    custom.CustomName = false;
    ASSERT_TRUE(s.store.StoreUnit(0, 0, custom, s.store.LoadAvailability(0)).ok());
    EXPECT_EQ(At(s.chk.Unis, 3192, 2), 0u);

    // A player value none of the rows names stays as it is.
    s.chk.Puni[4 * 228 + 0] = 7;
    s.chk.Puni[12 * 228 + 228 + 4 * 228 + 0] = 0;
    TUnitAvailability a = s.store.LoadAvailability(0);
    EXPECT_EQ(a.Players[4], TUnitUse::Other);
    a.Global = false;
    ASSERT_TRUE(s.store.StoreUnit(0, 0, custom, a).ok());
    EXPECT_EQ(s.chk.Puni[4 * 228], 7);
    EXPECT_EQ(s.chk.Puni[12 * 228], 0);
}

TEST(SettingsStore, ARefusedValueIsNamedAndNothingIsStored) {
    Settings s;
    const auto before = s.Bytes();
    TUnitStats stats = s.store.DefaultUnit(0, 0);
    stats.Shields = 70000;
    const Status refused = s.store.StoreUnit(0, 0, stats, s.store.LoadAvailability(0));
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error(), "Shields must be from 0 to 65535.");
    TUpgradeLevels levels = s.store.LoadUpgradeLevels(3, 0);
    levels.Players[2] = {true, 300, 1};
    EXPECT_EQ(s.store.StoreUpgrade(3, 0, s.store.LoadUpgradeCosts(3, 0), levels).error(),
              "Player 3 default upgrade must be from 0 to 255.");
    EXPECT_EQ(TSettingsStore::Number("Width", "12x", 1, 256).error(),
              "Width: \"12x\" is not a whole number.");
    EXPECT_EQ(TSettingsStore::Number("Width", "300", 1, 256).error(), "Width must be from 1 to 256.");
    EXPECT_EQ(TSettingsStore::Number("Width", " 96 ", 1, 256).value(), 96);
    EXPECT_FALSE(s.store.SetWidth(0).ok());
    EXPECT_FALSE(s.store.SetWidth(95).ok()) << "the terrain is laid in pairs";
    EXPECT_FALSE(s.store.SetOwner(0, 9).ok());
    EXPECT_FALSE(s.store.SetPlayerForce(8, 0).ok());
    EXPECT_EQ(s.Bytes(), before);
}

TEST(SettingsStore, UpgradesAndTechnologiesFollowTheirLayouts) {
    Settings s;
    // The expansion's cost arrays start one byte later; upgrades past 45 exist there only.
    TUpgradeCosts costs{false, 1, 2, 3, 4, 5, 6};
    TUpgradeLevels levels = s.store.LoadUpgradeLevels(50, 1);
    levels.GlobalMax = 3;
    levels.Players[1] = {true, 1, 2};
    const auto upgs = s.chk.Upgs;
    ASSERT_TRUE(s.store.StoreUpgrade(50, 2, costs, levels).ok());
    EXPECT_EQ(s.chk.Upgs, upgs);
    EXPECT_EQ(At(s.chk.Upgx, 62 + 2 * 50, 2), 1u);
    EXPECT_EQ(At(s.chk.Upgx, 62 + 2 * (5 * 61 + 50), 2), 6u);
    EXPECT_EQ(s.chk.Pupx[24 * 61 + 50], 3);
    EXPECT_EQ(s.chk.Pupx[26 * 61 + 61 + 50], 0) << "player 2 custom";
    EXPECT_EQ(s.chk.Pupx[12 * 61 + 61 + 50], 1) << "player 2 starts at level 1";

    // A "Default" row follows the global setting.
    TTechAvailability a = s.store.LoadTechAvailability(2, 0);
    a.Players[1] = TTechUse::Default;
    ASSERT_TRUE(s.store.StoreTech(2, 0, s.store.LoadTechCosts(2, 0), a).ok());
    EXPECT_EQ(s.chk.Ptec[26 * 24 + 1 * 24 + 2], 1);
    EXPECT_EQ(s.chk.Tecs[2], 0);
    s.store.TechLoadDefaults(0);
    EXPECT_EQ(s.chk.Tecs[2], 1);
}

TEST(SettingsStore, SoundsTakeTheFirstFreeSlotAndFilesOnDiskAreQueued) {
    Settings s;
    s.chk.Wavs[0] = static_cast<std::uint32_t>(s.chk.AddString("staredit\\wav\\first.wav") + 1);
    const Result<int> slot = s.store.AddSound("C:\\sounds\\boom.wav", "", false);
    ASSERT_EQ(slot.value(), 1);
    EXPECT_EQ(s.chk.Strings.Text(s.chk.Wavs[1]), "staredit\\wav\\boom.wav");
    EXPECT_EQ(s.store.QueuedNames(), std::vector<std::string>{"staredit\\wav\\boom.wav"});
    EXPECT_EQ(s.store.QueuedSources(), std::vector<std::string>{"C:\\sounds\\boom.wav"});
    EXPECT_EQ(s.store.SoundLines().back(), "001 : staredit\\wav\\boom.wav");
    // A sound of the game's archives, or one named by hand, is not queued.
    ASSERT_TRUE(s.store.AddSound("sound\\misc\\buzz.wav", "", true).ok());
    ASSERT_TRUE(s.store.AddSound("/tmp/x.wav", "staredit\\wav\\y.wav", false).ok());
    EXPECT_EQ(s.store.QueuedNames().size(), 1u);
    EXPECT_EQ(s.chk.Strings.Text(s.chk.Wavs[3]), "staredit\\wav\\y.wav");
    s.store.CanAddFiles = false; // a plain scenario file: no archive to hold the file
    EXPECT_FALSE(s.store.AddSound("/tmp/w.wav", "", false).ok());
    EXPECT_EQ(s.store.QueuedNames().size(), 1u);
    EXPECT_TRUE(s.store.AddSound("sound\\misc\\buzz.wav", "", true).ok());
    s.chk.Wavs.fill(1);
    EXPECT_EQ(s.store.AddSound("/tmp/z.wav", "", false).error(), "All 512 sound slots are in use.");
}

TEST(SettingsStore, AResizeKeepsWhatFallsOutsideTellsItOnceAndUndoesByteForByte) {
    Settings s;
    s.chk.AddUnit(60 * 32, 10 * 32, 0, 0);
    s.chk.AddUnit(10 * 32, 60 * 32, 0, 0);
    s.chk.AddUnit(10 * 32, 10 * 32, 0, 0);
    s.chk.Displayed(3, 3) =
        static_cast<std::uint16_t>(s.chk.Terrain(3, 3) + 1); // only the displayed grid has it
    const auto before = s.Bytes();
    ASSERT_TRUE(s.store.SetWidth(48).ok());
    ASSERT_TRUE(s.store.SetHeight(96).ok());
    const TEditChange change = s.Close();
    EXPECT_TRUE(change.Shape);
    EXPECT_EQ(s.chk.Width, 48);
    EXPECT_EQ(s.chk.Height, 96);
    EXPECT_EQ(s.chk.Units.size(), 3u);
    EXPECT_EQ(s.chk.Displayed(3, 3), s.chk.Terrain(3, 3) + 1) << "the tiles the map shows stay";
    ASSERT_EQ(s.prompter.messages.size(), 1u);
    EXPECT_EQ(s.prompter.messages[0],
              "The map is now 48 x 96 tiles. 1 unit lies outside it and is kept as it is: "
              "move or delete it, or undo the change.");
    // New rows get the tileset's first terrain, unfogged for nobody, and the whole-map location grows.
    EXPECT_EQ(s.chk.Terrain(4, 80) / 16, TerrainTypeGroups[4][0]);
    EXPECT_EQ(s.chk.Fog(4, 80), 0xFF);
    EXPECT_EQ(s.chk.Locations[kAnywhereSlot].Bottom, 96 * 32);
    TCHK reread(s.prompter, &test::StandinGameData().UnitsDat);
    ASSERT_TRUE(reread.ReadSections(s.Bytes()).ok());
    EXPECT_EQ(reread.Width, 48);
    EXPECT_EQ(reread.Terrain(5, 90), s.chk.Terrain(5, 90));

    s.history.Undo(s.chk);
    EXPECT_EQ(s.Bytes(), before);
    s.history.Redo(s.chk);
    EXPECT_EQ(s.chk.Height, 96);
}

TEST(SettingsStore, ATilesetChangeLinksTheNewTilesetAndUndoBringsTheOldOneBack) {
    test::RecordingPrompter prompter;
    TGameData& data = test::StandinGameData();
    auto doc = TMapDocument::NewMap(2, 4, 64, 64, data, prompter);
    TEditState edit;
    TMapTools tools(doc->Chk, doc->History, edit, prompter);
    tools.OnChange = [&doc](const TEditChange& c) { doc->Changed(c); };
    const auto before = doc->Chk.Snapshot().value();
    {
        TSettingsStore store(doc->Chk, edit.Text, prompter, TSettingsTables::From(data));
        ASSERT_TRUE(store.SetTileset(7).ok());
        tools.Changed(store.Finish(doc->History, [&data](int n) { return &data.Tileset(n); }));
    }
    EXPECT_EQ(doc->Chk.Tileset(), 7);
    EXPECT_EQ(doc->Tileset, &data.Tileset(7));
    EXPECT_EQ(doc->Chk.TilesetLink, &data.Tileset(7));
    tools.Undo();
    EXPECT_EQ(doc->Chk.Tileset(), 4);
    EXPECT_EQ(doc->Tileset, &data.Tileset(4));
    EXPECT_EQ(doc->Chk.Snapshot().value(), before);
}

} // namespace
} // namespace orv
