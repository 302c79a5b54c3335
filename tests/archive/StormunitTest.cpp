#include "archive/Stormunit.h"

#include "archive/MapArchiveReader.h"
#include "archive/MpqCrypto.h"
#include "support/MpqBuilder.h"
#include "support/MpqInspect.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace orv {
namespace {

using test::MakeStormArchive;
using test::Pattern;
using test::TempDir;

std::vector<std::uint8_t> Text(const std::string& s) {
    return {s.begin(), s.end()};
}

// Three installed archives and three settings.txt archives A, B, C, in that order. Each
// holds "who.txt" naming itself; some files exist only in some archives.
class GameArchives : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"StarDat.mpq", "BrooDat.mpq", "Patch_rt.mpq", "A.mpq", "B.mpq", "C.mpq"}) {
            std::map<std::string, std::vector<std::uint8_t>> files{{"who.txt", Text(name)}};
            files["only-in-" + std::string(name)] = Text(name);
            if (std::string(name) != "C.mpq") {
                files["not-in-C.txt"] = Text(name);
            }
            if (std::string(name) == "StarDat.mpq" || std::string(name) == "BrooDat.mpq") {
                files["base.txt"] = Text(name);
            }
            MakeStormArchive(dir.file(name), files);
            mpq.ArchiveList.push_back(dir.file(name));
        }
    }

    std::string ReadText(const std::string& name) {
        const auto bytes = mpq.ReadFileToStream(name);
        return {bytes.begin(), bytes.end()};
    }

    TempDir dir;
    TMyMPQ mpq;
};

TEST_F(GameArchives, TheLastAddedArchiveWins) {
    EXPECT_EQ(ReadText("who.txt"), "C.mpq");
    EXPECT_EQ(ReadText("not-in-C.txt"), "B.mpq");
    EXPECT_EQ(ReadText("base.txt"), "BrooDat.mpq");
    EXPECT_EQ(ReadText("only-in-StarDat.mpq"), "StarDat.mpq");
    auto buffer = mpq.ReadFileToBuffer("not-in-C.txt");
    ASSERT_TRUE(buffer.has_value());
    EXPECT_EQ(*buffer, Text("B.mpq"));
}

TEST_F(GameArchives, AFileInNoArchiveIsAbsent) {
    EXPECT_FALSE(mpq.FileExistsInArchives("nowhere.txt"));
    EXPECT_TRUE(mpq.ReadFileToStream("nowhere.txt").empty());
    EXPECT_FALSE(mpq.ReadFileToBuffer("nowhere.txt").has_value());
    EXPECT_TRUE(mpq.FileExistsInArchives("only-in-A.mpq"));
}

TEST_F(GameArchives, MissingAndEmptyEntriesAreSkipped) {
    mpq.ArchiveList.insert(mpq.ArchiveList.begin() + 3, "");
    mpq.ArchiveList.push_back(dir.file("missing.mpq"));
    EXPECT_EQ(ReadText("who.txt"), "C.mpq");
    EXPECT_FALSE(mpq.IsArchiveOpen(mpq.ArchiveList.size() - 1));
}

TEST_F(GameArchives, ArchivesOpenLazilyAndStayOpen) {
    EXPECT_FALSE(mpq.IsArchiveOpen(5));
    EXPECT_EQ(ReadText("who.txt"), "C.mpq");
    EXPECT_TRUE(mpq.IsArchiveOpen(5));
    EXPECT_FALSE(mpq.IsArchiveOpen(0)); // never reached
    EXPECT_EQ(ReadText("only-in-StarDat.mpq"), "StarDat.mpq");
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_TRUE(mpq.IsArchiveOpen(i));
    }
}

TEST_F(GameArchives, AFolderOfExtractedFilesTakesAnArchivesPlaceInTheOrder) {
    const std::filesystem::path folder = dir.path() / "extracted";
    test::WriteBytes(folder / "ARR" / "Units.dat", Text("folder"));
    test::WriteBytes(folder / "who.txt", Text("folder"));
    test::WriteBytes(folder / "only-in-A.mpq", Text("folder"));
    mpq.ArchiveList.insert(mpq.ArchiveList.begin() + 4, folder.string()); // between A and B
    EXPECT_EQ(ReadText("arr\\units.dat"), "folder");                      // backslashes, any case
    EXPECT_EQ(mpq.SourceOf("arr\\UNITS.DAT"), 4);
    EXPECT_EQ(ReadText("who.txt"), "C.mpq");        // later archives still win
    EXPECT_EQ(ReadText("only-in-A.mpq"), "folder"); // earlier ones lose
    EXPECT_EQ(mpq.ReadFileToBuffer("arr/units.dat"), Text("folder"));
    EXPECT_FALSE(mpq.FileExistsInArchives("arr\\flingy.dat"));
    // A file added after a search is seen once the archives are closed and searched again.
    test::WriteBytes(folder / "arr" / "flingy.dat", Text("late"));
    mpq.CloseGameArchives();
    EXPECT_EQ(ReadText("arr\\flingy.dat"), "late");
}

