#include "archive/MapArchiveReader.h"

#include "archive/MpqCrypto.h"
#include "support/MpqBuilder.h"
#include "support/TestSupport.h"

#include <StormLib.h>
#include <gtest/gtest.h>
#include <random>

namespace orv {
namespace {

using test::MpqBuilder;
using test::Pattern;

constexpr const char* kScenario = "staredit\\scenario.chk";
constexpr std::uint32_t kCompressed = mpq::kFlagExists | mpq::kFlagCompress;
constexpr std::uint32_t kEncrypted = kCompressed | mpq::kFlagEncrypted | mpq::kFlagFixKey;

MapArchiveReader Open(const std::vector<std::uint8_t>& bytes) {
    auto reader = MapArchiveReader::FromBytes(bytes);
    EXPECT_TRUE(reader.ok()) << (reader.ok() ? "" : reader.error());
    return std::move(reader).value();
}

std::vector<std::uint8_t> ReadOk(const MapArchiveReader& reader, const char* name) {
    auto data = reader.ReadFile(name);
    EXPECT_TRUE(data.ok()) << (data.ok() ? "" : data.error());
    return data.ok() ? data.value() : std::vector<std::uint8_t>{};
}

TEST(MpqCrypto, TableKeysAreTheWellKnownValues) {
    EXPECT_EQ(mpq::HashString("(hash table)", mpq::HashType::FileKey), 0xC3AF3770u);
    EXPECT_EQ(mpq::HashString("(block table)", mpq::HashType::FileKey), 0xEC83B3A3u);
}

TEST(MpqCrypto, NamesHashWithoutRegardToCaseOrSlashDirection) {
    for (auto type : {mpq::HashType::TableOffset, mpq::HashType::NameA, mpq::HashType::NameB}) {
        EXPECT_EQ(mpq::HashString("staredit\\scenario.chk", type),
                  mpq::HashString("STAREDIT/Scenario.CHK", type));
    }
    EXPECT_NE(mpq::HashString("a", mpq::HashType::NameA), mpq::HashString("b", mpq::HashType::NameA));
}

TEST(MpqCrypto, EncryptionRoundTripsAndLeavesAPartialWordAlone) {
    std::vector<std::uint8_t> data = Pattern(4099, 7);
    const auto original = data;
    mpq::EncryptBlock(data, 0x12345678);
    EXPECT_NE(data, original);
    EXPECT_EQ(data[4098], original[4098]);
    mpq::DecryptBlock(data, 0x12345678);
    EXPECT_EQ(data, original);
}

TEST(MapArchiveReader, ReadsEveryStorageKind) {
    const auto big = Pattern(70000, 1);
    struct Case {
        const char* name;
        std::uint32_t flags;
        std::uint8_t method;
    } cases[] = {
        {"plain.bin", mpq::kFlagExists, 0},
        {"plain-encrypted.bin", mpq::kFlagExists | mpq::kFlagEncrypted, 0},
        {"pkware.bin", kCompressed, 0x08},
        {"zlib.bin", kCompressed, 0x02},
        {"bzip2.bin", kCompressed, 0x10},
        {"encrypted-fixkey.bin", kEncrypted, 0x08},
        {"imploded.bin", mpq::kFlagExists | mpq::kFlagImplode | mpq::kFlagEncrypted, 0},
    };
    MpqBuilder builder;
    for (const Case& c : cases) {
        builder.AddFile(c.name, big, c.flags, c.method);
    }
    builder.AddFile("empty.bin", {}, kCompressed);
    const MapArchiveReader reader = Open(builder.Build());
    for (const Case& c : cases) {
        EXPECT_EQ(ReadOk(reader, c.name), big) << c.name;
    }
    EXPECT_TRUE(ReadOk(reader, "empty.bin").empty());
    EXPECT_EQ(reader.ReadFile("missing.bin").error(), "missing.bin is not in the archive");
}

TEST(MapArchiveReader, FindsTheHeaderAtAnyFiveHundredTwelveByteBoundaryAndSkipsShortHeaders) {
    MpqBuilder builder;
    builder.prefix = 1024;
    // A fake header at 0 whose header-size field (16) is too small: the game passes it by.
    builder.prefixBytes = {'M', 'P', 'Q', 0x1A, 16, 0, 0, 0};
    builder.AddFile(kScenario, Pattern(5000, 2));
    const MapArchiveReader reader = Open(builder.Build());
    EXPECT_EQ(ReadOk(reader, kScenario), Pattern(5000, 2));
    EXPECT_EQ(reader.HeaderOffset(), 1024);
}

TEST(MapArchiveReader, AcceptsTablesBeforeTheHeaderAndAHugeHeaderSize) {
    MpqBuilder builder;
    builder.tablesBeforeHeader = true;
    builder.headerSize = 0xFFFFFFFF;
    builder.AddFile(kScenario, Pattern(9000, 3), kEncrypted);
    EXPECT_EQ(ReadOk(Open(builder.Build()), kScenario), Pattern(9000, 3));
}

TEST(MapArchiveReader, DropsTheTopBitsOfCountsAndBlockIndices) {
    MpqBuilder builder;
    builder.declaredHashCount = 0x70000000u | 16;
    builder.declaredBlockCount = 0x80000000u | 1;
    const auto block = builder.AddFile(kScenario, Pattern(3000, 4));
    builder.AddHash("(listfile)", block | 0x10000000u);
    const MapArchiveReader reader = Open(builder.Build());
    EXPECT_EQ(ReadOk(reader, kScenario), Pattern(3000, 4));
    EXPECT_EQ(ReadOk(reader, "(listfile)"), Pattern(3000, 4));
}

TEST(MapArchiveReader, UsesTheOddSectorShiftModuloThirtyTwo) {
    MpqBuilder builder;
    builder.sectorShift = 0xFFE3; // 0xE3 % 32 = 3: 4096-byte sectors
    builder.AddFile(kScenario, Pattern(20000, 5));
    EXPECT_EQ(ReadOk(Open(builder.Build()), kScenario), Pattern(20000, 5));
}

TEST(MapArchiveReader, StartsTheLookupAtHashAndCountMinusOneForOddTableSizes) {
    // 10 slots: the walk starts at hash & 9, not hash % 10; a decoy sits where % would land.
    MpqBuilder builder;
    builder.hashSlots = 10;
    const std::uint32_t hash = mpq::HashString(kScenario, mpq::HashType::TableOffset);
    const std::uint32_t gameSlot = hash & 9;
    const std::uint32_t moduloSlot = hash % 10;
    ASSERT_NE(gameSlot, moduloSlot);
    const auto decoy = builder.AddFile("decoy", Pattern(100, 9));
    const auto genuine = builder.AddFile("genuine", Pattern(100, 10));
    builder.AddHash(kScenario, decoy, moduloSlot);
    builder.AddHash(kScenario, genuine, gameSlot);
    // Keys depend on the name, so store both unencrypted: the block decodes under any name.
    EXPECT_EQ(ReadOk(Open(builder.Build()), kScenario), Pattern(100, 10));
}

TEST(MapArchiveReader, TriesEveryMatchingEntryUntilOneDecodes) {
    MpqBuilder builder;
    // A decoy block whose data lies far outside the file, entered first in the walk.
    const auto decoy = builder.AddRawBlock({1, 2, 3}, 5000, kCompressed);
    builder.blocks[decoy].offset = 0x7FFFFFF0;
    const std::uint32_t start = mpq::HashString(kScenario, mpq::HashType::TableOffset) & 15;
    builder.AddHash(kScenario, decoy, start);
    builder.AddFile(kScenario, Pattern(5000, 11)); // lands in the next slot of the walk
    EXPECT_EQ(ReadOk(Open(builder.Build()), kScenario), Pattern(5000, 11));
}

TEST(MapArchiveReader, FindsAnEntryBeyondAnEmptySlotWhenTheWalkFindsNothing) {
    MpqBuilder builder;
    const std::uint32_t start = mpq::HashString(kScenario, mpq::HashType::TableOffset) & 15;
    const auto block = builder.AddFile("x", Pattern(700, 12));
    builder.AddHash(kScenario, block, (start + 5) % 16);
    EXPECT_EQ(ReadOk(Open(builder.Build()), kScenario), Pattern(700, 12));
}

TEST(MapArchiveReader, AFullTableWithoutTheNameEndsTheWalk) {
    MpqBuilder builder;
    const auto block = builder.AddFile("x", Pattern(10, 1));
    for (std::uint32_t slot = 0; slot < 16; ++slot) {
        builder.SetRawHash(slot, {slot, slot, 0, 0, block});
    }
    auto result = Open(builder.Build()).ReadFile(kScenario);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error(), std::string(kScenario) + " is not in the archive");
}

TEST(MapArchiveReader, ZeroFillsASectorThatDecodesShort) {
    const auto data = Pattern(8192, 13);
    MpqBuilder builder;
    builder.AddFile(kScenario, data);
    auto bytes = builder.Build();
    // Cut the second sector's compressed stream in half by moving the table's last offset.
    const std::uint32_t fileStart = 32;
    const std::uint32_t second = bytes[fileStart + 4] | (bytes[fileStart + 5] << 8);
    const std::uint32_t end = bytes[fileStart + 8] | (bytes[fileStart + 9] << 8);
    // Re-implode just the first half of the sector so that it decodes to 2048 bytes.
    std::vector<std::uint8_t> half(data.begin() + 4096, data.begin() + 6144);
    std::vector<std::uint8_t> packed(8192);
    int packedSize = static_cast<int>(packed.size());
    ASSERT_TRUE(SCompCompress(packed.data(), &packedSize, half.data(), static_cast<int>(half.size()),
                              MPQ_COMPRESSION_PKWARE, 0, 0));
    ASSERT_LE(static_cast<std::uint32_t>(packedSize), end - second);
    std::copy_n(packed.begin(), packedSize, bytes.begin() + fileStart + second);
    const std::uint32_t newEnd = second + static_cast<std::uint32_t>(packedSize);
    bytes[fileStart + 8] = static_cast<std::uint8_t>(newEnd);
    bytes[fileStart + 9] = static_cast<std::uint8_t>(newEnd >> 8);
    const auto read = ReadOk(Open(bytes), kScenario);
    ASSERT_EQ(read.size(), data.size());
    EXPECT_TRUE(std::equal(read.begin(), read.begin() + 6144, data.begin()));
    EXPECT_TRUE(std::all_of(read.begin() + 6144, read.end(), [](std::uint8_t b) { return b == 0; }));
}

} // namespace
} // namespace orv
