#include "archive/CascFormat.h"

#include "support/CascBuilder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

using test::BlteForm;
using test::EncodeBlte;
using test::Pattern;
using test::Text;

std::vector<std::uint8_t> Be(std::uint64_t value, int width) {
    std::vector<std::uint8_t> out;
    for (int i = width - 1; i >= 0; --i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
    return out;
}

void Append(std::vector<std::uint8_t>& to, const std::vector<std::uint8_t>& bytes) {
    to.insert(to.end(), bytes.begin(), bytes.end());
}

// A BLTE stream with a block table over the given blocks (mode byte included) and decoded sizes.
std::vector<std::uint8_t> Table(const std::vector<std::vector<std::uint8_t>>& blocks,
                                const std::vector<std::uint32_t>& decoded) {
    std::vector<std::uint8_t> out{'B', 'L', 'T', 'E'};
    Append(out, Be(12 + 24 * blocks.size(), 4));
    out.push_back(0x0F);
    Append(out, Be(blocks.size(), 3));
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        Append(out, Be(blocks[i].size(), 4));
        Append(out, Be(decoded[i], 4));
        out.insert(out.end(), 16, 0);
    }
    for (const auto& block : blocks) {
        Append(out, block);
    }
    return out;
}

std::string Error(const Result<std::vector<std::uint8_t>>& result) {
    return result ? std::string("(decoded)") : result.error();
}

TEST(Blte, EveryFormTheGameUsesDecodes) {
    const auto data = Pattern(10000, 3);
    for (BlteForm form : {BlteForm::Stored, BlteForm::Zlib, BlteForm::Blocks, BlteForm::NoTable}) {
        SCOPED_TRACE(static_cast<int>(form));
        auto decoded = casc::DecodeBlte(EncodeBlte(data, form, 999));
        ASSERT_TRUE(decoded.ok()) << decoded.error();
        EXPECT_EQ(decoded.value(), data);
    }
    auto empty = casc::DecodeBlte(EncodeBlte({}, BlteForm::Stored));
    ASSERT_TRUE(empty.ok());
    EXPECT_TRUE(empty.value().empty());
}

TEST(Blte, OtherBlockKindsAreRefusedByName) {
    EXPECT_NE(Error(casc::DecodeBlte(Table({{'4', 1, 2}}, {2}))).find("LZ4"), std::string::npos);
    EXPECT_NE(Error(casc::DecodeBlte(Table({{'F', 1, 2}}, {2}))).find("nested BLTE"), std::string::npos);
    EXPECT_NE(Error(casc::DecodeBlte(Table({{'E', 1, 2}}, {2}))).find("encrypted"), std::string::npos);
    EXPECT_NE(Error(casc::DecodeBlte(Table({{'N', 1}, {'X', 1}}, {1, 1})))
                  .find("block 1 has the unknown kind 0x58"),
              std::string::npos);
}

TEST(Blte, TablesThatDoNotFitTheirBytesAreRefused) {
    const auto good = EncodeBlte(Pattern(3000, 1), BlteForm::Blocks, 1000);
    // Truncated, extended, a header size beyond the stream, a zero block count, a wrong flag.
    auto shorter = good;
    shorter.pop_back();
    auto longer = good;
    longer.push_back(0);
    auto hugeHeader = good;
    hugeHeader[4] = 0x7F;
    auto noBlocks = Table({}, {});
    auto flag = good;
    flag[8] = 0x10;
    for (const auto& bad : {shorter, longer, hugeHeader, noBlocks, flag}) {
        EXPECT_FALSE(casc::DecodeBlte(bad).ok());
    }
    EXPECT_NE(Error(casc::DecodeBlte(Text("BLT"))).find("not BLTE"), std::string::npos);
}

