#include "app/MapDocument.h"

#include "archive/MapArchiveReader.h"
#include "base/Random.h"
#include "graphics/OrvistadTypes.h"
#include "support/OurMaps.h"
#include "support/RecordingPrompter.h"
#include "support/StandinData.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orv {
namespace {

namespace fs = std::filesystem;

TGameData& Game() {
    return test::StandinGameData();
}

// Points the temporary folder at a private one for the test's life, so that working folders
// made by other tests running at the same time do not count.
class PrivateTmp {
public:
    PrivateTmp() {
        const char* old = std::getenv("TMPDIR");
        m_old = old ? std::optional<std::string>(old) : std::nullopt;
        fs::create_directory(m_dir.path() / "tmp");
        setenv("TMPDIR", (m_dir.path() / "tmp").c_str(), 1);
    }
    ~PrivateTmp() {
        if (m_old) {
            setenv("TMPDIR", m_old->c_str(), 1);
        } else {
            unsetenv("TMPDIR");
        }
    }

private:
    test::TempDir m_dir;
    std::optional<std::string> m_old;
};

// The working folders of this user that exist now.
std::set<std::string> WorkingFolders() {
    std::set<std::string> out;
    const std::string prefix = "orvistad-" + std::to_string(getuid()) + "-map-";
    for (const auto& entry : fs::directory_iterator(fs::temp_directory_path())) {
        if (entry.path().filename().string().starts_with(prefix)) {
            out.insert(entry.path().string());
        }
    }
    return out;
}

std::vector<std::uint8_t> ScenarioBytes(TCHK& chk) {
    auto bytes = chk.WriteToBytes();
    EXPECT_TRUE(bytes);
    return bytes ? bytes.value() : std::vector<std::uint8_t>{};
}

// Our map in a scratch folder, its bytes as written, and a document of it with one unit added.
struct EditedMap {
    test::TempDir dir;
    std::string map = dir.file("ours.scx");
    std::vector<std::uint8_t> before;
    test::RecordingPrompter prompter;
    std::unique_ptr<TMapDocument> doc;