TEST(TMyMPQStream, ReadsSizesAroundTheStreamStep) {
    TempDir dir;
    std::map<std::string, std::vector<std::uint8_t>> files;
    const std::size_t sizes[] = {0, 1, 65534, 65535, 65536, 131070, 200000};
    for (std::size_t size : sizes) {
        files["f" + std::to_string(size)] = Pattern(size, static_cast<std::uint32_t>(size));
    }
    MakeStormArchive(dir.file("game.mpq"), files);
    TMyMPQ mpq;
    mpq.ArchiveList = {dir.file("game.mpq")};
    for (std::size_t size : sizes) {
        SCOPED_TRACE(size);
        EXPECT_EQ(mpq.ReadFileToStream("f" + std::to_string(size)),
                  Pattern(size, static_cast<std::uint32_t>(size)));
        auto buffer = mpq.ReadFileToBuffer("f" + std::to_string(size));
        ASSERT_TRUE(buffer.has_value());
        EXPECT_EQ(*buffer, Pattern(size, static_cast<std::uint32_t>(size)));
    }
}

// What the archive holds for the scenario, read back through the map reader.
struct StoredScenario {
    std::vector<std::uint8_t> bytes;
    std::uint32_t flags = 0;
    std::string compression;
    std::vector<std::string> listfile;
};

StoredScenario Inspect(const std::string& archive) {
    StoredScenario out;
    auto reader = MapArchiveReader::Open(archive);
    EXPECT_TRUE(reader.ok()) << (reader.ok() ? "" : reader.error());
    if (!reader) {
        return out;
    }
    auto data = reader.value().ReadFile(TMyMPQ::kScenarioName);
    EXPECT_TRUE(data.ok()) << (data.ok() ? "" : data.error());
    out.bytes = data.ok() ? data.value() : std::vector<std::uint8_t>{};
    for (const auto& e : reader.value().ListFiles()) {
        if (e.name == TMyMPQ::kScenarioName) {
            out.flags = e.flags;
            out.compression = e.compression;
        }
    }
    out.listfile = reader.value().ListfileNames();
    return out;
}

// The header fields a new archive must carry for the game.
void ExpectGameReadableHeader(const std::string& archive) {
    const auto bytes = test::ReadBytes(archive);
    ASSERT_GE(bytes.size(), 32u);
    EXPECT_EQ(ReadLEOr<std::uint32_t>(bytes, 0, 0), 0x1A51504Du);
    EXPECT_EQ(ReadLEOr<std::uint16_t>(bytes, 12, 0xFF), 0u) << "format version 1";
    EXPECT_EQ(ReadLEOr<std::uint16_t>(bytes, 14, 0), 3u) << "4096-byte sectors";
    const std::uint32_t hashCount = ReadLEOr<std::uint32_t>(bytes, 24, 0);
    EXPECT_NE(hashCount, 0u);
    EXPECT_EQ(hashCount & (hashCount - 1), 0u) << "power-of-two hash table";
}

TEST(TMyMPQSave, CreatesAMissingArchiveWithTheScenarioImploded) {
    TempDir dir;
    const auto scenario = Pattern(50000, 31);
    test::WriteBytes(dir.file("scenario.chk"), scenario);
    TMyMPQ mpq;
    const Status saved = mpq.SaveScenarioToArchive(dir.file("new.scx"), dir.file("scenario.chk"));
    ASSERT_TRUE(saved.ok()) << saved.error();

    ExpectGameReadableHeader(dir.file("new.scx"));
    const StoredScenario stored = Inspect(dir.file("new.scx"));
    EXPECT_EQ(stored.bytes, scenario);
    EXPECT_TRUE(stored.flags & mpq::kFlagCompress);
    EXPECT_EQ(stored.compression, "pkware");
    EXPECT_NE(std::find(stored.listfile.begin(), stored.listfile.end(), TMyMPQ::kScenarioName),
              stored.listfile.end());
}