TEST(Blte, DecodedSizesMustMatchTheTable) {
    EXPECT_NE(Error(casc::DecodeBlte(Table({{'N', 1, 2, 3}}, {4}))).find("holds 3 bytes, its table says 4"),
              std::string::npos);
    // A zlib block that decodes to more, or fewer, bytes than its table entry.
    auto zlib = EncodeBlte(Pattern(500, 2), BlteForm::Zlib);
    auto more = zlib;
    more[16 + 3] = 200; // decoded size 500 -> 456
    EXPECT_NE(Error(casc::DecodeBlte(more)).find("more bytes than its table says"), std::string::npos);
    auto fewer = zlib;
    fewer[16 + 2] = 3; // 500 -> 1012
    EXPECT_NE(Error(casc::DecodeBlte(fewer)).find("decodes to 500 bytes"), std::string::npos);
    // A damaged zlib stream.
    auto damaged = zlib;
    damaged[zlib.size() - 8] ^= 0xFF;
    EXPECT_FALSE(casc::DecodeBlte(damaged).ok());
    auto cut = Table({{'Z', 0x78, 0x9C, 0x01}}, {5});
    EXPECT_NE(Error(casc::DecodeBlte(cut)).find("not a complete zlib stream"), std::string::npos);
}

TEST(Blte, ClaimsAndBombsBeyondTheLimitAllocateNothing) {
    // 4 x 4 GiB claimed by a table of tiny blocks: refused before any allocation.
    const auto claims = Table({{'N'}, {'N'}, {'N'}, {'N'}}, {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF});
    EXPECT_NE(Error(casc::DecodeBlte(claims)).find("more than any game file"), std::string::npos);
    // A zlib block without a table that inflates beyond the limit stops at the limit.
    const auto bomb = EncodeBlte(std::vector<std::uint8_t>(1 << 20, 0), BlteForm::NoTable);
    EXPECT_NE(Error(casc::DecodeBlte(bomb, 4096)).find("larger than any game file"), std::string::npos);
    EXPECT_TRUE(casc::DecodeBlte(bomb, 1 << 20).ok());
}

std::vector<std::uint8_t> IndexFile(const std::vector<std::vector<std::uint8_t>>& entries,
                                    std::uint16_t version = 7, std::uint32_t claimed = 0xFFFFFFFF) {
    std::vector<std::uint8_t> idx{
        16, 0, 0, 0, 0, 0, 0, 0, static_cast<std::uint8_t>(version), static_cast<std::uint8_t>(version >> 8),
        3,  0, 4, 5, 9, 30};
    idx.resize(0x20, 0);
    const std::uint32_t length =
        claimed != 0xFFFFFFFF ? claimed : static_cast<std::uint32_t>(entries.size() * 18);
    for (int i = 0; i < 4; ++i) {
        idx.push_back(static_cast<std::uint8_t>(length >> (8 * i)));
    }
    idx.insert(idx.end(), 4, 0);
    for (const auto& entry : entries) {
        Append(idx, entry);
    }
    return idx;
}

std::vector<std::uint8_t> Entry(std::uint8_t key, std::uint64_t location, std::uint32_t size) {
    std::vector<std::uint8_t> entry(9, key);
    Append(entry, Be(location, 5));
    for (int i = 0; i < 4; ++i) {
        entry.push_back(static_cast<std::uint8_t>(size >> (8 * i)));
    }
    return entry;
}

TEST(LocalIndex, EntriesSplitArchiveAndOffsetAndSkipPlaceholders) {
    const auto idx = IndexFile({Entry(1, (std::uint64_t{5} << 30) | 123456, 100), Entry(2, 0, 30),
                                Entry(3, (std::uint64_t{1023} << 30) | 0x3FFFFFFF, 0x01020304)});
    auto entries = casc::ParseIndex(idx);
    ASSERT_TRUE(entries.ok()) << entries.error();
    ASSERT_EQ(entries.value().size(), 2u); // the 30-byte placeholder is left out
    EXPECT_EQ(entries.value()[0].key[8], 1);
    EXPECT_EQ(entries.value()[0].archive, 5);
    EXPECT_EQ(entries.value()[0].offset, 123456u);
    EXPECT_EQ(entries.value()[0].size, 100u); // little-endian
    EXPECT_EQ(entries.value()[1].archive, 1023);
    EXPECT_EQ(entries.value()[1].offset, 0x3FFFFFFFu);
    EXPECT_EQ(entries.value()[1].size, 0x01020304u);
}

