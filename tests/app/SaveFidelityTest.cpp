// Real maps opened and saved without an edit must play exactly as before: the game must read
// the same owners, terrain, units, sprites, fog, locations, texts, triggers and settings from
// the saved file. Both ways of saving are checked: the editor's document and `resave`.

#include "app/MapDocument.h"
#include "archive/MapArchiveReader.h"
#include "cli/CliApp.h"
#include "support/GameView.h"
#include "support/RecordingPrompter.h"
#include "support/StandinData.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

namespace orv {
namespace {

namespace fs = std::filesystem;

// The scenario a map file holds: the archive's scenario, or the file itself.
std::optional<std::vector<std::uint8_t>> ScenarioOf(const fs::path& path) {
    std::vector<std::uint8_t> bytes = test::ReadBytes(path);
    if (!HoldsMapArchive(bytes)) {
        return bytes;
    }
    auto reader = MapArchiveReader::FromBytes(std::move(bytes));
    if (!reader) {
        return std::nullopt;
    }
    auto scenario = reader.value().ReadFile("staredit\\scenario.chk");
    if (!scenario) {
        return std::nullopt;
    }
    return std::move(scenario).value();
}

// Every corpus map the game can read: the archives and the bare scenarios.
std::vector<fs::path> CorpusMaps() {
    std::vector<fs::path> maps;
    for (const fs::path& path : test::CorpusArchives()) {
        if (ScenarioOf(path)) {
            maps.push_back(path);
        }
    }
    const fs::path bare = test::CorpusDir() / "chk";
    if (fs::is_directory(bare)) {
        std::vector<fs::path> chks;
        for (const auto& entry : fs::directory_iterator(bare)) {
            chks.push_back(entry.path());
        }
        std::sort(chks.begin(), chks.end());
        maps.insert(maps.end(), chks.begin(), chks.end());
    }
    return maps;
}

std::string OutName(const fs::path& map) {
    return map.extension() == ".chk" ? "out.chk" : "out" + map.extension().string();
}

void ExpectTheGameReadsTheSame(const std::optional<std::vector<std::uint8_t>>& before,
                               const fs::path& saved) {
    const auto after = ScenarioOf(saved);
    ASSERT_TRUE(before && after) << "the saved map holds no scenario";
    const auto differences =
        test::GameViewDifferences(test::ReadAsTheGame(*before), test::ReadAsTheGame(*after));
    std::string listed;
    for (const std::string& d : differences)
        listed += "\n  " + d;
    EXPECT_TRUE(differences.empty()) << "the game reads the saved map differently:" << listed;
}

TEST(SaveFidelity, TheEditorsSaveKeepsWhatTheGameReadsOfEveryCorpusMap) {
    ORV_REQUIRE_CORPUS();
    const auto maps = CorpusMaps();
    ASSERT_GE(maps.size(), 50u);
    for (const fs::path& map : maps) {
        SCOPED_TRACE(map.filename().string());
        test::TempDir dir;
        test::RecordingPrompter prompter;
        auto doc = TMapDocument::Open(map.string(), test::StandinGameData(), prompter);
        ASSERT_TRUE(doc.ok()) << doc.error();
        const fs::path out = dir.path() / OutName(map);
        auto saved = doc.value()->Save(out.string());
        ASSERT_TRUE(saved.ok()) << saved.error();
        ExpectTheGameReadsTheSame(ScenarioOf(map), out);
        // The start-location check speaks at most once per save.
        std::size_t checks = 0;
        for (const std::string& m : prompter.messages) {
            checks +=
                m.find("start location") != std::string::npos || m.find("startlocation") != std::string::npos;
        }
        EXPECT_LE(checks, 1u);
        // Saving again and again does not make the map grow.
        const auto first = fs::file_size(out);
        for (int i = 0; i < 4; ++i) {
            ASSERT_TRUE(doc.value()->Save(out.string()).ok());
        }
        EXPECT_LE(fs::file_size(out), first + 4096) << "five saves grew the map from " << first << " bytes";
        ExpectTheGameReadsTheSame(ScenarioOf(map), out);
    }
}

TEST(SaveFidelity, ResaveKeepsWhatTheGameReadsOfEveryCorpusMap) {
    ORV_REQUIRE_CORPUS();
    for (const fs::path& map : CorpusMaps()) {
        SCOPED_TRACE(map.filename().string());
        test::TempDir dir;
        const fs::path out = dir.path() / OutName(map);
        std::ostringstream text, errors;
        ASSERT_EQ(cli::Run({"resave", map.string(), out.string(), "--standin"}, text, errors), 0)
            << errors.str();
        ExpectTheGameReadsTheSame(ScenarioOf(map), out);
    }
}

TEST(SaveFidelity, WhatAFileIsComesFromItsBytesNotItsName) {
    ORV_REQUIRE_CORPUS();
    test::TempDir dir;
    const auto archive = test::ReadBytes(test::CorpusDir() / "fighting_spirit_4p.scx");
    const auto scenario = *ScenarioOf(test::CorpusDir() / "fighting_spirit_4p.scx");
    // An archive under a scenario's name, a scenario under upper-case and archive names.
    const std::vector<std::pair<std::string, const std::vector<std::uint8_t>*>> files = {
        {"a.chk", &archive}, {"x.chk.scm", &archive}, {"B.CHK", &scenario}, {"plain.scx", &scenario}};
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        const fs::path path = dir.path() / name;
        test::WriteBytes(path, *bytes);
        test::RecordingPrompter prompter;
        auto doc = TMapDocument::Open(path.string(), test::StandinGameData(), prompter);
        ASSERT_TRUE(doc.ok()) << doc.error();
        EXPECT_EQ(doc.value()->IsArchive, bytes == &archive);
        EXPECT_EQ(doc.value()->Chk.Width, 128);
        // Saved under its own name, it keeps its kind.
        ASSERT_TRUE(doc.value()->Save(path.string()).ok());
        EXPECT_EQ(HoldsMapArchive(test::ReadBytes(path)), bytes == &archive);
        ExpectTheGameReadsTheSame(scenario, path);
        std::ostringstream out, err;
        EXPECT_EQ(cli::Run({"info", path.string()}, out, err), 0) << err.str();
    }
}

} // namespace
} // namespace orv