TEST(TMyMPQSave, ReplacesTheScenarioOfAnExistingArchiveAndKeepsItsOtherFiles) {
    TempDir dir;
    MakeStormArchive(dir.file("map.scm"), {{TMyMPQ::kScenarioName, Pattern(80000, 1)},
                                           {"staredit\\wav\\a.wav", Pattern(3000, 2)}});
    test::WriteBytes(dir.file("scenario.chk"), Pattern(60000, 3));
    TMyMPQ mpq;
    ASSERT_TRUE(mpq.SaveScenarioToArchive(dir.file("map.scm"), dir.file("scenario.chk")).ok());

    const StoredScenario stored = Inspect(dir.file("map.scm"));
    EXPECT_EQ(stored.bytes, Pattern(60000, 3));
    EXPECT_EQ(stored.compression, "pkware");
    auto reader = MapArchiveReader::Open(dir.file("map.scm"));
    ASSERT_TRUE(reader.ok());
    auto wav = reader.value().ReadFile("staredit\\wav\\a.wav");
    ASSERT_TRUE(wav.ok());
    EXPECT_EQ(wav.value(), Pattern(3000, 2));
    // Compacted: the replaced scenario's old bytes are gone.
    EXPECT_LT(std::filesystem::file_size(dir.file("map.scm")), 80000u + 60000u);
}

TEST(TMyMPQSave, ReadsAfterASaveReopenTheGameArchives) {
    TempDir dir;
    MakeStormArchive(dir.file("game.mpq"), {{"x.txt", Text("x")}});
    test::WriteBytes(dir.file("scenario.chk"), Pattern(100, 4));
    TMyMPQ mpq;
    mpq.ArchiveList = {dir.file("game.mpq")};
    ASSERT_TRUE(mpq.FileExistsInArchives("x.txt"));
    ASSERT_TRUE(mpq.IsArchiveOpen(0));
    ASSERT_TRUE(mpq.SaveScenarioToArchive(dir.file("map.scx"), dir.file("scenario.chk")).ok());
    EXPECT_FALSE(mpq.IsArchiveOpen(0));
    EXPECT_EQ(mpq.ReadFileToStream("x.txt"), Text("x"));
    EXPECT_TRUE(mpq.IsArchiveOpen(0));
}

TEST(TMyMPQSave, FailuresAreReportedNotSwallowed) {
    TempDir dir;
    test::WriteBytes(dir.file("scenario.chk"), Pattern(100, 5));
    test::WriteBytes(dir.file("not-an-archive.scx"), Pattern(5000, 6));
    TMyMPQ mpq;

    Status missingScenario = mpq.SaveScenarioToArchive(dir.file("a.scx"), dir.file("missing.chk"));
    ASSERT_FALSE(missingScenario.ok());
    EXPECT_NE(missingScenario.error().find("missing.chk is missing"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.file("a.scx")));

    Status noFolder = mpq.SaveScenarioToArchive(dir.file("no/such/folder/a.scx"), dir.file("scenario.chk"));
    ASSERT_FALSE(noFolder.ok());
    EXPECT_NE(noFolder.error().find("cannot write beside"), std::string::npos) << noFolder.error();

    Status foreign = mpq.SaveScenarioToArchive(dir.file("not-an-archive.scx"), dir.file("scenario.chk"));
    ASSERT_FALSE(foreign.ok());
    EXPECT_NE(foreign.error().find("cannot open the map archive"), std::string::npos) << foreign.error();
    EXPECT_EQ(test::ReadBytes(dir.file("not-an-archive.scx")), Pattern(5000, 6));
}

// Every named file the map reader can read, by name.
std::map<std::string, std::vector<std::uint8_t>> NamedFiles(const std::string& archive) {
    std::map<std::string, std::vector<std::uint8_t>> files;
    auto reader = MapArchiveReader::Open(archive);
    if (!reader) {
        return files;
    }
    for (const auto& e : reader.value().ListFiles()) {
        if (!e.name.empty() && e.readable) {
            files[e.name] = reader.value().ReadFile(e.name).value();
        }
    }
    return files;
}

