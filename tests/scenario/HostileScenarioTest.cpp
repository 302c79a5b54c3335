// Hostile maps through the editor's own paths: each opens, renders and saves through
// TMapDocument, or is refused with a message that names the limit it passed. Nothing here
// measures time; bench/HostileBench.cpp does.

#include "app/MapDocument.h"
#include "archive/MapArchiveReader.h"
#include "scenario/ScenarioLimits.h"
#include "support/HostileMaps.h"
#include "support/OurMaps.h"
#include "support/RecordingPrompter.h"
#include "support/StandinData.h"
#include "support/TestSupport.h"
#include "view/MapImage.h"
#include "view/MapRenderer.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace orv {
namespace {

namespace fs = std::filesystem;

TGameData& Game() {
    return test::StandinGameData();
}

struct Counts {
    std::size_t units = 0, doodads = 0, sprites = 0;
    bool operator==(const Counts&) const = default;
};

Counts CountsOf(const TCHK& chk) {
    return {chk.Units.size(), chk.Doodads.size(), chk.Sprites.size()};
}

Counts SmallScenarioCounts() {
    SilentPrompter silent;
    TCHK chk(silent, &Game().UnitsDat);
    EXPECT_TRUE(chk.ReadSections(test::SmallScenario()).ok());
    return CountsOf(chk);
}

// Opens `path` as the editor does, draws a view and the whole-map picture, saves it under a
// new name and opens that again: the counts must survive. Returns what the document held.
Counts OpenRenderSaveReopen(const std::string& path, const std::string& savedPath) {
    test::RecordingPrompter prompter;
    auto doc = TMapDocument::Open(path, Game(), prompter);
    EXPECT_TRUE(doc.ok()) << doc.error();
    if (!doc) {
        return {};
    }
    TMapDocument& map = *doc.value();
    const Counts counts = CountsOf(map.Chk);

    CMapRenderer renderer;
    renderer.DrawDisplay(map.Chk, *map.Tileset, Game(), ViewState{0, 0, 640, 480, 32, draw_flags::kFog});
    EXPECT_EQ(renderer.Frame32.size(), 640u * 480u);
    const std::string picture = savedPath + ".jpg";
    EXPECT_TRUE(ExportMapImage(map.Chk, *map.Tileset, Game(), picture).ok());
    EXPECT_GT(fs::file_size(picture), 0u);

    auto saved = map.Save(savedPath);
    EXPECT_TRUE(saved.ok()) << saved.error();
    if (!saved) {
        return counts;
    }
    auto again = TMapDocument::Open(savedPath, Game(), prompter);
    EXPECT_TRUE(again.ok()) << again.error();
    if (again) {
        EXPECT_EQ(CountsOf(again.value()->Chk), counts);
    }
    return counts;
}

std::string OpenError(const std::string& path) {
    test::RecordingPrompter prompter;
    auto doc = TMapDocument::Open(path, Game(), prompter);
    return doc ? std::string("opened") : doc.error();
}

std::string Refusal(const std::string& path, const std::string& what) {
    return "Cannot open " + path + ": the scenario " + what +
           "; no real map comes near that, so it is not read";
}

TEST(HostileScenario, PastACapTheMapIsRefusedWithAMessageNamingTheCap) {
    test::TempDir dir;
    const auto base = test::SmallScenario();
    struct Case {
        const char* name;
        std::vector<std::uint8_t> scenario;
        std::string what;
    } cases[] = {
        {"sections.scx", test::WithEmptySections(base, 4'000'000), "has more than 65536 section headers"},
        {"units.scx", test::WithUnits(base, 1'000'000), "places more than 32768 units"},
        {"doodads.scx", test::WithDoodads(base, 100'000), "places more than 32768 doodads"},
        {"sprites.scx", test::WithSprites(base, 100'000), "places more than 32768 sprites"},
    };
    for (const Case& c : cases) {
        const std::string path = dir.file(c.name);
        const auto archive = test::ArchiveOf(c.scenario);
        test::WriteBytes(path, archive);
        EXPECT_EQ(OpenError(path), Refusal(path, c.what)) << c.name;
        EXPECT_EQ(test::ReadBytes(path), archive) << c.name;
        // The same scenario as a plain file.
        const std::string plain = dir.file(std::string(c.name) + ".chk");
        test::WriteBytes(plain, c.scenario);
        EXPECT_EQ(OpenError(plain), Refusal(plain, c.what)) << c.name;
    }
}

TEST(HostileScenario, AtTheCapsTheMapOpensRendersAndSaves) {
    test::TempDir dir;
    const Counts base = SmallScenarioCounts();
    const struct Case {
        const char* name;
        std::vector<std::uint8_t> scenario;
        Counts expected;
    } cases[] = {
        {"units.scx",
         test::WithUnits(test::SmallScenario(), kMaxScenarioUnits - base.units),
         {kMaxScenarioUnits, base.doodads, base.sprites}},
        {"doodads.scx",
         test::WithDoodads(test::SmallScenario(), kMaxScenarioDoodads),
         {base.units, kMaxScenarioDoodads, base.sprites}},
        {"sprites.scx",
         test::WithSprites(test::SmallScenario(), kMaxScenarioSprites - base.sprites),
         {base.units, base.doodads, kMaxScenarioSprites}},
        {"sections.scx", test::WithEmptySections(test::SmallScenario(), kMaxScenarioSections - 100), base},
    };
    for (const Case& c : cases) {
        const std::string path = dir.file(c.name);
        test::WriteBytes(path, test::ArchiveOf(c.scenario));
        EXPECT_EQ(OpenRenderSaveReopen(path, dir.file(std::string("saved-") + c.name)), c.expected) << c.name;
    }
}

TEST(HostileScenario, OverlappingSectionsCannotMultiplyTheFile) {
    // Sections that each cover the rest of the file, reached again and again through
    // negative sizes: without a bound on the bytes read, n headers read n times the file.
    constexpr std::size_t kHeaders = 4000;
    auto bytes = test::SmallScenario();
    const std::size_t first = bytes.size();
    const std::size_t span = 8 * kHeaders; // every header covers the headers after it and one jump
    for (std::size_t i = 0; i < kHeaders; ++i) {
        bytes.insert(bytes.end(), {'T', 'R', 'I', 'G'});
        const auto size = static_cast<std::uint32_t>(span);
        for (int b = 0; b < 4; ++b)
            bytes.push_back(static_cast<std::uint8_t>(size >> (8 * b)));
    }
    // After the data of header i, a jump back to header i + 1: -(span + 8) from its end.
    bytes.resize(first + 8 + span + 8 * kHeaders, 0);
    for (std::size_t i = 0; i < kHeaders; ++i) {
        const std::size_t at = first + 8 * i + 8 + span;
        const auto jump = static_cast<std::uint32_t>(-static_cast<std::int64_t>(span + 8));
        std::copy_n("JUMP", 4, bytes.begin() + static_cast<std::ptrdiff_t>(at));
        for (int b = 0; b < 4; ++b)
            bytes[at + 4 + static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(jump >> (8 * b));
    }
    bytes.resize(bytes.size() + span, 0);
    SilentPrompter silent;
    TCHK chk(silent, &Game().UnitsDat);
    const Status read = chk.ReadSections(bytes);
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.error(),
              "the scenario reuses its bytes in overlapping sections more than 4 times over; no real "
              "map comes near that, so it is not read");
    EXPECT_TRUE(chk.Triggers.empty());
}

TEST(HostileScenario, ExactlyAtEachCapIsReadAndOneMoreIsNot) {
    SilentPrompter silent;
    TCHK chk(silent, &Game().UnitsDat);
    const Counts base = SmallScenarioCounts();
    ASSERT_TRUE(
        chk.ReadSections(test::WithUnits(test::SmallScenario(), kMaxScenarioUnits - base.units)).ok());
    EXPECT_EQ(chk.Units.size(), kMaxScenarioUnits);
    EXPECT_FALSE(
        chk.ReadSections(test::WithUnits(test::SmallScenario(), kMaxScenarioUnits - base.units + 1)).ok());
    EXPECT_TRUE(chk.Units.empty()); // a refused scenario leaves nothing half-read

    ASSERT_TRUE(
        chk.ReadSections(test::WithSprites(test::SmallScenario(), kMaxScenarioSprites - base.sprites)).ok());
    EXPECT_FALSE(
        chk.ReadSections(test::WithSprites(test::SmallScenario(), kMaxScenarioSprites - base.sprites + 1))
            .ok());
    ASSERT_TRUE(chk.ReadSections(test::WithDoodads(test::SmallScenario(), kMaxScenarioDoodads)).ok());
    EXPECT_FALSE(chk.ReadSections(test::WithDoodads(test::SmallScenario(), kMaxScenarioDoodads + 1)).ok());

    // Section headers: the scenario's own plus the empty ones, jumps included.
    ASSERT_TRUE(chk.ReadSections(test::SmallScenario()).ok());
    const std::size_t own = chk.SectionsRead.size();
    ASSERT_TRUE(
        chk.ReadSections(test::WithEmptySections(test::SmallScenario(), kMaxScenarioSections - own)).ok());
    EXPECT_EQ(chk.SectionsRead.size(), kMaxScenarioSections);
    EXPECT_FALSE(
        chk.ReadSections(test::WithEmptySections(test::SmallScenario(), kMaxScenarioSections - own + 1))
            .ok());
}

TEST(HostileArchive, FilesFullOfArchiveHeadersOpenOrAreRefused) {
    test::TempDir dir;
    const std::string ours = dir.file("ours.scx");
    test::WriteOurMap(ours);
    const auto real = test::ReadBytes(ours);
    for (std::size_t size : {std::size_t{1} << 20, std::size_t{4} << 20}) {
        const std::string tag = std::to_string(size >> 20);
        // Nothing but headers whose tables are noise: a clear refusal.
        const std::string junk = dir.file("junk" + tag + ".scx");
        test::WriteBytes(junk, test::ManyHeaders(size));
        const std::string error = OpenError(junk);
        EXPECT_TRUE(error.starts_with("Cannot open " + junk + ": ")) << error;
        EXPECT_NE(error.find("staredit\\scenario.chk"), std::string::npos) << error;

        // A real map followed by thousands of headers: the map is there and the editor uses it.
        const std::string padded = dir.file("padded" + tag + ".scx");
        test::WriteBytes(padded, test::ManyHeaders(size, real));
        const Counts counts = OpenRenderSaveReopen(padded, dir.file("saved" + tag + ".scx"));
        EXPECT_EQ(counts.units, 2u);
    }
}

TEST(HostileArchive, AListfileOfManyNamesOpensAndSaves) {
    test::TempDir dir;
    const auto names = test::ManyNames(100'000);
    const std::string path = dir.file("names.scx");
    test::WriteBytes(path, test::ArchiveOf(test::SmallScenario(), names, 1000, 65536));
    const Counts counts = OpenRenderSaveReopen(path, dir.file("saved.scx"));
    EXPECT_EQ(counts.units, 2u);
}

} // namespace
} // namespace orv
