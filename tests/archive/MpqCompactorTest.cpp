// The archive writer that compacts and enlarges archives the archive library will not: files
// without known names are carried in their hash slots, key-adjusted files are re-encrypted for
// their new places, and whatever cannot be carried faithfully is refused.

#include "archive/MpqCompactor.h"

#include "archive/MapArchiveReader.h"
#include "archive/MpqCrypto.h"
#include "support/MpqBuilder.h"
#include "support/MpqInspect.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <set>

namespace orv {
namespace {

using test::MpqBuilder;
using test::Pattern;

constexpr const char* kScenario = "staredit\\scenario.chk";
constexpr std::uint32_t kKeyAdjusted = 0x80030200; // exists, encrypted, key adjusted, compressed

std::vector<std::uint8_t> Text(const std::string& s) {
    return {s.begin(), s.end()};
}

test::RawArchive Raw(const std::vector<std::uint8_t>& bytes, std::uint64_t header = 0) {
    auto raw = test::ReadRawArchive(bytes, header);
    EXPECT_TRUE(raw.has_value());
    return raw.value_or(test::RawArchive{});
}

std::vector<std::uint8_t> ReadBack(const std::vector<std::uint8_t>& archive, const std::string& name) {
    auto reader = MapArchiveReader::FromBytes(archive);
    EXPECT_TRUE(reader.ok());
    if (!reader) {
        return {};
    }
    auto data = reader.value().ReadFile(name);
    EXPECT_TRUE(data.ok()) << name << ": " << (data ? "" : data.error());
    return data ? data.value() : std::vector<std::uint8_t>{};
}

// A map as a protector leaves it: no (listfile) entry for its extra files, which are encrypted
// with keys adjusted to their offsets, behind the space of a replaced scenario.
struct ProtectedMap {
    ProtectedMap() {
        builder.prefix = 1024; // junk before the header; the rewrite starts the file with it
        builder.AddFile(kScenario, Pattern(30000, 1), 0x80010200);
        builder.AddRawBlock(Pattern(9000, 2), 20000, 0x80000200); // an old scenario: no entry
        builder.AddFile("staredit\\wav\\hidden.wav", hidden, kKeyAdjusted);
        builder.AddFile("(listfile)", Text("staredit\\scenario.chk\r\n"), kKeyAdjusted);
    }
    const std::vector<std::uint8_t> hidden = Pattern(21000, 3); // six sectors
    MpqBuilder builder;
};

TEST(MpqCompactor, ReEncryptsKeyAdjustedFilesForTheirNewPlaces) {
    ProtectedMap map;
    const auto before = map.builder.Build();
    MpqRewriteReport report;
    auto after = MpqCompactor::Rewrite(before, {}, &report);
    ASSERT_TRUE(after.ok()) << after.error();

    // The unnamed file got its key from its sector table, the (listfile) from its name.
    EXPECT_EQ(report.rekeyedByTable, 1u);
    EXPECT_EQ(report.rekeyedByName, 1u);
    EXPECT_EQ(report.blocksDropped, 1u);
    EXPECT_EQ(report.blocksKept, 3u);
    EXPECT_EQ(after.value().size(), before.size() - 1024 - 9000 - 16);
    EXPECT_EQ(ReadBack(after.value(), "staredit\\wav\\hidden.wav"), map.hidden);
    EXPECT_EQ(ReadBack(after.value(), kScenario), Pattern(30000, 1));
    EXPECT_EQ(ReadBack(after.value(), "(listfile)"), Text("staredit\\scenario.chk\r\n"));

    // Stored bytes: unchanged once decrypted, though they moved and their keys changed.
    const auto old = Raw(before, 1024);
    const auto now = Raw(after.value());
    for (std::uint32_t i = 0; i < now.blocks.size(); ++i) {
        const std::uint32_t from = i == 0 ? 0 : i + 1;
        EXPECT_EQ(now.blocks[i].flags, old.blocks[from].flags);
        EXPECT_EQ(now.Decrypted(i), old.Decrypted(from)) << "block " << i;
    }
    EXPECT_NE(now.blocks[1].offset, old.blocks[2].offset)
        << "the file must have moved for the test to mean much";
    EXPECT_NE(now.Stored(1), old.Stored(2));
}

TEST(MpqCompactor, KeepsEveryHashEntryInItsSlot) {
    MpqBuilder builder;
    builder.hashSlots = 16;
    builder.AddFile(kScenario, Pattern(5000, 4));
    builder.AddRawBlock(Pattern(3000, 5), 3000, 0x80000000); // no entry points at it
    const std::uint32_t unnamed = builder.AddRawBlock(Pattern(700, 6), 700, 0x80000000);
    // A name whose walk starts at a deleted entry and ends one slot on: the deleted entry
    // must stay, or the walk would stop short of the file.
    const std::string behind = "staredit\\wav\\behind.wav";
    const std::uint32_t start = mpq::HashString(behind, mpq::HashType::TableOffset) & 15;
    const std::uint32_t behindBlock = builder.AddRawBlock(Pattern(900, 7), 900, 0x80000000);
    builder.SetRawHash(start, {1, 2, 0, 0, mpq::kHashEntryDeleted});
    builder.AddHash(behind, behindBlock, (start + 1) % 16);
    std::set<std::uint32_t> taken = {mpq::HashString(kScenario, mpq::HashType::TableOffset) & 15, start,
                                     (start + 1) % 16};
    ASSERT_EQ(taken.size(), 3u) << "pick another name: its walk meets the scenario's";
    auto freeSlot = [&] {
        std::uint32_t slot = 0;
        while (taken.count(slot)) {
            ++slot;
        }
        taken.insert(slot);
        return slot;
    };
    builder.SetRawHash(freeSlot(), {0x12345678, 0x9ABCDEF0, 0, 0, unnamed});
    const std::uint32_t dangling = freeSlot();
    builder.SetRawHash(dangling, {7, 8, 0, 0, 99}); // points past the block table
    const auto before = builder.Build();

    auto after = MpqCompactor::Rewrite(before, {});
    ASSERT_TRUE(after.ok()) << after.error();
    const auto old = Raw(before);
    const auto now = Raw(after.value());
    ASSERT_EQ(now.hashes.size(), 16u);
    ASSERT_EQ(now.blocks.size(), 3u);
    for (std::uint32_t slot = 0; slot < 16; ++slot) {
        SCOPED_TRACE(slot);
        const auto& o = old.hashes[slot];
        const auto& n = now.hashes[slot];
        EXPECT_EQ(n.nameA, o.nameA);
        EXPECT_EQ(n.nameB, o.nameB);
        EXPECT_EQ(n.locale, o.locale);
        if (o.block == mpq::kHashEntryEmpty || o.block == mpq::kHashEntryDeleted || slot == dangling) {
            EXPECT_EQ(n.block, slot == dangling ? mpq::kHashEntryDeleted : o.block);
        } else {
            ASSERT_LT(n.block, now.blocks.size());
            EXPECT_EQ(now.Stored(n.block), old.Stored(o.block));
            EXPECT_EQ(now.blocks[n.block].size, old.blocks[o.block].size);
        }
    }
    EXPECT_EQ(ReadBack(after.value(), behind), Pattern(900, 7));
}

TEST(MpqCompactor, EnlargesTheHashTableOnlyWhenEveryNameIsKnown) {
    MpqBuilder builder;
    builder.hashSlots = 1;
    builder.AddFile(kScenario, Pattern(6000, 8), kKeyAdjusted);
    const auto one = builder.Build();

    auto grown = MpqCompactor::Rewrite(one, {{}, std::nullopt, 4});
    ASSERT_TRUE(grown.ok()) << grown.error();
    EXPECT_EQ(Raw(grown.value()).hashes.size(), 4u);
    EXPECT_EQ(ReadBack(grown.value(), kScenario), Pattern(6000, 8));

    auto odd = MpqCompactor::Rewrite(one, {{}, std::nullopt, 3});
    ASSERT_FALSE(odd.ok());
    EXPECT_NE(odd.error().find("power of two"), std::string::npos) << odd.error();

    MpqBuilder nameless;
    nameless.hashSlots = 2;
    nameless.AddFile(kScenario, Pattern(6000, 8));
    nameless.AddFile("staredit\\wav\\secret.wav", Pattern(100, 9));
    const auto two = nameless.Build();
    auto refused = MpqCompactor::Rewrite(two, {{}, std::nullopt, 4});
    ASSERT_FALSE(refused.ok());
    EXPECT_NE(refused.error().find("names of 1 of its files are unknown"), std::string::npos)
        << refused.error();
    // Told the name, it can.
    auto named = MpqCompactor::Rewrite(two, {{"staredit\\wav\\secret.wav"}, std::nullopt, 4});
    ASSERT_TRUE(named.ok()) << named.error();
    EXPECT_EQ(ReadBack(named.value(), "staredit\\wav\\secret.wav"), Pattern(100, 9));
}

TEST(MpqCompactor, RefusesWhatItCannotCarryAndLeavesTheFileAlone) {
    test::TempDir dir;
    // An unnamed key-adjusted file stored without a sector table: nothing gives its key away.
    MpqBuilder builder;
    builder.AddFile(kScenario, Pattern(3000, 10));
    builder.AddRawBlock(Pattern(2000, 11), 2000, 0x80000000);
    builder.AddFile("staredit\\wav\\raw.wav", Pattern(500, 12), 0x80030000);
    test::WriteBytes(dir.file("raw.scx"), builder.Build());
    auto raw = MpqCompactor::RewriteFile(dir.file("raw.scx"), {});
    ASSERT_FALSE(raw.ok());
    EXPECT_NE(raw.error().find("no sector table"), std::string::npos) << raw.error();
    EXPECT_EQ(test::ReadBytes(dir.file("raw.scx")), builder.Build());
    // With its name it moves.
    auto named = MpqCompactor::RewriteFile(dir.file("raw.scx"),
                                           {{"staredit\\wav\\raw.wav"}, std::nullopt, std::nullopt});
    ASSERT_TRUE(named.ok()) << named.error();
    EXPECT_EQ(ReadBack(test::ReadBytes(dir.file("raw.scx")), "staredit\\wav\\raw.wav"), Pattern(500, 12));

    // Data past the end of the file.
    MpqBuilder cut;
    cut.AddFile(kScenario, Pattern(3000, 13));
    cut.blocks[0].packedSize += 100000;
    auto outside = MpqCompactor::Rewrite(cut.Build(), {});
    ASSERT_FALSE(outside.ok());
    EXPECT_NE(outside.error().find("outside the archive"), std::string::npos) << outside.error();

    // No archive at all, or tables past the end.
    EXPECT_FALSE(MpqCompactor::Rewrite(Pattern(4000, 14), {}).ok());
    MpqBuilder tables;
    tables.AddFile(kScenario, Pattern(3000, 15));
    tables.declaredHashCount = 4096;
    auto cutTables = MpqCompactor::Rewrite(tables.Build(), {});
    ASSERT_FALSE(cutTables.ok());
    EXPECT_FALSE(cutTables.error().empty());
    EXPECT_FALSE(MpqCompactor::RewriteFile(dir.file("absent.scx"), {}).ok());
}

} // namespace
} // namespace orv
