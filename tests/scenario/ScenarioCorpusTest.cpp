// Real maps that nobody here wrote: every scenario loads, and saving it without an edit
// gives back what the game reads.

#include "archive/MapArchiveReader.h"
#include "scenario/CCHKFile.h"
#include "support/RecordingPrompter.h"
#include "support/TestSupport.h"

#include <cstring>
#include <gtest/gtest.h>
#include <map>

namespace orv {
namespace {

struct Scenario {
    std::string name;
    std::vector<std::uint8_t> bytes;
};

std::vector<Scenario> CorpusScenarios() {
    std::vector<Scenario> out;
    for (const auto& path : test::CorpusArchives()) {
        auto reader = MapArchiveReader::Open(path);
        if (!reader)
            continue;
        auto chk = reader.value().ReadFile("staredit\\scenario.chk");
        if (chk)
            out.push_back({path.filename().string(), std::move(chk).value()});
    }
    const auto dir = test::CorpusDir() / "chk";
    if (std::filesystem::is_directory(dir)) {
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            out.push_back({"chk/" + entry.path().filename().string(), test::ReadBytes(entry.path())});
        }
    }
    return out;
}

// The last copy of a section in a written (well-formed) scenario.
std::vector<std::uint8_t> SectionOf(const std::vector<std::uint8_t>& chk, const char* name) {
    std::vector<std::uint8_t> found;
    for (std::size_t pos = 0; pos + 8 <= chk.size();) {
        const auto size = ReadLEOr<std::uint32_t>(chk, pos + 4, 0);
        if (std::memcmp(chk.data() + pos, name, 4) == 0) {
            found.assign(chk.begin() + static_cast<std::ptrdiff_t>(pos + 8),
                         chk.begin() + static_cast<std::ptrdiff_t>(pos + 8 + size));
        }
        pos += 8 + size;
    }
    return found;
}

void ExpectSameRecord(const TCHK& a, const TCHK& b) {
    EXPECT_EQ(a.Width, b.Width);
    EXPECT_EQ(a.Height, b.Height);
    EXPECT_EQ(a.Tileset(), b.Tileset());
    EXPECT_EQ(a.TileMap, b.TileMap) << "MTXM";
    EXPECT_EQ(a.FogGrid, b.FogGrid) << "MASK";
    ASSERT_EQ(a.Units.size(), b.Units.size());
    for (std::size_t i = 0; i < a.Units.size(); ++i) {
        const UnitRecord &u = a.Units[i], &v = b.Units[i];
        EXPECT_TRUE(u.Serial == v.Serial && u.X == v.X && u.Y == v.Y && u.Type == v.Type &&
                    u.Owner == v.Owner && u.HitPoints == v.HitPoints && u.Resources == v.Resources &&
                    u.State == v.State && u.Tail == v.Tail)
            << "unit " << i;
    }
    ASSERT_EQ(a.Doodads.size(), b.Doodads.size());
    for (std::size_t i = 0; i < a.Doodads.size(); ++i) {
        EXPECT_TRUE(a.Doodads[i].Number == b.Doodads[i].Number && a.Doodads[i].X == b.Doodads[i].X &&
                    a.Doodads[i].Y == b.Doodads[i].Y && a.Doodads[i].Owner == b.Doodads[i].Owner)
            << "doodad " << i;
    }
    ASSERT_EQ(a.Sprites.size(), b.Sprites.size());
    for (std::size_t i = 0; i < a.Sprites.size(); ++i) {
        EXPECT_EQ(a.Sprites[i].Bytes, b.Sprites[i].Bytes) << "sprite " << i;
    }
    for (std::size_t i = 0; i < kLocationSlots; ++i) {
        const LocationSlot &l = a.Locations[i], &m = b.Locations[i];
        if (i >= 255)
            break; // the writer keeps 255 slots
        EXPECT_TRUE(l.Left == m.Left && l.Top == m.Top && l.Right == m.Right && l.Bottom == m.Bottom &&
                    l.Name == m.Name && l.Flags == m.Flags)
            << "location " << i;
        EXPECT_EQ(a.Strings.Text(l.Name), b.Strings.Text(m.Name));
    }
    EXPECT_EQ(a.Strings.Entries, b.Strings.Entries);
    EXPECT_EQ(a.ScenarioName, b.ScenarioName);
    EXPECT_EQ(a.PlayerForces, b.PlayerForces);
    EXPECT_EQ(a.ForceNames, b.ForceNames);
    EXPECT_EQ(a.ForceFlags, b.ForceFlags);
    EXPECT_EQ(a.Triggers, b.Triggers);
    EXPECT_EQ(a.Briefings, b.Briefings);
    EXPECT_EQ(a.Vcod, b.Vcod);
    EXPECT_EQ(a.UnitPresets, b.UnitPresets);
    EXPECT_EQ(a.Wavs, b.Wavs);
    EXPECT_EQ(a.Puni, b.Puni);
    EXPECT_EQ(a.Upgr, b.Upgr);
    EXPECT_EQ(a.Ptec, b.Ptec);
    EXPECT_EQ(a.Unis, b.Unis);
    EXPECT_EQ(a.Upgs, b.Upgs);
    EXPECT_EQ(a.Tecs, b.Tecs);
    EXPECT_EQ(a.Ptex, b.Ptex);
    EXPECT_EQ(a.Tecx, b.Tecx);
    EXPECT_EQ(a.UnitPresetsUsed, b.UnitPresetsUsed);
    EXPECT_EQ(a.SwitchNames, b.SwitchNames);
    EXPECT_EQ(a.Unix, b.Unix);
    EXPECT_EQ(a.Pupx, b.Pupx);
    EXPECT_EQ(a.Colours, b.Colours);
    EXPECT_EQ(a.Races, b.Races);
    EXPECT_EQ(a.OwnerTypes, b.OwnerTypes);
    ASSERT_EQ(a.KeptSections.size(), b.KeptSections.size());
    for (std::size_t i = 0; i < a.KeptSections.size(); ++i) {
        EXPECT_EQ(a.KeptSections[i].Name, b.KeptSections[i].Name);
        EXPECT_EQ(a.KeptSections[i].Data, b.KeptSections[i].Data);
    }
}

TEST(ScenarioCorpus, EveryScenarioLoadsAndSavesToWhatTheGameReads) {
    ORV_REQUIRE_CORPUS();
    const auto scenarios = CorpusScenarios();
    ASSERT_GE(scenarios.size(), 50u);
    for (const Scenario& s : scenarios) {
        SCOPED_TRACE(s.name);
        test::RecordingPrompter prompter;
        TCHK chk(prompter);
        const Status loaded = chk.ReadSections(s.bytes);
        ASSERT_TRUE(loaded.ok()) << loaded.error();
        const auto written = chk.WriteToBytes();
        ASSERT_TRUE(written.ok()) << written.error();
        TCHK again(prompter);
        ASSERT_TRUE(again.ReadSections(written.value()).ok());
        ExpectSameRecord(chk, again);
        // Carried sections come back byte for byte.
        TCHK original(prompter);
        ASSERT_TRUE(original.ReadSections(s.bytes).ok());
        if (original.HadTileSection) {
            EXPECT_FALSE(SectionOf(written.value(), "TILE").empty());
        } else {
            EXPECT_TRUE(SectionOf(written.value(), "TILE").empty()) << "a TILE appeared";
        }
        EXPECT_EQ(SectionOf(written.value(), "VCOD"),
                  std::vector<std::uint8_t>(original.Vcod.begin(), original.Vcod.end()));
        // ISOM of the right size comes back byte for byte (the last copy the walk met).
        const std::size_t isomSize = 8 * (static_cast<std::size_t>(original.Height) + 1) *
                                     (static_cast<std::size_t>(original.Width) / 2 + 1);
        if (original.IsoMap && SectionOf(s.bytes, "ISOM").size() == isomSize) {
            EXPECT_TRUE(SectionOf(written.value(), "ISOM") == SectionOf(s.bytes, "ISOM")) << "ISOM changed";
        }
        // The written scenario writes itself again identically.
        EXPECT_TRUE(again.WriteToBytes().value() == written.value());
    }
}

TEST(ScenarioCorpus, ReadsTheFilesTerrainTheWayTheGameStacksIt) {
    ORV_REQUIRE_CORPUS();
    // negative_offsets has five MTXM copies (1, 17, 32768, 731 and 1 bytes).
    auto reader = MapArchiveReader::Open(test::CorpusDir() / "negative_offsets.scx");
    ASSERT_TRUE(reader.ok());
    const auto bytes = reader.value().ReadFile("staredit\\scenario.chk").value();
    test::RecordingPrompter prompter;
    TCHK chk(prompter);
    ASSERT_TRUE(chk.ReadSections(bytes).ok());
    std::vector<std::uint8_t> stacked;
    for (std::size_t pos = 0; pos + 8 <= bytes.size();) {
        const auto size = static_cast<std::int32_t>(ReadLEOr<std::uint32_t>(bytes, pos + 4, 0));
        if (size < 0)
            break;
        if (std::memcmp(bytes.data() + pos, "MTXM", 4) == 0) {
            const std::size_t n =
                std::min<std::size_t>(static_cast<std::size_t>(size), bytes.size() - pos - 8);
            if (stacked.size() < n)
                stacked.resize(n);
            std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(pos + 8), n, stacked.begin());
        }
        pos += 8 + static_cast<std::size_t>(size);
    }
    ASSERT_GE(stacked.size(), 2u * 128 * 128);
    for (int r = 0; r < 128; r += 13) {
        for (int c = 0; c < 128; c += 7) {
            EXPECT_EQ(chk.Displayed(c, r),
                      ReadLEOr<std::uint16_t>(stacked, 2 * (static_cast<std::size_t>(r) * 128 + c), 0));
        }
    }
}

} // namespace
} // namespace orv