    EditedMap() {
        test::WriteOurMap(map);
        before = test::ReadBytes(map);
        auto opened = TMapDocument::Open(map, Game(), prompter);
        EXPECT_TRUE(opened);
        if (opened) {
            doc = std::move(opened).value();
            doc->Chk.AddUnit(640, 640, 2, 0);
        }
    }
};

TEST(MapDocument, EachOpenGetsItsOwnPrivateWorkingCopyRemovedOnClose) {
    test::TempDir dir;
    const std::string map = dir.file("ours.scx");
    test::WriteOurMap(map);
    const auto before = test::ReadBytes(map);
    test::RecordingPrompter prompter;
    auto first = TMapDocument::Open(map, Game(), prompter);
    auto second = TMapDocument::Open(map, Game(), prompter);
    ASSERT_TRUE(first) << first.error();
    ASSERT_TRUE(second) << second.error();
    const std::string a = first.value()->WorkingCopy, b = second.value()->WorkingCopy;
    EXPECT_NE(a, b);
    EXPECT_TRUE(fs::exists(a));
    EXPECT_TRUE(fs::exists(b));
    EXPECT_EQ(fs::path(a).filename(), "ours.scx");
    EXPECT_NE(fs::path(a).parent_path(), fs::path(map).parent_path());
    struct stat info {};
    ASSERT_EQ(stat(fs::path(a).parent_path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u); // readable by the user alone
    EXPECT_EQ(first.value()->Chk.Units.size(), 2u);
    EXPECT_EQ(first.value()->Tileset, &Game().Tileset(4));
    first.value().reset();
    EXPECT_FALSE(fs::exists(a));
    EXPECT_FALSE(fs::exists(fs::path(a).parent_path()));
    EXPECT_TRUE(fs::exists(b)); // the other window's copy is its own
    second.value().reset();
    EXPECT_FALSE(fs::exists(b));
    EXPECT_EQ(test::ReadBytes(map), before);
    EXPECT_TRUE(prompter.messages.empty());
}

TEST(MapDocument, AMapThatCannotBeOpenedNamesFileAndReasonAndLeavesNothing) {
    test::TempDir dir;
    const std::string garbage = dir.file("garbage.scm");
    test::WriteBytes(garbage, test::Pattern(5000, 7));
    const std::string empty = dir.file("empty.scx");
    test::WriteBytes(empty, {});
    const std::string noScenario = dir.file("noscenario.scx");
    test::MakeStormArchive(noScenario, {{"staredit\\wav\\a.wav", test::Pattern(100, 1)}});
    const std::string ours = dir.file("ours.scx");
    test::WriteOurMap(ours);
    auto bytes = test::ReadBytes(ours);
    const std::string cut = dir.file("cut.scx");
    test::WriteBytes(
        cut, std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(bytes.size() / 3)));
    const std::string folder = dir.file("folder.scm");
    fs::create_directory(folder);

    PrivateTmp tmp;
    const auto foldersBefore = WorkingFolders();
    const std::vector<std::pair<std::string, std::string>> cases = {
        {dir.file("missing.scm"), "does not exist"},
        {folder, "not a file"},
        {garbage, ""},
        {empty, ""},
        {noScenario, ""},
        {cut, ""},
    };
    for (const auto& [path, reason] : cases) {
        test::RecordingPrompter prompter;
        auto doc = TMapDocument::Open(path, Game(), prompter);
        ASSERT_FALSE(doc) << path;
        EXPECT_TRUE(doc.error().starts_with("Cannot open " + path + ": ")) << doc.error();
        EXPECT_NE(doc.error().find(reason), std::string::npos) << doc.error();
        EXPECT_EQ(doc.error().find("orvistad-" + std::to_string(getuid()) + "-map-"), std::string::npos)
            << "the message names the working copy: " << doc.error();
        EXPECT_GT(doc.error().size(), ("Cannot open " + path + ": ").size() + 5) << doc.error();
    }
    EXPECT_EQ(WorkingFolders(), foldersBefore);
}

TEST(MapDocument, SaveCloseReopenGivesTheSameScenario) {
    test::TempDir dir;
    const std::string map = dir.file("ours.scx");
    test::WriteOurMap(map);
    test::RecordingPrompter prompter;
    std::vector<std::uint8_t> saved;
    {
        auto doc = TMapDocument::Open(map, Game(), prompter);
        ASSERT_TRUE(doc);
        EXPECT_FALSE(doc.value()->IsModified());
        doc.value()->Chk.AddUnit(640, 640, 2, 0);
        EXPECT_TRUE(doc.value()->IsModified());
        EXPECT_TRUE(prompter.messages.empty()); // asking whether it changed says nothing
        doc.value()->Chk.Fog(3, 3) = 0x55;
        auto result = doc.value()->Save(map);
        EXPECT_FALSE(doc.value()->IsModified());
        ASSERT_TRUE(result) << result.error();
        EXPECT_FALSE(result.value().rebuilt);
        saved = ScenarioBytes(doc.value()->Chk);
    }
    auto again = TMapDocument::Open(map, Game(), prompter);
    ASSERT_TRUE(again);
    EXPECT_EQ(again.value()->Chk.Units.size(), 3u);
    EXPECT_EQ(again.value()->Chk.Fog(3, 3), 0x55);
    EXPECT_EQ(ScenarioBytes(again.value()->Chk), saved);
    EXPECT_FALSE(fs::exists(map + ".orvistad-part"));
}

TEST(MapDocument, SaveAsWritesTheNewFileAndLeavesTheOldOne) {
    EditedMap m;
    ASSERT_TRUE(m.doc);
    const std::string other = m.dir.file("copy.scm");
    ASSERT_TRUE(m.doc->Save(other));
    EXPECT_EQ(m.doc->FileName, other);
    EXPECT_EQ(test::ReadBytes(m.map), m.before);
    auto reopened = TMapDocument::Open(other, Game(), m.prompter);
    ASSERT_TRUE(reopened);
    EXPECT_EQ(reopened.value()->Chk.Units.size(), 3u);
}

TEST(MapDocument, AFailedSaveLeavesTheMapFileAsItWas) {
    EditedMap m;
    ASSERT_TRUE(m.doc);
    // The working copy was damaged behind the editor's back: the archive update fails.
    test::WriteBytes(m.doc->WorkingCopy, test::Pattern(3000, 9));
    auto failed = m.doc->Save(m.map);
    ASSERT_FALSE(failed);
    EXPECT_TRUE(failed.error().starts_with("Could not save " + m.map)) << failed.error();
    EXPECT_NE(failed.error().find("The map file was not changed."), std::string::npos);
    EXPECT_EQ(test::ReadBytes(m.map), m.before);
}

TEST(MapDocument, AnUnwritableTargetLeavesEverythingAsItWas) {
    EditedMap m;
    ASSERT_TRUE(m.doc);
    // The target's folder does not exist, or the target is a folder.
    EXPECT_FALSE(m.doc->Save(m.dir.file("nowhere/else.scx")));
    EXPECT_FALSE(fs::exists(m.dir.file("nowhere")));
    const std::string folder = m.dir.file("folder.scx");
    fs::create_directory(folder);
    EXPECT_FALSE(m.doc->Save(folder));
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(m.doc->FileName, m.map); // still the map it was
    EXPECT_TRUE(m.doc->IsModified());
    EXPECT_EQ(test::ReadBytes(m.map), m.before);
    auto failed = m.doc->Save(folder);
    EXPECT_EQ(failed.error().find(m.doc->WorkingCopy), std::string::npos) << failed.error();
    for (const auto& entry : fs::directory_iterator(m.dir.path())) {
        EXPECT_EQ(entry.path().string().find(".orvistad-part"), std::string::npos) << entry.path();
    }
}

TEST(MapDocument, ANewMapGetsItsFirstArchiveOnSave) {
    test::TempDir dir;
    test::RecordingPrompter prompter;
    SeedRandom(8);
    PrivateTmp tmp;
    auto doc = TMapDocument::NewMap(TerrainTypeGroups[1][1], 1, 40, 30, Game(), prompter);
    EXPECT_TRUE(doc->WorkingCopy.empty());
    EXPECT_TRUE(doc->FileName.empty());
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(doc->Tileset, &Game().Tileset(1));
    const auto folders = WorkingFolders();
    const std::string target = dir.file("fresh.scx");
    auto saved = doc->Save(target);
    ASSERT_TRUE(saved) << saved.error();
    EXPECT_EQ(doc->FileName, target);
    EXPECT_FALSE(doc->IsModified());
    EXPECT_FALSE(doc->WorkingCopy.empty());
    EXPECT_EQ(WorkingFolders().size(), folders.size() + 1);
    const auto bytes = ScenarioBytes(doc->Chk);
    doc.reset();
    EXPECT_EQ(WorkingFolders(), folders);
    auto reopened = TMapDocument::Open(target, Game(), prompter);
    ASSERT_TRUE(reopened) << reopened.error();
    EXPECT_EQ(reopened.value()->Chk.Width, 40);
    EXPECT_EQ(reopened.value()->Chk.Height, 30);
    EXPECT_EQ(reopened.value()->Chk.Tileset(), 1);
    EXPECT_EQ(ScenarioBytes(reopened.value()->Chk), bytes);
}

TEST(MapDocument, APlainScenarioFileOpensAndSavesAsOne) {
    test::TempDir dir;
    test::RecordingPrompter prompter;
    SeedRandom(9);
    TCHK chk(prompter, &Game().UnitsDat);
    chk.NewMap(2, 4, 32, 32, &Game().Tileset(4));
    const std::string path = dir.file("plain.chk");
    test::WriteBytes(path, ScenarioBytes(chk));
    auto doc = TMapDocument::Open(path, Game(), prompter);
    ASSERT_TRUE(doc) << doc.error();
    EXPECT_TRUE(prompter.messages.empty()) << "no message holding only the file's name";
    doc.value()->Chk.AddUnit(64, 64, 0, 0);
    ASSERT_TRUE(doc.value()->Save(path));
    const auto written = test::ReadBytes(path);
    ASSERT_GE(written.size(), 4u);
    EXPECT_NE(std::string(written.begin(), written.begin() + 3), "MPQ");
    auto again = TMapDocument::Open(path, Game(), prompter);
    ASSERT_TRUE(again);
    EXPECT_EQ(again.value()->Chk.Units.size(), 1u);
    // Saved under an archive's name, it becomes an archive.
    const std::string archive = dir.file("plain.scm");
    ASSERT_TRUE(again.value()->Save(archive));
    EXPECT_TRUE(MapArchiveReader::Open(archive));
}

TEST(MapDocument, AProtectedArchiveIsRebuiltAfterTellingTheUser) {
    ORV_REQUIRE_CORPUS();
    int rebuilt = 0;
    for (const auto& source : test::CorpusArchives()) {
        if (!source.filename().string().starts_with("protected_")) {
            continue;
        }
        test::TempDir dir;
        const std::string map = dir.file(source.filename().string());
        fs::copy_file(source, map);
        test::RecordingPrompter prompter;
        auto doc = TMapDocument::Open(map, Game(), prompter);
        ASSERT_TRUE(doc) << doc.error();
        const auto bytes = ScenarioBytes(doc.value()->Chk);
        auto saved = doc.value()->Save(map);
        ASSERT_TRUE(saved) << saved.error();
        // Other messages (the start-location check) may come too.
        const auto told =
            std::count_if(prompter.messages.begin(), prompter.messages.end(), [&](const std::string& m) {
                return m.starts_with(map + " is a protected archive");
            });
        EXPECT_EQ(told, saved.value().rebuilt ? 1 : 0) << map;
        rebuilt += saved.value().rebuilt;
        doc.value().reset();
        auto again = TMapDocument::Open(map, Game(), prompter);
        ASSERT_TRUE(again) << again.error();
        EXPECT_EQ(ScenarioBytes(again.value()->Chk), bytes) << map;
    }
    EXPECT_GT(rebuilt, 0);
}

} // namespace
} // namespace orv
