#include "StandinGameData.h"
#include "app/GameData.h"
#include "base/Random.h"
#include "scenario/CCHKFile.h"
#include "scenario/NewMapDefaults.h"
#include "support/RecordingPrompter.h"
#include "support/StandinData.h"
#include "support/TestSupport.h"

#include <cstring>
#include <gtest/gtest.h>

namespace orv {
namespace {

using test::RecordingPrompter;

TGameData& Game() {
    return test::StandinGameData();
}

struct Section {
    std::string name;
    std::vector<std::uint8_t> data;
};

std::vector<Section> Sections(const std::vector<std::uint8_t>& chk) {
    std::vector<Section> out;
    for (std::size_t pos = 0; pos + 8 <= chk.size();) {
        const auto size = ReadLEOr<std::uint32_t>(chk, pos + 4, 0);
        out.push_back({std::string(chk.begin() + static_cast<std::ptrdiff_t>(pos),
                                   chk.begin() + static_cast<std::ptrdiff_t>(pos + 4)),
                       std::vector<std::uint8_t>(chk.begin() + static_cast<std::ptrdiff_t>(pos + 8),
                                                 chk.begin() + static_cast<std::ptrdiff_t>(pos + 8 + size))});
        pos += 8 + size;
    }
    return out;
}

std::vector<std::string> Names(const std::vector<Section>& sections) {
    std::vector<std::string> names;
    for (const auto& s : sections)
        names.push_back(s.name);
    return names;
}

const Section* Find(const std::vector<Section>& sections, const std::string& name) {
    for (const auto& s : sections) {
        if (s.name == name)
            return &s;
    }
    return nullptr;
}

void Append(std::vector<std::uint8_t>& out, const char* name, std::vector<std::uint8_t> data,
            std::int32_t size = -1) {
    out.insert(out.end(), name, name + 4);
    const auto declared = static_cast<std::uint32_t>(size < 0 && size != -1 ? size
                                                     : size == -1 ? static_cast<std::int32_t>(data.size())
                                                                  : size);
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(declared >> (8 * i)));
    out.insert(out.end(), data.begin(), data.end());
}

std::vector<std::uint8_t> Le16(std::initializer_list<int> values) {
    std::vector<std::uint8_t> out;
    for (int v : values) {
        out.push_back(static_cast<std::uint8_t>(v));
        out.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    return out;
}

// A new 64 x 64 jungle scenario with a few of everything.
std::unique_ptr<TCHK> Sample(RecordingPrompter& prompter) {
    auto chk = std::make_unique<TCHK>(prompter, &Game().UnitsDat);
    SeedRandom(5);
    chk->NewMap(2, 4, 64, 64, &Game().Tileset(4));
    chk->AddUnit(100, 100, 0, kStartLocationType);
    chk->AddUnit(300, 200, 0, 2);
    chk->AddUnit(600, 600, 1, kStartLocationType);
    chk->AddUnit(700, 650, 1, 107);
    chk->AddLocation(2, 3, 10, 12, 256, 32, "Home");
    return chk;
}

TEST(Scenario, ARecordWrittenAndReadBackIsEqual) {
    RecordingPrompter prompter;
    auto chk = Sample(prompter);
    const auto bytes = chk->WriteToBytes();
    ASSERT_TRUE(bytes.ok()) << bytes.error();
    TCHK back(prompter);
    ASSERT_TRUE(back.ReadSections(bytes.value()).ok());
    EXPECT_EQ(back.Width, 64);
    EXPECT_EQ(back.Tileset(), 4);
    EXPECT_EQ(back.Version, 205);
    ASSERT_EQ(back.Units.size(), chk->Units.size());
    for (std::size_t i = 0; i < back.Units.size(); ++i) {
        EXPECT_EQ(back.Units[i].X, chk->Units[i].X);
        EXPECT_EQ(back.Units[i].Type, chk->Units[i].Type);
        EXPECT_EQ(back.Units[i].ValidProps, chk->Units[i].ValidProps);
    }
    EXPECT_EQ(back.TerrainGrid, chk->TerrainGrid);
    EXPECT_EQ(back.TileMap, chk->TileMap);
    EXPECT_EQ(back.FogGrid, chk->FogGrid);
    EXPECT_EQ(back.Strings.Text(back.ScenarioName), "Map Name");
    EXPECT_EQ(back.Strings.Text(back.ForceNames[3]), "Force 4");
    EXPECT_EQ(back.Strings.Text(back.Locations[1].Name), "Home");
    EXPECT_EQ(back.Locations[1].Right, 320);
    EXPECT_EQ(back.Vcod, chk->Vcod);
    EXPECT_EQ(back.Pupx, chk->Pupx);
    // Written again, the same bytes.
    EXPECT_EQ(back.WriteToBytes().value(), bytes.value());
}

TEST(Scenario, TheSectionSetFollowsTheFormatVersion) {
    RecordingPrompter prompter;
    auto chk = Sample(prompter);
    const std::vector<std::string> brood = {
        "TYPE", "VER ", "IVE2", "VCOD", "IOWN", "OWNR", "ERA ", "DIM ", "SIDE", "MTXM", "PUNI",
        "UNIT", "ISOM", "TILE", "DD2 ", "THG2", "MASK", "STR ", "UPRP", "UPUS", "MRGN", "TRIG",
        "MBRF", "SPRP", "FORC", "WAV ", "SWNM", "COLR", "PUPx", "PTEx", "UNIx", "UPGx", "TECx"};
    EXPECT_EQ(Names(Sections(chk->WriteToBytes().value())), brood);
    chk->Version = 63;
    const auto hybrid = Sections(chk->WriteToBytes().value());
    for (const char* name :
         {"UPGR", "PTEC", "UNIS", "UPGS", "TECS", "PUPx", "PTEx", "UNIx", "UPGx", "TECx"}) {
        EXPECT_NE(Find(hybrid, name), nullptr) << name;
    }
    EXPECT_EQ(Find(hybrid, "COLR"), nullptr);
    EXPECT_EQ(Find(hybrid, "TYPE")->data, (std::vector<std::uint8_t>{'R', 'A', 'W', 'S'}));
    chk->Version = 59;
    const auto original = Sections(chk->WriteToBytes().value());
    EXPECT_EQ(Find(original, "TYPE"), nullptr);
    EXPECT_EQ(Find(original, "PUPx"), nullptr);
    EXPECT_EQ(Find(original, "MRGN")->data.size(), 1280u);
    EXPECT_EQ(Find(original, "IVER")->data, Le16({10}));
    // The remastered versions are written as their 1.16 counterparts; writing changes
    // nothing in the record, so a second write gives the same bytes.
    chk->Version = 206;
    const auto first = chk->WriteToBytes().value();
    EXPECT_EQ(Find(Sections(first), "VER ")->data, Le16({205}));
    EXPECT_EQ(chk->Version, 206);
    EXPECT_EQ(chk->WriteToBytes().value(), first);
    EXPECT_EQ(chk->Snapshot().value(), first);
    EXPECT_EQ(Find(Sections(chk->WriteToBytes().value()), "MRGN")->data.size(), 5100u);
    chk->Version = 64;
    EXPECT_EQ(Find(Sections(chk->WriteToBytes().value()), "VER ")->data, Le16({63}));
}

TEST(Scenario, OwnersWithoutAStartLocationAreWrittenAsNobodyExceptThoseThatNeverHaveOne) {
    RecordingPrompter prompter;
    auto chk = Sample(prompter);
    // Humans, computers, rescue passive, neutral, closed.
    chk->OwnerTypes = {6, 6, 6, 5, 3, 7, 8, 2, 1, 0, 0, 0};
    chk->AddUnit(50, 50, 2, 5); // player 3: a unit but no start location
    chk->AddUnit(60, 60, 0, kStartLocationType);
    chk->AddUnit(70, 70, 0, kStartLocationType);
    chk->AddUnit(70, 70, 1, kStartLocationType);
    chk->AddUnit(80, 80, 3, 5); // a computer without one
    chk->AddUnit(80, 80, 4, 5); // rescue passive and neutral players never have one
    chk->AddUnit(80, 80, 5, 5);
    chk->AddUnit(70, 70, 9, 5); // owners 9 to 12 are not asked about
    prompter.messages.clear();
    const auto written = Sections(chk->WriteToBytes().value());
    EXPECT_EQ(Find(written, "OWNR")->data, (std::vector<std::uint8_t>{6, 6, 0, 0, 3, 7, 8, 0, 1, 0, 0, 0}));
    // IOWN keeps what the user chose.
    EXPECT_EQ(Find(written, "IOWN")->data, (std::vector<std::uint8_t>{6, 6, 6, 5, 3, 7, 8, 2, 1, 0, 0, 0}));
    // One message for the whole save, naming every player concerned.
    EXPECT_EQ(prompter.messages,
              (std::vector<std::string>{"Players 1 and 2 already have atleast one start location, please "
                                        "reduce to one or SC may have errors\n"
                                        "Players 3 and 4 are missing a startlocation"}));
    // Snapshots (the changed-since-saved check) say nothing.
    prompter.messages.clear();
    ASSERT_TRUE(chk->Snapshot().ok());
    EXPECT_TRUE(prompter.messages.empty());
    chk->Units.erase(chk->Units.begin() + 8); // player 4's unit
    ASSERT_TRUE(chk->WriteToBytes().ok());
    EXPECT_EQ(prompter.messages.back(),
              "Players 1 and 2 already have atleast one start location, please reduce to one or "
              "SC may have errors\nPlayer 3 is missing a startlocation");
}

TEST(Scenario, OwnerTypesComeFromIownWhenPresentElseFromOwnr) {
    std::vector<std::uint8_t> f;
    Append(f, "DIM ", Le16({64, 64}));
    Append(f, "OWNR", {6, 6, 6, 6, 0, 0, 0, 0, 7, 0, 0, 0});
    std::vector<std::uint8_t> unit(36, 0);
    unit[8] = kStartLocationType; // a start location for players 1 and 2 only
    Append(f, "UNIT", unit);
    unit[16] = 1;
    Append(f, "UNIT", unit);
    RecordingPrompter prompter;
    TCHK chk(prompter);
    ASSERT_TRUE(chk.ReadSections(f).ok());
    EXPECT_EQ(chk.OwnerTypes, (std::array<std::uint8_t, 12>{6, 6, 6, 6, 0, 0, 0, 0, 7, 0, 0, 0}));
    // Players 3 and 4 own no unit: they are written as nobody, quietly.
    const auto sections = Sections(chk.WriteToBytes().value());
    EXPECT_EQ(Find(sections, "OWNR")->data, (std::vector<std::uint8_t>{6, 6, 0, 0, 0, 0, 0, 0, 7, 0, 0, 0}));
    EXPECT_TRUE(prompter.messages.empty());
    // With IOWN, IOWN is what the editor keeps.
    Append(f, "IOWN", {5, 5, 6, 6, 0, 0, 0, 0, 3, 0, 0, 0});
    ASSERT_TRUE(chk.ReadSections(f).ok());
    EXPECT_EQ(chk.OwnerTypes[0], 5);
    EXPECT_EQ(Find(Sections(chk.WriteToBytes().value()), "OWNR")->data,
              (std::vector<std::uint8_t>{5, 5, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0}));
}

TEST(Scenario, SectionsALoadedMapLacksStayAbsentUntilCreated) {
    std::vector<std::uint8_t> f;
    Append(f, "VER ", Le16({205}));
    Append(f, "DIM ", Le16({64, 64}));
    Append(f, "OWNR", {6, 6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    std::vector<std::uint8_t> puni(5700, 0);
    puni[5] = 1;
    Append(f, "PUNI", puni);
    RecordingPrompter prompter;
    TCHK chk(prompter);
    ASSERT_TRUE(chk.ReadSections(f).ok());
    auto sections = Sections(chk.WriteToBytes().value());
    EXPECT_EQ(Find(sections, "PUNI")->data, puni) << "a section the map has keeps its bytes";
    for (const char* name : {"UNIS", "UPGS", "TECS", "UPGR", "PTEC", "PUPx", "PTEx", "UNIx", "UPGx", "TECx",
                             "COLR", "UPRP", "UPUS", "MASK", "MRGN", "TRIG", "MBRF"}) {
        EXPECT_EQ(Find(sections, name), nullptr) << name << " was added";
        EXPECT_FALSE(chk.HasSection(name) && std::string(name) != "MASK" && std::string(name) != "MRGN" &&
                     std::string(name) != "TRIG" && std::string(name) != "MBRF")
            << name;
    }
    // Editing a setting makes its section, from a new map's values.
    chk.CreateSection("UNIx");
    EXPECT_TRUE(chk.HasSection("UNIx"));
    EXPECT_EQ(chk.Unix[0], 1);
    chk.CreateSection("PUNI"); // present already: unchanged
    EXPECT_EQ(chk.Puni[5], 1);
    EXPECT_EQ(chk.Puni[6], 0);
    // Fog that is no longer all-covering, and a location, bring their sections.
    chk.Fog(3, 3) = 0;
    prompter.answers.push_back("Base");
    ASSERT_EQ(chk.AddLocation(0, 0, 4, 4, 255, 32, "x"), 1);
    sections = Sections(chk.WriteToBytes().value());
    EXPECT_NE(Find(sections, "UNIx"), nullptr);
    EXPECT_EQ(Find(sections, "UNIS"), nullptr);
    ASSERT_NE(Find(sections, "MASK"), nullptr);
    EXPECT_EQ(Find(sections, "MASK")->data[3 * 64 + 3], 0);
    ASSERT_NE(Find(sections, "MRGN"), nullptr);
    EXPECT_EQ(ReadLEOr<std::uint32_t>(Find(sections, "MRGN")->data, 20 + 8, 0), 128u);
}

TEST(Scenario, SaveAsProposesScxForMapsThatNeedBroodWar) {
    RecordingPrompter prompter;
    auto chk = Sample(prompter); // format 205
    EXPECT_EQ(chk->ProposedExtension(), ".scx");
    chk->Version = 59;
    EXPECT_EQ(chk->ProposedExtension(), ".scm");
    chk->Version = 63; // hybrid: StarCraft content alone
    EXPECT_EQ(chk->ProposedExtension(), ".scm");
    chk->AddUnit(320, 320, 0, 34); // a medic
    EXPECT_EQ(chk->ProposedExtension(), ".scx");
    chk->Units.pop_back();
    chk->Era = 6; // ice
    EXPECT_EQ(chk->ProposedExtension(), ".scx");
}

TEST(Scenario, UnitsStopAt1650AndGetTheirValidityBits) {
    RecordingPrompter prompter;
    TCHK chk(prompter, &Game().UnitsDat);
    chk.Units.resize(1649);
    EXPECT_EQ(chk.AddUnit(1, 1, 0, 0), 1649);
    EXPECT_EQ(chk.AddUnit(1, 1, 0, 0), -1);
    chk.Units.clear();
    // A building that can lift off, a spellcaster, a resource container with flags and shields.
    for (int type = 0; type < 228; ++type) {
        chk.AddUnit(0, 0, 0, type);
        const std::uint32_t flags =
            ReadLEOr<std::uint32_t>(Game().UnitsDat, 7032 + 4 * static_cast<std::size_t>(type), 0);
        int state = 8 + ((flags & 0x20) ? 4 : 0) + ((flags & 0x200) ? 1 : 0) + ((flags & 0x100000) ? 2 : 0) +
                    ((flags & 0x20014000) ? 8 : 0);
        EXPECT_EQ(chk.Units.back().ValidState, state) << type;
        const bool shields = Game().UnitsDat[2472 + static_cast<std::size_t>(type)] != 0;
        EXPECT_EQ(chk.Units.back().ValidProps,
                  35 + ((flags & 0x200000) ? 8 : 0) + ((flags & 0x2000) ? 16 : 0) + (shields ? 4 : 0));
    }
    TCHK bare(prompter);
    bare.AddUnit(0, 0, 0, 5);
    EXPECT_EQ(bare.Units.back().ValidState, 8);
    EXPECT_EQ(bare.Units.back().ValidProps, 35);
}

TEST(Scenario, LocationsTakeTheLowestFreeSlotAboveZero) {
    RecordingPrompter prompter;
    TCHK chk(prompter);
    chk.Strings.Entries.resize(1024);
    for (int i = 0; i < 256; ++i)
        chk.Locations[static_cast<std::size_t>(i)] = {1, 1, 1, 1, 0, 0, true};
    chk.DeleteLocation(3);
    chk.DeleteLocation(1);
    EXPECT_EQ(chk.FreeLocationSlot(256), 1);
    EXPECT_EQ(TCHK::DefaultLocationName(1, 1, 2, 3, 4), "location1 1 3 2 4");
    EXPECT_EQ(chk.AddLocation(1, 2, 3, 4, 256, 32, "Base"), 1);
    EXPECT_TRUE(prompter.questions.empty()); // the record asks nobody
    EXPECT_EQ(chk.Strings.Text(chk.Locations[1].Name), "Base");
    EXPECT_EQ(chk.AddLocation(1, 2, 3, 4, 256, 32, "x"), 3);
    chk.DeleteLocation(0);
    EXPECT_EQ(chk.AddLocation(1, 2, 3, 4, 256, 32, "x"), -1);
    // Slot 63 is the game's whole-map location: never offered.
    chk.DeleteLocation(63);
    EXPECT_EQ(chk.AddLocation(1, 2, 3, 4, 256, 32, "x"), -1);
    // A slot whose coordinates are zero but which has a name is in use.
    chk.Locations[10] = {0, 0, 0, 0, 7, 0, true};
    chk.DeleteLocation(11);
    EXPECT_EQ(chk.AddLocation(0, 0, 1, 1, 256, 32, "x"), 11);
    // Coordinates near 2^31 (real maps hold them) do not overflow.
    chk.DeleteLocation(12);
    EXPECT_EQ(chk.AddLocation(0, 0, 0x7FFFFFFF, 4, 256, 32, "x"), 12);
    EXPECT_EQ(chk.Locations[12].Right, INT32_MAX);
}

TEST(Scenario, LocationsTouchingTheTopOrLeftEdgeAreInUse) {
    std::vector<std::uint8_t> f;
    Append(f, "DIM ", Le16({64, 64}));
    std::vector<std::uint8_t> mrgn(64 * 20, 0);
    mrgn[8] = 64;      // slot 0: left 0, top 0, right 64, bottom 0
    mrgn[20 + 16] = 9; // slot 1: only a name
    Append(f, "MRGN", mrgn);
    RecordingPrompter prompter;
    TCHK chk(prompter);
    ASSERT_TRUE(chk.ReadSections(f).ok());
    EXPECT_TRUE(chk.Locations[0].InUse);
    EXPECT_TRUE(chk.Locations[1].InUse);
    EXPECT_FALSE(chk.Locations[2].InUse);
}

TEST(Scenario, TheWalkReadsLikeTheGame) {
    std::vector<std::uint8_t> f;
    Append(f, "DIM ", Le16({0, 0})); // a dummy copy first
    Append(f, "VER ", Le16({205}));
    Append(f, "DIM ", Le16({4, 2}));
    Append(f, "ERA ", Le16({0xFFF4})); // tileset = low three bits
    Append(f, "MTXM", Le16({1, 2, 3, 4, 5, 6, 7, 8}));
    Append(f, "MTXM", Le16({9})); // stacks over the first tile only
    Append(f, "SIDE", {1, 2});    // shorter than its layout: ignored
    Append(f, "JUNK", {7, 7, 7}); // unknown: kept
    std::vector<std::uint8_t> unit(36, 0);
    unit[8] = 5;
    Append(f, "UNIT", unit);
    unit[8] = 6;
    Append(f, "UNIT", unit);                                     // appended
    Append(f, "TRIG", std::vector<std::uint8_t>(2400 + 100, 1)); // one whole record
    Append(f, "SPRP", Le16({1, 2}));
    Append(f, "FORC", {1, 1});                                   // short FORC: the rest reads as zero
    Append(f, "BACK", {}, -16);                                  // jumps back onto SPRP's header...
    Append(f, "LAST", std::vector<std::uint8_t>(4, 9), 1000000); // ...never reached twice; past the end
    RecordingPrompter prompter;
    TCHK chk(prompter);
    ASSERT_TRUE(chk.ReadSections(f).ok());
    EXPECT_EQ(chk.Width, 4);
    EXPECT_EQ(chk.Tileset(), 4);
    EXPECT_EQ(chk.Displayed(0, 0), 9);
    EXPECT_EQ(chk.Displayed(1, 0), 2);
    EXPECT_EQ(chk.Displayed(3, 1), 8);
    EXPECT_EQ(chk.Races[0], 0);
    ASSERT_EQ(chk.Units.size(), 2u);
    EXPECT_EQ(chk.Units[1].Type, 6);
    EXPECT_EQ(chk.Triggers.size(), 2400u);
    EXPECT_EQ(chk.PlayerForces[1], 1);
    EXPECT_EQ(chk.ForceNames[0], 0);
    ASSERT_GE(chk.KeptSections.size(), 1u);
    EXPECT_EQ(std::string(chk.KeptSections[0].Name.data(), 4), "JUNK");
    // The terrain comes from MTXM when there is no TILE, and no TILE is written back.
    EXPECT_EQ(chk.Terrain(0, 0), 9);
    EXPECT_EQ(Find(Sections(chk.WriteToBytes().value()), "TILE"), nullptr);
    // Kept sections follow the known ones, in their order.
    const auto names = Names(Sections(chk.WriteToBytes().value()));
    EXPECT_EQ(names[names.size() - chk.KeptSections.size()], "JUNK");
}

TEST(Scenario, WhatIsNotAScenarioEndsTheLoadWithAMessage) {
    RecordingPrompter prompter;
    TCHK chk(prompter);
    EXPECT_EQ(chk.ReadSections(std::vector<std::uint8_t>(100, 0x41)).error(),
              "not a scenario file (it has no map size)");
    std::vector<std::uint8_t> big;
    Append(big, "DIM ", Le16({300, 10}));
    EXPECT_NE(chk.ReadSections(big).error().find("larger than 256 x 256"), std::string::npos);
    EXPECT_FALSE(chk.ReadSections({}).ok());
    test::TempDir dir;
    EXPECT_FALSE(chk.LoadFromFile(dir.file("missing.scx")).ok());
    test::WriteBytes(dir.path() / "plain.chk", big);
    EXPECT_EQ(chk.LoadFromFile(dir.file("plain.chk")).error(),
              dir.file("plain.chk") + ": the map size 300 x 10 is larger than 256 x 256");
    test::WriteBytes(dir.path() / "noise.scx", std::vector<std::uint8_t>(700, 0x41));
    EXPECT_EQ(
        chk.LoadFromFile(dir.file("noise.scx")).error(),
        dir.file("noise.scx") +
            ": not a map archive (no archive header found) and not a scenario file (it has no map size)");
    EXPECT_TRUE(prompter.messages.empty());
}

TEST(Scenario, SoundEntriesNamingNoStringAreDropped) {
    RecordingPrompter prompter;
    auto chk = Sample(prompter);
    chk->Wavs[0] = 3;
    chk->Wavs[1] = 1024;
    chk->Wavs[2] = 1025;
    TCHK back(prompter);
    ASSERT_TRUE(back.ReadSections(chk->WriteToBytes().value()).ok());
    EXPECT_EQ(back.Wavs[0], 3u);
    EXPECT_EQ(back.Wavs[1], 1024u);
    EXPECT_EQ(back.Wavs[2], 0u);
}

TEST(Scenario, AnIsomSectionComesBackByteForByte) {
    std::vector<std::uint8_t> f;
    Append(f, "DIM ", Le16({64, 64}));
    std::vector<std::uint8_t> isom(33 * 65 * 8);
    for (std::size_t i = 0; i < isom.size(); ++i)
        isom[i] = static_cast<std::uint8_t>(i * 7 + 3);
    Append(f, "ISOM", isom);
    RecordingPrompter prompter;
    TCHK chk(prompter);
    ASSERT_TRUE(chk.ReadSections(f).ok());
    ASSERT_TRUE(chk.IsoMap);
    EXPECT_EQ(chk.IsoMap->GetIsom(32, 64)[7], isom.back());
    EXPECT_EQ(Find(Sections(chk.WriteToBytes().value()), "ISOM")->data, isom);
    // A map without one gets a zero section of the right size.
    RecordingPrompter p2;
    auto fresh = Sample(p2);
    EXPECT_EQ(Find(Sections(fresh->WriteToBytes().value()), "ISOM")->data,
              std::vector<std::uint8_t>(33 * 65 * 8, 0));
}

TEST(Scenario, ANewMapHasThePlayableDefaults) {
    RecordingPrompter prompter;
    TCHK chk(prompter, &Game().UnitsDat);
    SeedRandom(9);
    chk.NewMap(2, 4, 5, 3, &Game().Tileset(4));
    EXPECT_EQ(chk.Terrain(0, 0) / 16, 2);
    EXPECT_EQ(chk.Terrain(1, 0), chk.Terrain(0, 0) + 16);
    EXPECT_EQ(chk.Terrain(3, 2) / 16, 3);
    EXPECT_EQ(chk.Terrain(4, 0), 0); // an odd width leaves the last column
    EXPECT_EQ(chk.Fog(4, 2), 255);
    EXPECT_EQ(chk.Races[4], 1);
    EXPECT_EQ(chk.Strings.Entries.size(), 1024u);
    EXPECT_EQ(chk.Strings.Text(chk.ScenarioDescription), "Map Description");
    EXPECT_EQ(chk.Vcod, kStandardVcod);
    EXPECT_EQ(chk.Unix[0], 1);
    EXPECT_EQ(chk.Puni[5699], 1);
    EXPECT_EQ(chk.Pupx[12 * 61 * 2 + 0], 3);       // global maximum of upgrade 0
    EXPECT_EQ(chk.Pupx[12 * 61 * 2 + 18], 0);      // an unused upgrade
    EXPECT_EQ(chk.Ptex[12 * 44 * 2 + 44 + 28], 1); // researched
    EXPECT_EQ(chk.Ptex[12 * 44 * 2 + 44 + 27], 0);
    EXPECT_EQ(chk.Upgx[61], 0);
    EXPECT_FALSE(chk.IsoMap);
    // Players 1 to 8 human, 9 to 12 inactive; the whole-map location in slot 63.
    EXPECT_EQ(chk.OwnerTypes, (std::array<std::uint8_t, 12>{6, 6, 6, 6, 6, 6, 6, 6, 0, 0, 0, 0}));
    const LocationSlot& anywhere = chk.Locations[kAnywhereSlot];
    EXPECT_TRUE(anywhere.InUse);
    EXPECT_EQ(anywhere.Right, 5 * 32);
    EXPECT_EQ(anywhere.Bottom, 3 * 32);
    EXPECT_EQ(chk.Strings.Text(anywhere.Name), "Anywhere");
}

TEST(Scenario, EditsRemoveOnlyDoodadsTheyMadeUnfit) {
    RecordingPrompter prompter;
    TCHK chk(prompter, &Game().UnitsDat);
    CStarcraftTileset& tileset = Game().Tileset(4);
    // A doodad of the stand-in jungle and the ground it asks for.
    int doodad = 1;
    const DoodadInfoRecord* info = &tileset.DoodadInfo(doodad);
    const int ground = tileset.DoodadPlacement(doodad, 0, 0) & ~1;
    SeedRandom(2);
    chk.NewMap(ground, 4, 64, 64, &tileset);
    // Its placement asks for left tiles on even columns: put its left column on one.
    const int column = 20 + (20 - info->Width / 2) % 2;
    const int x = 32 * column + 16, y = 32 * 20 + 16;
    chk.AddDoodad(x, y, doodad);
    ASSERT_EQ(chk.Doodads.size(), 1u);
    const int left = column - info->Width / 2, top = 20 - info->Height / 2;
    EXPECT_EQ(chk.Displayed(left, top), info->FirstGroup * 16);
    // Paint far away: nothing happens to it.
    chk.Terrain(50, 50) = 6 * 16;
    chk.TerrainChanged({50, 50, 51, 51});
    EXPECT_EQ(chk.Doodads.size(), 1u);
    // Paint under it: it no longer fits and goes, and the edit learns which doodad went,
    // so undoing it (terrain back, then the doodad) gives back the same scenario.
    const auto before = chk.Snapshot().value();
    const std::uint16_t ground0 = chk.Terrain(left, top);
    chk.Terrain(left, top) = 6 * 16;
    const auto removed = chk.TerrainChanged({left, top, left + 1, top + 1});
    EXPECT_TRUE(chk.Doodads.empty());
    ASSERT_EQ(removed.size(), 1u);
    EXPECT_EQ(removed[0].Index, 0);
    chk.Terrain(left, top) = ground0;
    chk.RebuildTileMap({left, top, left + 1, top + 1});
    chk.RestoreDoodads(removed);
    EXPECT_EQ(chk.Snapshot().value(), before);
    EXPECT_EQ(chk.Displayed(left, top), info->FirstGroup * 16);
    chk.Terrain(left, top) = 6 * 16;
    chk.TerrainChanged({left, top, left + 1, top + 1});
    EXPECT_TRUE(chk.Doodads.empty());
    EXPECT_EQ(chk.Displayed(left, top), 6 * 16);
    // Its whole footprint shows the terrain again, not only the painted cell.
    ASSERT_GT(info->Width * info->Height, 1);
    for (int c = left; c < left + info->Width; ++c) {
        for (int r = top; r < top + info->Height; ++r) {
            EXPECT_EQ(chk.Displayed(c, r), chk.Terrain(c, r)) << c << ", " << r;
        }
    }

    // A doodad that did not fit when the map was opened stays.
    chk.Doodads.push_back(
        {static_cast<std::uint16_t>(doodad), static_cast<std::uint16_t>(x), static_cast<std::uint16_t>(y)});
    chk.LinkTileset(&tileset);
    EXPECT_FALSE(chk.Doodads[0].MatchedOnLoad);
    chk.TerrainChanged({left, top, left + 1, top + 1});
    EXPECT_EQ(chk.Doodads.size(), 1u);
}

TEST(Scenario, AnEditRebuildsOnlyTheTilesItTouched) {
    RecordingPrompter prompter;
    auto chk = Sample(prompter);
    // A displayed grid that differs from the terrain, as protected maps have it.
    chk->Displayed(30, 30) = 777;
    chk->Displayed(2, 2) = 778;
    chk->Terrain(2, 2) = 6 * 16;
    chk->TerrainChanged({0, 0, 4, 4});
    EXPECT_EQ(chk->Displayed(2, 2), 6 * 16);
    EXPECT_EQ(chk->Displayed(30, 30), 777);
    chk->AddDoodad(32 * 40, 32 * 40, 1);
    EXPECT_EQ(chk->Displayed(30, 30), 777);
}

TEST(Scenario, SpritesOfTheFileStayAndNewDoodadsGetTheirOverlay) {
    RecordingPrompter prompter;
    TCHK chk(prompter);
    CStarcraftTileset& tileset = Game().Tileset(4);
    SeedRandom(2);
    chk.NewMap(2, 4, 64, 64, &tileset);
    // A pure sprite, and a doodad's own record, as a file would hold them.
    chk.Sprites.push_back({{0x21, 0x01, 0x40, 0x00, 0x50, 0x00, 3, 0, 0x00, 0x10}});
    chk.Sprites.push_back({{0x99, 0x01, 0x10, 0x01, 0x10, 0x01, 12, 0, 0x00, 0x10}});
    chk.Doodads.push_back({2, 0x110, 0x110, 12, 1, 1, true});
    // A doodad of the file without a record of its own gets none.
    chk.Doodads.push_back({2, 0x300, 0x300, 12, 1, -1, true, false});
    // A doodad placed here whose group has an overlay.
    int withOverlay = 0;
    for (int d = 1; d < 60 && !withOverlay; ++d) {
        if (tileset.DoodadInfo(d).SheetIndex != 0)
            withOverlay = d;
    }
    ASSERT_NE(withOverlay, 0);
    chk.Doodads.push_back({static_cast<std::uint16_t>(withOverlay), 0x200, 0x240, 12, 1, -1, true, true});
    const auto thg2 = Find(Sections(chk.WriteToBytes().value()), "THG2")->data;
    ASSERT_EQ(thg2.size(), 30u);
    EXPECT_TRUE(std::equal(chk.Sprites[0].Bytes.begin(), chk.Sprites[0].Bytes.end(), thg2.begin()));
    EXPECT_TRUE(std::equal(chk.Sprites[1].Bytes.begin(), chk.Sprites[1].Bytes.end(), thg2.begin() + 10));
    const std::uint16_t overlay = tileset.Header(tileset.DoodadInfo(withOverlay).FirstGroup).OverlayId();
    EXPECT_EQ(ReadLEOr<std::uint16_t>(thg2, 20, 0), overlay);
    EXPECT_EQ(ReadLEOr<std::uint16_t>(thg2, 22, 0), 0x200);
    EXPECT_EQ(ReadLEOr<std::uint16_t>(thg2, 28, 0), 0x1000);
    // Deleting the doodad deletes its own record with it.
    chk.DeleteDoodad(0, false);
    EXPECT_EQ(Find(Sections(chk.WriteToBytes().value()), "THG2")->data.size(), 20u);
}

} // namespace
} // namespace orv
