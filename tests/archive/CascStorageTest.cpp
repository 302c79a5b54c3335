#include "archive/CascStorage.h"

#include "archive/Stormunit.h"
#include "support/CascBuilder.h"
#include "support/TestSupport.h"

#include <fstream>
#include <gtest/gtest.h>

namespace orv {
namespace {

using test::BlteForm;
using test::CascBuilder;
using test::Pattern;
using test::TempDir;
using test::Text;

// Overwrites bytes of a file in place.
void Patch(const std::filesystem::path& path, std::uint64_t offset, const std::vector<std::uint8_t>& bytes) {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(offset));
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Every file of a folder with its bytes, to show that reading changes nothing.
std::map<std::string, std::vector<std::uint8_t>> Snapshot(const std::filesystem::path& folder) {
    std::map<std::string, std::vector<std::uint8_t>> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            files[entry.path().string()] = test::ReadBytes(entry.path());
        }
    }
    return files;
}

class FakeStorage : public ::testing::Test {
protected:
    void SetUp() override {
        builder.Add("arr/units.dat", Pattern(19876, 1));
        builder.Add("rez/stat_txt.tbl", Pattern(5000, 2), BlteForm::Stored);
        builder.Add("TileSet/Jungle.vx4ex", Pattern(70000, 3), BlteForm::Blocks);
        builder.Add("unit/terran/marine.grp", Pattern(3000, 4), BlteForm::NoTable);
        builder.Add("unit/terran/copy.grp", Pattern(3000, 4)); // same content, one record
        builder.Add("game/empty.pcx", {});
        builder.AddNotInstalled("locales/koKR/Assets/rez/stat_txt.tbl", Pattern(100, 5));
    }

    Result<CascStorage> Open() {
        written = builder.Write(dir.path() / "StarCraft");
        return CascStorage::Open(written.folder);
    }

    TempDir dir;
    CascBuilder builder;
    test::WrittenStorage written;
};

TEST_F(FakeStorage, ClassicNamesReadEveryFileThroughTheWholeChain) {
    builder.RecordsPerArchive = 2; // several data.NNN archives
    auto storage = Open();
    ASSERT_TRUE(storage.ok()) << storage.error();
    const CascStorage& casc = storage.value();
    EXPECT_EQ(casc.Read("arr\\units.dat").value(), Pattern(19876, 1));
    EXPECT_EQ(casc.Read("REZ\\STAT_TXT.TBL").value(), Pattern(5000, 2));
    EXPECT_EQ(casc.Read("tileset\\jungle.vx4ex").value(), Pattern(70000, 3));
    EXPECT_EQ(casc.Read("unit/terran/marine.grp").value(), Pattern(3000, 4));
    EXPECT_EQ(casc.Read("unit\\terran\\copy.grp").value(), Pattern(3000, 4));
    EXPECT_TRUE(casc.Read("game\\empty.pcx").value().empty());
    EXPECT_TRUE(casc.Contains("game\\empty.pcx"));
    ASSERT_EQ(casc.Files().size(), 7u);
    EXPECT_EQ(casc.Files()[2].path, "TileSet/Jungle.vx4ex"); // the root's own spelling
    EXPECT_TRUE(std::filesystem::exists(written.dataFolder / "data.002"));
}

TEST_F(FakeStorage, UnknownNotInstalledAndDamagedAreToldApart) {
    auto storage = Open();
    ASSERT_TRUE(storage.ok()) << storage.error();
    const CascStorage& casc = storage.value();
    EXPECT_EQ(casc.Find("arr\\nothing.dat"), CascStorage::Presence::Unknown);
    EXPECT_EQ(casc.Read("arr\\nothing.dat").error(), "arr\\nothing.dat is not in the game's storage");
    EXPECT_EQ(casc.Find("locales\\koKR\\Assets\\rez\\stat_txt.tbl"), CascStorage::Presence::NotInstalled);
    EXPECT_NE(casc.Read("locales/kokr/assets/rez/stat_txt.tbl").error().find("its data is not installed"),
              std::string::npos);

    // A flipped byte inside the zlib data of units.dat.
    const test::RecordSpot spot = written.files.at("arr/units.dat");
    Patch(spot.archive, spot.offset + spot.size - 6, {0x55, 0xAA});
    const auto damaged = casc.Read("arr\\units.dat");
    ASSERT_FALSE(damaged.ok());
    EXPECT_EQ(damaged.error().rfind("arr/units.dat is damaged: BLTE block 0", 0), 0u) << damaged.error();
    EXPECT_EQ(casc.Find("arr\\units.dat"), CascStorage::Presence::Installed); // known, there, but damaged
}