TEST(TMyMPQSave, EveryCorpusArchiveIsEitherUpdatedOrLeftUntouchedWithAMessage) {
    ORV_REQUIRE_CORPUS();
    TempDir dir;
    const auto scenario = Pattern(40000, 7);
    test::WriteBytes(dir.file("scenario.chk"), scenario);
    TMyMPQ mpq;
    int updated = 0;
    for (const auto& path : test::CorpusArchives()) {
        SCOPED_TRACE(path.filename().string());
        const std::string copy = dir.file(path.filename().string());
        std::filesystem::copy_file(path, copy);
        auto before = NamedFiles(copy);
        const Status saved = mpq.SaveScenarioToArchive(copy, dir.file("scenario.chk"));
        if (saved.ok()) {
            ++updated;
            auto after = NamedFiles(copy);
            EXPECT_EQ(after[TMyMPQ::kScenarioName], scenario)
                << "the saved archive must give back the scenario";
            for (const auto& [name, bytes] : before) {
                if (name != TMyMPQ::kScenarioName && name != "(listfile)" && name != "(attributes)") {
                    EXPECT_TRUE(after[name] == bytes) << name << " changed";
                }
            }
        } else {
            EXPECT_FALSE(saved.error().empty());
            EXPECT_TRUE(test::ReadBytes(copy) == test::ReadBytes(path))
                << "a refused save changed the archive";
        }
    }
    // Every archive that is not protected against writers is updated in place.
    EXPECT_GE(updated, 30);
    std::size_t leftovers = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        ++leftovers;
    }
    EXPECT_EQ(leftovers, test::CorpusArchives().size() + 1) << "working files left behind";
}

