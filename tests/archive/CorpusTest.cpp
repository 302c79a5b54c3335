// The map reader against real maps that nobody here wrote: every readable archive gives
// the scenario the game reads, byte for byte where a reference extraction exists.

#include "archive/MapArchiveReader.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <map>

namespace orv {
namespace {

constexpr const char* kScenario = "staredit\\scenario.chk";

// Scenario sizes of the corpus archives (from the corpus' own analysis); archives without
// a reference extraction are checked by size.
const std::map<std::string, std::size_t> kScenarioSizes = {
    {"benzene_2p.scx", 182284},
    {"circuit_breaker_4p.scx", 197988},
    {"colosseum_2.0.scx", 71864},
    {"deflate.scx", 563320},
    {"desert_strike_angel_7.4.3a.scx", 7598148},
    {"destination_2p.scx", 166728},
    {"empire_of_the_sun_4p.scm", 4242724},
    {"fighting_spirit_4p.scx", 115371},
    {"heartbreak_ridge_2p.scx", 166997},
    {"imploded.scm", 382538},
    {"impossible_scen_future.scx", 240835},
    {"into_the_darkness_2_2p.scm", 149371},
    {"la_mancha_1.1_4p.scx", 4222761},
    {"lost_temple.scm", 193831},
    {"lost_temple_offset_from_start.scm", 193831},
    {"map_test_192x128.scx", 258588},
    {"micro_big_256.scm", 627229},
    {"negative_offsets.scx", 1575461},
    {"neo_moon_glaive_3p.scx", 97336},
    {"ococ_bound_2_p.scx", 740247},
    {"outsider_2.2.scx", 93504},
    {"paranoid_android_2p.scx", 15706426},
    {"pathfinder_1.0.scx", 162329},
    {"protected_0.scx", 907602},
    {"protected_1.scm", 395733},
    {"protected_2.scx", 600191},
    {"protected_3.scx", 199961},
    {"protected_4.scx", 438555},
    {"protected_5.scm", 97333},
    {"protected_6.scx", 5232277},
    {"python_4p.scx", 252749},
    {"scout_mode2_installation.scm", 183740},
    {"smallest.scm", 1174},
    {"smallest2.scm", 1462},
    {"sniper_seed_va.scx", 2788896},
    {"tau_cross_3p.scx", 309427},
    {"terran_test.scm", 193309},
    {"unit_type_test_64.scx", 81779},
};

// Truncated archives that nothing can read.
const char* const kUnreadable[] = {"corrupted_0.scx", "corrupted_1.scx"};

TEST(MapArchiveCorpus, EveryReadableArchiveGivesTheScenarioTheGameReads) {
    ORV_REQUIRE_CORPUS();
    std::size_t compared = 0;
    for (const auto& path : test::CorpusArchives()) {
        const std::string name = path.filename().string();
        if (std::find(std::begin(kUnreadable), std::end(kUnreadable), name) != std::end(kUnreadable)) {
            continue;
        }
        SCOPED_TRACE(name);
        auto reader = MapArchiveReader::Open(path);
        ASSERT_TRUE(reader.ok()) << reader.error();
        auto scenario = reader.value().ReadFile(kScenario);
        ASSERT_TRUE(scenario.ok()) << scenario.error();
        const auto expectedPath = test::CorpusDir() / "chk_expected" / (path.stem().string() + ".chk");
        if (std::filesystem::exists(expectedPath)) {
            EXPECT_TRUE(scenario.value() == test::ReadBytes(expectedPath)) << "differs from " << expectedPath;
            ++compared;
        }
        const auto size = kScenarioSizes.find(name);
        ASSERT_NE(size, kScenarioSizes.end()) << "a new corpus archive: add its scenario size";
        EXPECT_EQ(scenario.value().size(), size->second);

        // The listing names the scenario, readable.
        const auto entries = reader.value().ListFiles();
        EXPECT_TRUE(std::any_of(entries.begin(), entries.end(),
                                [](const MapArchiveEntry& e) { return e.name == kScenario && e.readable; }));
    }
    EXPECT_GE(compared, 14u) << "reference extractions missing from the corpus";
}

TEST(MapArchiveCorpus, TruncatedArchivesFailWithAClearMessage) {
    ORV_REQUIRE_CORPUS();
    for (const char* name : kUnreadable) {
        SCOPED_TRACE(name);
        auto reader = MapArchiveReader::Open(test::CorpusDir() / name);
        if (!reader) {
            EXPECT_FALSE(reader.error().empty());
            continue;
        }
        auto scenario = reader.value().ReadFile(kScenario);
        ASSERT_FALSE(scenario.ok());
        EXPECT_NE(scenario.error().find("cut short"), std::string::npos) << scenario.error();
    }
}

TEST(MapArchiveCorpus, NamedSoundsAreReadable) {
    ORV_REQUIRE_CORPUS();
    auto reader = MapArchiveReader::Open(test::CorpusDir() / "into_the_darkness_2_2p.scm");
    ASSERT_TRUE(reader.ok());
    auto wav = reader.value().ReadFile("staredit\\wav\\TRescue.wav");
    ASSERT_TRUE(wav.ok()) << wav.error();
    ASSERT_EQ(wav.value().size(), 83852u);
    EXPECT_EQ(std::string(wav.value().begin(), wav.value().begin() + 4), "RIFF");
}

} // namespace
} // namespace orv