TEST_F(FakeStorage, RecordsThatLieAboutTheirPlaceAreDamage) {
    auto storage = Open();
    ASSERT_TRUE(storage.ok()) << storage.error();
    // The archive cut short before the last records: their reads stop at its end.
    const test::RecordSpot marine = written.files.at("unit/terran/marine.grp");
    std::filesystem::resize_file(marine.archive, marine.offset + 40);
    const auto cut = storage.value().Read("unit\\terran\\marine.grp");
    ASSERT_FALSE(cut.ok());
    EXPECT_NE(cut.error().find("data.000 ends at byte " + std::to_string(marine.offset + 40)),
              std::string::npos);
    // A record header that names another file.
    const test::RecordSpot units = written.files.at("arr/units.dat");
    Patch(units.archive, units.offset + 15, {0x00});
    Patch(units.archive, units.offset + 14, {0x00});
    const auto other = storage.value().Read("arr\\units.dat");
    ASSERT_FALSE(other.ok());
    EXPECT_NE(other.error().find("belongs to another file"), std::string::npos);
    // A missing archive.
    std::filesystem::remove(marine.archive);
    EXPECT_NE(storage.value().Read("rez\\stat_txt.tbl").error().find("cannot open data.000"),
              std::string::npos);
}

TEST_F(FakeStorage, ReadingWritesNothingAndKeepsNoFileOpen) {
    auto storage = Open();
    ASSERT_TRUE(storage.ok()) << storage.error();
    const auto before = Snapshot(written.folder);
    for (const auto& file : storage.value().Files()) {
        (void)storage.value().Read(file.path);
    }
    EXPECT_EQ(Snapshot(written.folder), before);
    std::size_t open = 0;
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        const auto target = std::filesystem::read_symlink(fd.path(), ec);
        open += !ec && target.string().starts_with(written.folder.string());
    }
    EXPECT_EQ(open, 0u);
}

TEST_F(FakeStorage, ALowerCaseDataFolderAsUnderWineIsFound) {
    builder.DataFolderName = "data";
    auto storage = Open();
    ASSERT_TRUE(storage.ok()) << storage.error();
    EXPECT_EQ(storage.value().Read("arr\\units.dat").value(), Pattern(19876, 1));
}

// Each broken piece of the bootstrap ends opening with a message that names it.
TEST_F(FakeStorage, BrokenBootstrapPiecesAreNamed) {
    auto expectOpenFails = [&](const std::string& needle) {
        auto storage = CascStorage::Open(written.folder);
        ASSERT_FALSE(storage.ok()) << needle;
        EXPECT_NE(storage.error().find(needle), std::string::npos) << storage.error();
        EXPECT_EQ(storage.error().rfind("cannot open the game's storage in ", 0), 0u);
    };
    ASSERT_TRUE(Open().ok());

    // The encoding table's record with a damaged BLTE header.
    Patch(written.encoding.archive, written.encoding.offset + 30, Text("BLTX"));
    expectOpenFails("the encoding table is damaged: the data is not BLTE-encoded");
    Patch(written.encoding.archive, written.encoding.offset + 30, Text("BLTE"));
    // The root with an encrypted block.
    Patch(written.root.archive, written.root.offset + 30 + 36, Text("E"));
    expectOpenFails("the root file is damaged: BLTE block 0 is encrypted ('E')");

    // An index of another version, then no index at all.
    const auto index = test::ReadBytes(written.indexFiles.front());
    Patch(written.indexFiles.front(), 8, {8, 0});
    expectOpenFails(written.indexFiles.front().filename().string() + ": the index has version 8");
    for (const auto& entry : std::filesystem::directory_iterator(written.dataFolder)) {
        if (entry.path().extension() == ".idx") {
            std::filesystem::remove(entry.path());
        }
    }
    expectOpenFails("no local index (.idx)");

    std::filesystem::remove(written.buildConfig);
    expectOpenFails("the build config is missing");
    test::WriteBytes(written.folder / ".build.info", Text("Build Key!HEX:16|Active!DEC:1\nxyz|1\n"));
    expectOpenFails("names the build \"xyz\", which is no key");
    std::filesystem::remove(written.folder / ".build.info");
    expectOpenFails(".build.info");
}