TEST(LocalIndex, UnknownLayoutsAndOverlongClaimsAreRefused) {
    EXPECT_NE(casc::ParseIndex(IndexFile({}, 8)).error().find("version 8"), std::string::npos);
    auto widths = IndexFile({});
    widths[14] = 16;
    EXPECT_NE(casc::ParseIndex(widths).error().find("unknown entry layout"), std::string::npos);
    EXPECT_NE(casc::ParseIndex(IndexFile({Entry(1, 0, 99)}, 7, 36)).error().find("only 18 follow"),
              std::string::npos);
    EXPECT_FALSE(casc::ParseIndex(Pattern(20, 1)).ok());
    // A trailing partial entry is no entry.
    auto partial = IndexFile({Entry(1, 0, 99)}, 7, 30);
    partial.resize(partial.size() + 12, 0);
    auto parsed = casc::ParseIndex(partial);
    ASSERT_TRUE(parsed.ok());
    EXPECT_EQ(parsed.value().size(), 1u);
}

TEST(LocalIndex, RecordHeadersAreComparedOverNineReversedBytes) {
    casc::IndexKey key{1, 2, 3, 4, 5, 6, 7, 8, 9};
    std::vector<std::uint8_t> header(30, 0);
    for (std::size_t i = 0; i < 9; ++i) {
        header[15 - i] = key[i];
    }
    EXPECT_TRUE(casc::RecordHeaderMatches(header, key)); // only nine key bytes, then zeros
    header[0] = 0xAB;                                    // beyond the ninth byte: not compared
    EXPECT_TRUE(casc::RecordHeaderMatches(header, key));
    header[7] ^= 1;
    EXPECT_FALSE(casc::RecordHeaderMatches(header, key));
    EXPECT_FALSE(casc::RecordHeaderMatches(Pattern(10, 1), key));
}

std::vector<std::uint8_t> Encoding(std::uint32_t pages, const std::vector<std::uint8_t>& pageBytes) {
    std::vector<std::uint8_t> table{'E', 'N', 1, 16, 16, 0, 4, 0, 4};
    Append(table, Be(pages, 4));
    Append(table, Be(0, 4));
    table.push_back(0);
    Append(table, Be(0, 4));
    for (std::uint32_t p = 0; p < pages; ++p) {
        table.insert(table.end(), 32, 0);
    }
    Append(table, pageBytes);
    return table;
}

std::vector<std::uint8_t> EncodingEntry(std::uint8_t ckey, std::uint8_t ekey, std::uint8_t ekeys = 1) {
    std::vector<std::uint8_t> entry{ekeys, 0, 0, 0, 1, 0};
    entry.insert(entry.end(), 16, ckey);
    for (int i = 0; i < ekeys; ++i) {
        entry.insert(entry.end(), 16, static_cast<std::uint8_t>(ekey + i));
    }
    return entry;
}

TEST(EncodingTable, CKeyPagesMapContentToEncodedKeys) {
    std::vector<std::uint8_t> page;
    Append(page, EncodingEntry(9, 90));
    Append(page, EncodingEntry(4, 40, 2)); // two EKeys: the first counts
    page.resize(4096, 0);                  // a count of 0 ends the page
    std::vector<std::uint8_t> second = EncodingEntry(7, 70);
    second.resize(4096, 0);
    Append(page, second);
    auto entries = casc::ParseEncoding(Encoding(2, page));
    ASSERT_TRUE(entries.ok()) << entries.error();
    ASSERT_EQ(entries.value().size(), 3u);
    EXPECT_EQ(entries.value()[0].ckey[0], 4); // sorted by content key
    EXPECT_EQ(entries.value()[0].ekey[0], 40);
    EXPECT_EQ(entries.value()[2].ekey[15], 90);
}

