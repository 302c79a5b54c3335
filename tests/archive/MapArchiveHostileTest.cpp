// Damaged and deliberately malformed archives end in clear errors, never in a crash or a
// read outside the buffer (the sanitizer build runs these too).

#include "archive/MapArchiveReader.h"
#include "archive/MpqCrypto.h"
#include "support/HostileMaps.h"
#include "support/MpqBuilder.h"
#include "support/TestSupport.h"

#include <StormLib.h>
#include <functional>
#include <gtest/gtest.h>
#include <random>

namespace orv {
namespace {

using test::MpqBuilder;
using test::Pattern;

constexpr const char* kScenario = "staredit\\scenario.chk";
constexpr std::uint32_t kCompressed = mpq::kFlagExists | mpq::kFlagCompress;
constexpr std::uint32_t kEncrypted = kCompressed | mpq::kFlagEncrypted | mpq::kFlagFixKey;

std::vector<std::uint8_t> SampleArchive() {
    MpqBuilder builder;
    builder.AddFile(kScenario, Pattern(30000, 21), kEncrypted);
    builder.AddFile("(listfile)", {'a', '\r', '\n'}, kCompressed);
    builder.AddFile("staredit\\wav\\x.wav", Pattern(9000, 22), kCompressed, 0x41);
    return builder.Build();
}

std::string ErrorOf(const std::vector<std::uint8_t>& bytes) {
    auto reader = MapArchiveReader::FromBytes(bytes);
    if (!reader) {
        return reader.error();
    }
    auto data = reader.value().ReadFile(kScenario);
    return data.ok() ? std::string("ok") : data.error();
}

TEST(MapArchiveHostile, EmptyAndForeignFilesAreNotArchives) {
    EXPECT_EQ(ErrorOf({}), "not a map archive (no archive header found)");
    EXPECT_EQ(ErrorOf(Pattern(5000, 1)), "not a map archive (no archive header found)");
    // A header cut off before its 32 bytes end.
    EXPECT_EQ(ErrorOf({'M', 'P', 'Q', 0x1A, 32, 0, 0, 0}), "not a map archive (no archive header found)");
}

TEST(MapArchiveHostile, TablesPastTheEndOfTheFileGiveAClearError) {
    auto bytes = SampleArchive();
    // Cut the file just after the data: both tables are gone.
    bytes.resize(bytes.size() - 16 * 16 - 3 * 16);
    EXPECT_EQ(ErrorOf(bytes),
              std::string("cannot read ") + kScenario +
                  ": the archive's hash table lies past the end of the file (the archive is cut short)");
}

TEST(MapArchiveHostile, AMissingBlockTableGivesAClearError) {
    auto bytes = SampleArchive();
    bytes.resize(bytes.size() - 3 * 16);
    EXPECT_EQ(ErrorOf(bytes), std::string("cannot read ") + kScenario +
                                  ": the archive's block table is cut short or damaged");
}

TEST(MapArchiveHostile, DamagedBlocksGiveClearErrors) {
    struct Case {
        const char* what;
        std::function<void(MpqBuilder::Block&)> damage;
        const char* message;
    } cases[] = {
        {"impossible size", [](auto& b) { b.size = 0xFFFFFFF0; },
         "the archive gives it an impossible size (4294967280 bytes)"},
        {"data before the file", [](auto& b) { b.offset = 0x80000000; },
         "its data lies outside the archive file"},
        {"data after the file", [](auto& b) { b.offset = 0x7FFFFFFF; },
         "its data lies outside the archive file"},
        {"sector table past the end", [](auto& b) { b.size = 60u << 20; },
         "its sector table runs past the end of the archive file"},
    };
    for (const Case& c : cases) {
        MpqBuilder builder;
        builder.AddFile(kScenario, Pattern(30000, 21), kCompressed);
        c.damage(builder.blocks[0]);
        EXPECT_EQ(ErrorOf(builder.Build()), std::string("cannot read ") + kScenario + ": " + c.message)
            << c.what;
    }
}

TEST(MapArchiveHostile, DamagedSectorTablesGiveClearErrors) {
    MpqBuilder builder;
    builder.AddFile(kScenario, Pattern(30000, 21), kCompressed);
    const auto clean = builder.Build();
    const std::size_t table = 32; // the file's sector table follows the header

    auto reversed = clean;
    reversed[table + 4] = 0; // sector 1 ends before it begins
    reversed[table + 5] = 0;
    EXPECT_EQ(ErrorOf(reversed),
              std::string("cannot read ") + kScenario + ": its sector table is damaged (sector 0)");

    auto overlong = clean;
    overlong[table + 11] = 0x7F; // sector 1 claims 2 GiB of raw data, then sector 2 starts past its end
    EXPECT_EQ(ErrorOf(overlong),
              std::string("cannot read ") + kScenario + ": its sector table is damaged (sector 2)");

    MpqBuilder tail;
    tail.tablesBeforeHeader = true; // the file's data ends the archive
    tail.AddFile(kScenario, Pattern(30000, 21), kCompressed);
    auto cut = tail.Build();
    cut.resize(cut.size() - 10);
    EXPECT_EQ(ErrorOf(cut),
              std::string("cannot read ") + kScenario + ": sector 7 lies past the end of the archive file");

    auto unknownMethod = clean;
    unknownMethod[table + 36] = 0x04; // the first sector's method byte names no method
    EXPECT_EQ(ErrorOf(unknownMethod),
              std::string("cannot read ") + kScenario + ": sector 0 uses an unknown compression (4)");
    auto lzma = clean;
    lzma[table + 36] = 0x12; // a later game's method that the archive library only asserts on
    EXPECT_EQ(ErrorOf(lzma),
              std::string("cannot read ") + kScenario + ": sector 0 uses an unknown compression (18)");
    auto garbage = clean;
    garbage[table + 37] ^= 0xFF; // the implode stream's header
    garbage[table + 38] ^= 0xFF;
    EXPECT_EQ(ErrorOf(garbage), std::string("cannot read ") + kScenario + ": sector 0 does not decompress");
}

TEST(MapArchiveHostile, ReadsASectoredFileFlaggedSingleUnitAsSectors) {
    MpqBuilder builder;
    builder.AddFile(kScenario, Pattern(30000, 23), kCompressed | mpq::kFlagSingleUnit);
    auto reader = MapArchiveReader::FromBytes(builder.Build());
    ASSERT_TRUE(reader.ok());
    auto data = reader.value().ReadFile(kScenario);
    ASSERT_TRUE(data.ok()) << data.error();
    EXPECT_EQ(data.value(), Pattern(30000, 23));
}

TEST(MapArchiveHostile, MalformedSoundDataCannotCrashTheReader) {
    // Sectors that claim Huffman coding but hold noise: the archive library's decoder
    // crashes on some of them, so they are decoded in a child process.
    std::mt19937 random(99);
    int errors = 0;
    for (int round = 0; round < 40; ++round) {
        std::vector<std::uint8_t> noise(3000);
        for (auto& b : noise) {
            b = static_cast<std::uint8_t>(random());
        }
        noise[0] = 0x01; // Huffman
        MpqBuilder builder;
        const std::size_t end = 8 + noise.size();
        std::vector<std::uint8_t> raw(end, 0);
        raw[0] = 8; // the sector table: one sector from byte 8 to the end
        raw[4] = static_cast<std::uint8_t>(end & 0xFF);
        raw[5] = static_cast<std::uint8_t>(end >> 8);
        std::copy(noise.begin(), noise.end(), raw.begin() + 8);
        const auto index = builder.AddRawBlock(raw, 4000, kCompressed);
        builder.AddHash("staredit\\wav\\x.wav", index);
        auto reader = MapArchiveReader::FromBytes(builder.Build());
        ASSERT_TRUE(reader.ok());
        auto data = reader.value().ReadFile("staredit\\wav\\x.wav");
        if (!data) {
            ++errors;
            EXPECT_FALSE(data.error().empty());
        }
    }
    EXPECT_GT(errors, 0);
}

TEST(MapArchiveHostile, EveryTruncationEndsCleanly) {
    const auto clean = SampleArchive();
    for (std::size_t size = 0; size < clean.size(); size += 97) {
        std::vector<std::uint8_t> cut(clean.begin(), clean.begin() + static_cast<std::ptrdiff_t>(size));
        const std::string result = ErrorOf(cut);
        EXPECT_FALSE(result.empty());
        auto reader = MapArchiveReader::FromBytes(cut);
        if (reader) {
            (void)reader.value().ListFiles();
        }
    }
}

TEST(MapArchiveHostile, RandomDamageNeverCrashes) {
    const auto clean = SampleArchive();
    std::mt19937 random(1234);
    for (int round = 0; round < 400; ++round) {
        auto bytes = clean;
        const int flips = 1 + static_cast<int>(random() % 8);
        for (int i = 0; i < flips; ++i) {
            bytes[random() % bytes.size()] = static_cast<std::uint8_t>(random());
        }
        auto reader = MapArchiveReader::FromBytes(bytes);
        if (!reader) {
            continue;
        }
        for (const char* name : {kScenario, "(listfile)", "staredit\\wav\\x.wav"}) {
            auto data = reader.value().ReadFile(name);
            if (data) {
                EXPECT_LE(data.value().size(), MapArchiveReader::kMaxFileSize);
            } else {
                EXPECT_FALSE(data.error().empty());
            }
        }
        (void)reader.value().ListFiles();
    }
}

TEST(MapArchiveHostile, HeadersPastTheFirstAreReadOnlyWhileTheirTablesFitTheFile) {
    // Every 512-byte boundary holds a header whose tables cover the whole file: each one
    // would decrypt the file again.
    for (std::size_t size : {std::size_t{1} << 20, std::size_t{4} << 20}) {
        auto reader = MapArchiveReader::FromBytes(test::ManyHeaders(size));
        ASSERT_TRUE(reader.ok());
        EXPECT_EQ(reader.value().HeaderCount(), 1u) << size;
        const auto data = reader.value().ReadFile(kScenario);
        ASSERT_FALSE(data.ok());
        EXPECT_EQ(data.error(), std::string(kScenario) + " is not in the archive");
    }
    // A real archive first: it is the one read, whatever follows.
    auto reader = MapArchiveReader::FromBytes(test::ManyHeaders(1 << 20, SampleArchive()));
    ASSERT_TRUE(reader.ok());
    EXPECT_EQ(reader.value().HeaderOffset(), 0);
    auto data = reader.value().ReadFile(kScenario);
    ASSERT_TRUE(data.ok()) << data.error();
    EXPECT_EQ(data.value(), Pattern(30000, 21));
    // Several small archives one after another are all still there.
    std::vector<std::uint8_t> stacked;
    for (int i = 0; i < 6; ++i) {
        auto one = SampleArchive();
        one.resize((one.size() + 511) / 512 * 512, 0);
        stacked.insert(stacked.end(), one.begin(), one.end());
    }
    reader = MapArchiveReader::FromBytes(stacked);
    ASSERT_TRUE(reader.ok());
    EXPECT_EQ(reader.value().HeaderCount(), 6u);
}

TEST(MapArchiveHostile, EveryNameOfALongListfileIsFoundAsTheWalkFindsIt) {
    const auto names = test::ManyNames(100'000);
    auto reader = MapArchiveReader::FromBytes(test::ArchiveOf(Pattern(5000, 3), names, 100, 65536));
    ASSERT_TRUE(reader.ok());
    const auto listed = reader.value().ListfileNames();
    ASSERT_EQ(listed.size(), names.size() + 1);
    std::size_t found = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        auto data = reader.value().ReadFile(names[i]);
        if (i % 100 == 0) {
            ASSERT_TRUE(data.ok()) << names[i] << ": " << data.error();
            EXPECT_EQ(std::string(data.value().begin(), data.value().end()), names[i]);
            ++found;
        } else {
            ASSERT_FALSE(data.ok());
            EXPECT_EQ(data.error(), names[i] + " is not in the archive");
        }
    }
    EXPECT_EQ(found, 1000u);
    EXPECT_EQ(reader.value().ReadFile(kScenario).value(), Pattern(5000, 3));
}

TEST(MapArchiveHostile, TheWalkOrderDecidesBetweenCopiesOfAName) {
    // Three copies of the name: one past an empty slot (found only after the walk), two on
    // the walk; the first on the walk that decodes is the one read, wherever the table wraps.
    for (std::uint32_t shift : {0u, 5u, 12u}) {
        MpqBuilder builder;
        const std::uint32_t start = mpq::HashString(kScenario, mpq::HashType::TableOffset) & 15;
        const auto broken = builder.AddRawBlock({1, 2, 3}, 3000, kCompressed);
        builder.blocks[broken].offset = 0x7FFFFFFF; // its data lies outside the file
        const auto good = builder.AddRawBlock(
            test::EncodeSectors(Pattern(3000, 1), 4096, kCompressed, 0x08, 0), 3000, kCompressed);
        const auto decoy = builder.AddRawBlock(
            test::EncodeSectors(Pattern(3000, 2), 4096, kCompressed, 0x08, 0), 3000, kCompressed);
        const std::uint32_t walk = (start + shift) % 16;
        // slot start .. walk: filler that does not match, then the broken copy, the good one.
        for (std::uint32_t s = start; s != walk; s = (s + 1) % 16) {
            builder.AddHash("filler" + std::to_string(s), good, s);
        }
        builder.AddHash(kScenario, broken, walk);
        builder.AddHash(kScenario, good, (walk + 1) % 16);
        // an empty slot, then a copy the walk never reaches
        builder.AddHash(kScenario, decoy, (walk + 3) % 16);
        auto reader = MapArchiveReader::FromBytes(builder.Build());
        ASSERT_TRUE(reader.ok());
        auto data = reader.value().ReadFile(kScenario);
        ASSERT_TRUE(data.ok()) << data.error();
        EXPECT_EQ(data.value(), Pattern(3000, 1)) << shift;
    }
}

TEST(MapArchiveHostile, ThousandsOfNamesForOneLargeFileStopAtTheDecodeBudget) {
    // One 60 MiB file of zeros, packed sector by sector, and many names for it: each name
    // decodes it again. The reader stops once it has decoded its budget.
    constexpr std::uint32_t kSize = 60u << 20;
    std::vector<std::uint8_t> zeros(4096, 0);
    std::vector<std::uint8_t> packed(8192);
    int packedSize = static_cast<int>(packed.size());
    ASSERT_TRUE(SCompImplode(packed.data(), &packedSize, zeros.data(), 4096));
    packed.resize(static_cast<std::size_t>(packedSize));
    const std::uint32_t sectors = kSize / 4096;
    std::vector<std::uint8_t> raw;
    for (std::uint32_t i = 0; i <= sectors; ++i) {
        const std::uint32_t offset = (sectors + 1) * 4 + i * static_cast<std::uint32_t>(packed.size());
        for (int b = 0; b < 4; ++b)
            raw.push_back(static_cast<std::uint8_t>(offset >> (8 * b)));
    }
    for (std::uint32_t i = 0; i < sectors; ++i) {
        raw.insert(raw.end(), packed.begin(), packed.end());
    }
    MpqBuilder builder;
    builder.hashSlots = 4096;
    const auto block = builder.AddRawBlock(raw, kSize, mpq::kFlagExists | mpq::kFlagImplode);
    for (int i = 0; i < 3000; ++i) {
        builder.AddHash("copy" + std::to_string(i), block);
    }
    const auto bytes = builder.Build();
    auto reader = MapArchiveReader::FromBytes(bytes);
    ASSERT_TRUE(reader.ok());
    const std::uint64_t budget =
        MapArchiveReader::kDecodeBudgetBase + MapArchiveReader::kDecodeBudgetPerByte * bytes.size();
    int read = 0;
    std::string refusal;
    for (int i = 0; i < 3000; ++i) {
        auto data = reader.value().ReadFile("copy" + std::to_string(i));
        if (data) {
            EXPECT_EQ(data.value().size(), kSize);
            ++read;
        } else if (refusal.empty()) {
            refusal = data.error();
        }
    }
    EXPECT_EQ(read, static_cast<int>(budget / kSize));
    EXPECT_EQ(refusal, "cannot read copy" + std::to_string(read) +
                           ": the archive's files decode to more than " + std::to_string(budget >> 20) +
                           " MiB in all, more than any real map holds");
    // Listing them describes them without decoding each again.
    EXPECT_EQ(reader.value().ListFiles().size(), 3000u);
}

TEST(MapArchiveHostile, FilesLargerThanAnyMapHoldsAreRefused) {
    MpqBuilder builder;
    builder.AddFile(kScenario, Pattern(3000, 21), kCompressed);
    builder.blocks[0].size = MapArchiveReader::kMaxFileSize + 1;
    EXPECT_EQ(ErrorOf(builder.Build()), std::string("cannot read ") + kScenario +
                                            ": the archive gives it an impossible size (67108865 bytes)");
}

} // namespace
} // namespace orv