TEST_F(FakeStorage, TheStaleIndexOfABucketIsIgnored) {
    auto storage = Open();
    ASSERT_TRUE(storage.ok());
    // Version 1 of each bucket points its one key at the end of data.255; had it been used,
    // reading would fail. Leave it alone and opening does.
    EXPECT_EQ(storage.value().IndexEntryCount(), 7u); // six contents, the encoding table and the root
    for (const auto& entry : std::filesystem::directory_iterator(written.dataFolder)) {
        const std::string name = entry.path().filename().string();
        if (name.ends_with("00000002.idx")) {
            std::filesystem::remove(entry.path());
        }
    }
    EXPECT_FALSE(CascStorage::Open(written.folder).ok());
}

TEST(CascInArchiveList, AStorageTakesItsPlaceInTheSearchOrder) {
    TempDir dir;
    CascBuilder builder;
    builder.Add("who.txt", Text("storage"));
    builder.Add("arr/units.dat", Text("storage"));
    builder.AddNotInstalled("other.txt", Text("not here"));
    const auto written = builder.Write(dir.path() / "game");
    test::WriteBytes(dir.path() / "folder" / "who.txt", Text("folder"));
    test::WriteBytes(dir.path() / "folder" / "other.txt", Text("folder"));

    TMyMPQ mpq;
    mpq.ArchiveList = {written.folder.string(), (dir.path() / "folder").string()};
    EXPECT_EQ(mpq.ReadFileToStream("who.txt"), Text("folder")); // later entries win
    EXPECT_EQ(mpq.ReadFileToStream("ARR\\Units.dat"), Text("storage"));
    EXPECT_EQ(mpq.ReadFileToBuffer("arr/units.dat"), Text("storage"));
    EXPECT_EQ(mpq.SourceOf("arr\\units.dat"), 0);
    EXPECT_EQ(mpq.SourceKind(0), "CASC storage");
    EXPECT_EQ(mpq.SourceKind(1), "folder");
    EXPECT_TRUE(mpq.IsArchiveOpen(0));
    mpq.ArchiveList = {(dir.path() / "folder").string(), written.folder.string()};
    EXPECT_EQ(mpq.ReadFileToStream("other.txt"), Text("folder")); // not installed: searched on
    EXPECT_FALSE(mpq.FileExistsInArchives("nowhere.txt"));

    // A damaged storage is a source without files that says why.
    std::filesystem::remove(written.buildConfig);
    mpq.CloseGameArchives();
    EXPECT_FALSE(mpq.FileExistsInArchives("arr\\units.dat"));
    EXPECT_NE(mpq.SourceProblem(1).find("the build config is missing"), std::string::npos);
}

TEST(CascInArchiveList, TheFallbackServesOnlyTheNamesItIsFor) {
    TempDir dir;
    test::WriteBytes(dir.path() / "game" / "arr" / "units.dat", Text("game"));
    test::WriteBytes(dir.path() / "spare" / "game" / "tunit.pcx", Text("spare"));
    test::WriteBytes(dir.path() / "spare" / "arr" / "flingy.dat", Text("spare"));
    TMyMPQ mpq;
    mpq.ArchiveList = {(dir.path() / "game").string()};
    mpq.FallbackArchive = (dir.path() / "spare").string();
    mpq.FallbackFor = [](std::string_view name) { return name.ends_with(".pcx"); };
    EXPECT_EQ(mpq.ReadFileToStream("game\\tunit.pcx"), Text("spare"));
    EXPECT_EQ(mpq.SourceOf("game\\tunit.pcx"), TMyMPQ::kFallbackSource);
    EXPECT_FALSE(mpq.FileExistsInArchives("arr\\flingy.dat"));
    EXPECT_EQ(mpq.SourceOf("arr\\units.dat"), 0);
}

} // namespace
} // namespace orv