TEST(EncodingTable, PagesBeyondTheTableAndOtherLayoutsAreRefused) {
    auto manyPages = Encoding(0, {});
    manyPages[9] = 0x7F; // 2^31 pages claimed by a 22-byte table
    EXPECT_NE(casc::ParseEncoding(manyPages).error().find("more than its"), std::string::npos);
    EXPECT_NE(
        casc::ParseEncoding(Encoding(3, std::vector<std::uint8_t>(8000, 0))).error().find("more than its"),
        std::string::npos);
    auto version = Encoding(0, {});
    version[2] = 2;
    EXPECT_NE(casc::ParseEncoding(version).error().find("version 2"), std::string::npos);
    auto keys = Encoding(0, {});
    keys[3] = 9;
    EXPECT_NE(casc::ParseEncoding(keys).error().find("9- and 16-byte keys"), std::string::npos);
    EXPECT_FALSE(casc::ParseEncoding(Text("EN")).ok());
    // An entry that runs past its page ends the page rather than reading beyond it.
    std::vector<std::uint8_t> page;
    for (int i = 0; i < 107; ++i) { // 107 x 38 bytes: 30 bytes of the page remain
        Append(page, EncodingEntry(static_cast<std::uint8_t>(i + 1), 2));
    }
    Append(page, EncodingEntry(200, 2, 3)); // 70 bytes
    page.resize(4096);
    auto clipped = casc::ParseEncoding(Encoding(1, page));
    ASSERT_TRUE(clipped.ok());
    EXPECT_EQ(clipped.value().size(), 107u);
}

TEST(RootFile, PathLinesWithKeysAreRead) {
    const std::string key = "0123456789abcdef0123456789ABCDEF";
    std::size_t skipped = 0;
    auto root = casc::ParseRoot("arr/units.dat|" + key + "\r\nTileSet/Jungle.vx4ex|" + key +
                                    "|extra\r\n\r\nno key here\nbad|0123\n|" + key + "\nunit/last.grp|" + key,
                                &skipped);
    ASSERT_TRUE(root.ok()) << root.error();
    ASSERT_EQ(root.value().size(), 3u);
    EXPECT_EQ(root.value()[1].path, "TileSet/Jungle.vx4ex");
    EXPECT_EQ(root.value()[2].path, "unit/last.grp");
    EXPECT_EQ(casc::KeyText(root.value()[0].ckey), "0123456789abcdef0123456789abcdef");
    EXPECT_EQ(skipped, 3u);
    EXPECT_NE(casc::ParseRoot("nothing\r\nat all").error().find("lists no files"), std::string::npos);
}

TEST(BuildFiles, TheActiveBuildAndItsTablesAreFound) {
    auto info = casc::ParseBuildInfo("Branch!STRING:0|Active!DEC:1|Build Key!HEX:16|Product!STRING:0\r\n"
                                     "eu|0|aaaa|\r\nus|1|bbbb|\r\n");
    ASSERT_TRUE(info.ok()) << info.error();
    EXPECT_EQ(info.value()["Build Key"], "bbbb");
    EXPECT_EQ(info.value()["Product"], ""); // empty, as the game leaves it
    auto single = casc::ParseBuildInfo("Build Key!HEX:16|Active!DEC:1\ncccc|0\n");
    ASSERT_TRUE(single.ok());
    EXPECT_EQ(single.value()["Build Key"], "cccc");
    EXPECT_NE(casc::ParseBuildInfo("Active!DEC:1\n1\n").error().find("\"Build Key\""), std::string::npos);
    EXPECT_NE(
        casc::ParseBuildInfo("Build Key!HEX:16|Active!DEC:1\na|0\nb|0\n").error().find("no build as active"),
        std::string::npos);

    const std::string k1(32, 'a'), k2(32, 'b'), k3(32, 'c');
    auto config = casc::ParseBuildConfig("# Build Configuration\n\nroot = " + k1 + "\nencoding = " + k2 +
                                         " " + k3 + "  # comment\nencoding-size = 1 2\n");
    ASSERT_TRUE(config.ok()) << config.error();
    EXPECT_EQ(casc::KeyText(config.value().rootCKey), k1);
    EXPECT_EQ(casc::KeyText(config.value().encodingEKey), k3); // the second key is the encoded one
    EXPECT_NE(casc::ParseBuildConfig("root = " + k1).error().find("no encoding table"), std::string::npos);
    EXPECT_NE(casc::ParseBuildConfig("encoding = " + k1 + " " + k2).error().find("no root"),
              std::string::npos);
}

} // namespace
} // namespace orv