TEST(TMyMPQWaves, AddsWavesWithWaveCompression) {
    TempDir dir;
    // A minimal mono 16-bit PCM WAV.
    std::vector<std::uint8_t> wav = Text("RIFF");
    const std::uint32_t samples = 20000;
    auto put32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            wav.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    auto put16 = [&](std::uint16_t v) {
        wav.push_back(static_cast<std::uint8_t>(v));
        wav.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    put32(36 + samples * 2);
    for (char c : std::string("WAVEfmt "))
        wav.push_back(static_cast<std::uint8_t>(c));
    put32(16);
    put16(1);
    put16(1);
    put32(22050);
    put32(44100);
    put16(2);
    put16(16);
    for (char c : std::string("data"))
        wav.push_back(static_cast<std::uint8_t>(c));
    put32(samples * 2);
    for (std::uint32_t i = 0; i < samples; ++i)
        put16(static_cast<std::uint16_t>((i * 37) % 4000));
    test::WriteBytes(dir.file("a.wav"), wav);
    test::WriteBytes(dir.file("scenario.chk"), Pattern(100, 8));

    TMyMPQ mpq;
    ASSERT_TRUE(mpq.SaveScenarioToArchive(dir.file("map.scx"), dir.file("scenario.chk")).ok());
    const Status added =
        mpq.AddWavesToArchive({"staredit\\wav\\a.wav"}, {dir.file("a.wav")}, dir.file("map.scx"));
    ASSERT_TRUE(added.ok()) << added.error();

    auto reader = MapArchiveReader::Open(dir.file("map.scx"));
    ASSERT_TRUE(reader.ok());
    auto stored = reader.value().ReadFile("staredit\\wav\\a.wav");
    ASSERT_TRUE(stored.ok()) << stored.error();
    EXPECT_EQ(stored.value().size(), wav.size());
    EXPECT_TRUE(std::equal(wav.begin(), wav.begin() + 44, stored.value().begin()))
        << "the header is kept exactly";
    const auto entries = reader.value().ListFiles();
    const auto entry = std::find_if(entries.begin(), entries.end(), [](const MapArchiveEntry& e) {
        return e.name == "staredit\\wav\\a.wav";
    });
    ASSERT_NE(entry, entries.end());
    EXPECT_EQ(entry->compression, "huffman+adpcm-mono") << "the game's own sound compression";
    EXPECT_EQ(Inspect(dir.file("map.scx")).bytes, Pattern(100, 8));

    const Status mismatched = mpq.AddWavesToArchive({"a", "b"}, {dir.file("a.wav")}, dir.file("map.scx"));
    EXPECT_FALSE(mismatched.ok());
    const Status missing =
        mpq.AddWavesToArchive({"staredit\\wav\\b.wav"}, {dir.file("none.wav")}, dir.file("map.scx"));
    ASSERT_FALSE(missing.ok());
    EXPECT_NE(missing.error().find("none.wav"), std::string::npos);
}

// Maps whose hash tables hold only the files they came with (one or two entries): adding a
// file first makes room for it.
TEST(TMyMPQWaves, AddingToAFullFileTableEnlargesItFirst) {
    TempDir dir;
    const auto wav = test::MakeWav(5000);
    test::WriteBytes(dir.file("a.wav"), wav);
    auto tiny = [](std::uint32_t slots) {
        test::MpqBuilder builder;
        builder.hashSlots = slots;
        builder.AddFile(TMyMPQ::kScenarioName, Pattern(9000, 20), 0x80010200);
        return builder.Build();
    };
    auto tableSize = [](const std::string& archive) {
        auto raw = test::ReadRawArchive(test::ReadBytes(archive), 0);
        return raw ? raw->hashes.size() : 0u;
    };
    TMyMPQ mpq;

    test::WriteBytes(dir.file("one.scm"), tiny(1));
    const Status added =
        mpq.AddWavesToArchive({"staredit\\wav\\a.wav"}, {dir.file("a.wav")}, dir.file("one.scm"));
    ASSERT_TRUE(added.ok()) << added.error();
    auto reader = MapArchiveReader::Open(dir.file("one.scm"));
    ASSERT_TRUE(reader.ok());
    auto sound = reader.value().ReadFile("staredit\\wav\\a.wav");
    ASSERT_TRUE(sound.ok()) << sound.error();
    EXPECT_EQ(sound.value().size(), wav.size());
    EXPECT_EQ(Inspect(dir.file("one.scm")).bytes, Pattern(9000, 20));
    EXPECT_EQ(tableSize(dir.file("one.scm")), 2u);

    test::WriteBytes(dir.file("files.scm"), tiny(1));
    const Status stored =
        mpq.AddFilesToArchive({{"a.txt", Text("a")}, {"b.txt", Text("bb")}}, dir.file("files.scm"));
    ASSERT_TRUE(stored.ok()) << stored.error();
    EXPECT_EQ(tableSize(dir.file("files.scm")), 4u);
    EXPECT_EQ(Inspect(dir.file("files.scm")).bytes, Pattern(9000, 20));

    if (!test::CorpusDir().empty()) {
        // A real map with a one-entry table.
        std::filesystem::copy_file(test::CorpusDir() / "colosseum_2.0.scx", dir.file("colosseum.scx"));
        const auto scenario =
            MapArchiveReader::Open(dir.file("colosseum.scx")).value().ReadFile(TMyMPQ::kScenarioName);
        ASSERT_TRUE(scenario.ok());
        const Status real =
            mpq.AddWavesToArchive({"staredit\\wav\\a.wav"}, {dir.file("a.wav")}, dir.file("colosseum.scx"));
        ASSERT_TRUE(real.ok()) << real.error();
        auto map = MapArchiveReader::Open(dir.file("colosseum.scx"));
        ASSERT_TRUE(map.ok());
        EXPECT_EQ(map.value().ReadFile("staredit\\wav\\a.wav").value().size(), wav.size());
        EXPECT_EQ(map.value().ReadFile(TMyMPQ::kScenarioName).value(), scenario.value());
    }
}

TEST(TMyMPQWaves, AFullFileTableWithNamelessFilesIsRefusedWithTheCause) {
    TempDir dir;
    test::WriteBytes(dir.file("a.wav"), test::MakeWav(1000));
    test::MpqBuilder builder;
    builder.hashSlots = 2;
    builder.AddFile(TMyMPQ::kScenarioName, Pattern(4000, 21));
    builder.AddFile("staredit\\wav\\nobody-knows.wav", Pattern(300, 22));
    test::WriteBytes(dir.file("full.scm"), builder.Build());
    TMyMPQ mpq;
    const Status added =
        mpq.AddWavesToArchive({"staredit\\wav\\a.wav"}, {dir.file("a.wav")}, dir.file("full.scm"));
    ASSERT_FALSE(added.ok());
    EXPECT_NE(added.error().find("file table is full"), std::string::npos) << added.error();
    EXPECT_NE(added.error().find("names of 1 of its files are unknown"), std::string::npos) << added.error();
    EXPECT_EQ(test::ReadBytes(dir.file("full.scm")), builder.Build());
}

TEST(TMyMPQExtract, WritesTheFileAndCreatesFolders) {
    TempDir dir;
    test::WriteBytes(dir.file("scenario.chk"), Pattern(7000, 9));
    TMyMPQ mpq;
    ASSERT_TRUE(mpq.SaveScenarioToArchive(dir.file("map.scx"), dir.file("scenario.chk")).ok());
    const std::string out = dir.file("deep/er/out.chk");
    ASSERT_TRUE(mpq.ExtractFileFromArchive(dir.file("map.scx"), TMyMPQ::kScenarioName, out).ok());
    EXPECT_EQ(test::ReadBytes(out), Pattern(7000, 9));

    const Status missing = mpq.ExtractFileFromArchive(dir.file("map.scx"), "nothing", dir.file("n.bin"));
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error(), dir.file("map.scx") + ": nothing is not in the archive");
    EXPECT_FALSE(std::filesystem::exists(dir.file("n.bin")));
    EXPECT_FALSE(mpq.ExtractFileFromArchive(dir.file("absent.scx"), "x", dir.file("n.bin")).ok());
}

} // namespace
} // namespace orv
