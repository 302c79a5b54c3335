#include "scenario/StringTable.h"

#include <cstring>
#include <gtest/gtest.h>

namespace orv {
namespace {

std::uint16_t Offset(const std::vector<std::uint8_t>& data, std::size_t entry) {
    return ReadLEOr<std::uint16_t>(data, 2 + 2 * entry, 0);
}

StringTable Table(std::vector<std::string> texts) {
    StringTable t;
    t.Entries = std::move(texts);
    t.Entries.resize(std::max<std::size_t>(t.Entries.size(), 1024));
    return t;
}

TEST(StringTable, WritesEachTextAfterANulWithItsOffset) {
    const auto written = Table({"Map Name", "", "Force 1"}).Write();
    ASSERT_TRUE(written.ok());
    const auto& data = written.value();
    EXPECT_EQ(data.size(), 2068u);
    EXPECT_EQ(data.back(), 0) << "the last text ends with a NUL, as every other one";
    EXPECT_EQ(ReadLEOr<std::uint16_t>(data, 0, 0), 1024);
    EXPECT_EQ(Offset(data, 0), 2051);
    EXPECT_EQ(Offset(data, 1), 2050);
    EXPECT_EQ(Offset(data, 2), 2060);
    EXPECT_EQ(Offset(data, 3), 2050);
    const StringTable back = StringTable::Read(data);
    ASSERT_EQ(back.Entries.size(), 1024u);
    EXPECT_EQ(back.Entries[0], "Map Name");
    EXPECT_EQ(back.Entries[1], "");
    EXPECT_EQ(back.Entries[2], "Force 1");
}

TEST(StringTable, AnEmptyTableIsTheOffsetsAndTheNulTheyPointAt) {
    const auto written = Table({}).Write();
    ASSERT_TRUE(written.ok());
    ASSERT_EQ(written.value().size(), 2051u);
    EXPECT_EQ(Offset(written.value(), 1023), 2050);
    EXPECT_EQ(written.value()[2050], 0);
}

TEST(StringTable, AddsIntoTheFirstEmptyEntryBelow1024) {
    StringTable t = Table({"a", "", "c"});
    EXPECT_EQ(t.AddString("b"), 1);
    EXPECT_EQ(t.AddString("d"), 3);
    StringTable full = Table({});
    for (auto& e : full.Entries)
        e = "x";
    full.Entries.push_back(""); // entry 1024 is past the limit
    EXPECT_EQ(full.AddString("y"), -1);
    EXPECT_EQ(full.Text(0), "");
    EXPECT_EQ(full.Text(1024), "x");
    EXPECT_EQ(full.Text(5000), "");

    // Tables read with fewer entries (maps hold 0 to 8) grow to 1024 when they are full.
    StringTable eight;
    eight.Entries.assign(8, "used");
    EXPECT_EQ(eight.AddString("Home"), 8);
    EXPECT_EQ(eight.Entries.size(), 1024u);
    EXPECT_EQ(eight.Text(9), "Home");
    StringTable none;
    EXPECT_EQ(none.AddString("first"), 0);
    StringTable roomy;
    roomy.Entries = {"a", "", "c"};
    EXPECT_EQ(roomy.AddString("b"), 1);
    EXPECT_EQ(roomy.Entries.size(), 3u) << "a free entry is used before the table grows";
}

TEST(StringTable, ReadsOtherCountsWithoutReadingMissingEntries) {
    // Eight entries.
    StringTable eight;
    eight.Entries = {"one", "", "three"};
    std::vector<std::uint8_t> section = {8, 0};
    for (int i = 0; i < 8; ++i) {
        section.push_back(static_cast<std::uint8_t>(i == 0 ? 18 : i == 2 ? 22 : 60));
        section.push_back(0);
    }
    for (const char* text : {"one", "three"}) {
        section.insert(section.end(), text, text + std::strlen(text));
        section.push_back(0);
    }
    const StringTable read = StringTable::Read(section);
    ASSERT_EQ(read.Entries.size(), 8u);
    EXPECT_EQ(read.Entries[0], "one");
    EXPECT_EQ(read.Entries[2], "three");
    EXPECT_EQ(read.Entries[5], ""); // offset past the section
    // 65535 declared, room for only a few offsets.
    const StringTable overrun =
        StringTable::Read(std::vector<std::uint8_t>{0xFF, 0xFF, 6, 0, 7, 0, 'h', 'i', 0});
    EXPECT_TRUE(overrun.CountOverrun);
    EXPECT_EQ(overrun.Entries.size(), 3u);
    EXPECT_EQ(overrun.Entries[0], "hi");
    EXPECT_EQ(overrun.Entries[1], "i");
    EXPECT_TRUE(StringTable::Read(std::vector<std::uint8_t>{0, 0}).Entries.empty());
    EXPECT_TRUE(StringTable::Read(std::vector<std::uint8_t>{}).Entries.empty());
}

TEST(StringTable, ManyEntriesSharingOneLongTextStayCheap) {
    // 30,000 entries all pointing at one 60,000-byte text without a NUL.
    std::vector<std::uint8_t> section = {0x30, 0x75};
    for (int i = 0; i < 30000; ++i) {
        section.push_back(0x70);
        section.push_back(0xEA); // offset 60016
    }
    section.resize(60016 + 60000, 'z');
    const StringTable read = StringTable::Read(section);
    ASSERT_EQ(read.Entries.size(), 30000u);
    std::size_t total = 0;
    for (const auto& e : read.Entries)
        total += e.size();
    EXPECT_LE(total, std::size_t{64} << 20);
    EXPECT_EQ(read.Entries[0].size(), 60000u);
}

TEST(StringTable, ReadsExtendedTables) {
    std::vector<std::uint8_t> strx = {2, 0, 0, 0, 12, 0, 0, 0, 0, 0, 1, 0, 'a', 'b', 0};
    const StringTable read = StringTable::Read(strx, true);
    ASSERT_EQ(read.Entries.size(), 2u);
    EXPECT_EQ(read.Entries[0], "ab");
}

TEST(StringTable, TablesOfMoreThan1024EntriesAreWrittenWhole) {
    StringTable t = Table({"first"});
    t.Entries.resize(1500);
    t.Entries[1499] = "last";
    const auto written = t.Write();
    ASSERT_TRUE(written.ok());
    EXPECT_EQ(ReadLEOr<std::uint16_t>(written.value(), 0, 0), 1500);
    EXPECT_EQ(StringTable::Read(written.value()).Entries[1499], "last");
}

TEST(StringTable, TextThatNoLongerFitsSixteenBitOffsetsFailsClearly) {
    StringTable t = Table({});
    for (std::size_t i = 0; i < 1024; ++i) {
        t.Entries[i] = std::string(100, static_cast<char>('a' + i % 26)) + std::to_string(i);
    }
    const auto written = t.Write();
    ASSERT_FALSE(written.ok());
    EXPECT_NE(written.error().find("no longer fit"), std::string::npos);
}

TEST(StringTable, IdenticalTextsAreStoredOnceAndUnchangedTablesGoBackAsRead) {
    StringTable t = Table({"same", "same", "other"});
    const auto written = t.Write();
    ASSERT_TRUE(written.ok());
    EXPECT_EQ(Offset(written.value(), 0), Offset(written.value(), 1));
    EXPECT_EQ(written.value().size(), 2050u + 5 + 6 + 1);

    // A table read from odd bytes (shared and overlapping texts) is given back unchanged.
    std::vector<std::uint8_t> odd = {3, 0, 8, 0, 9, 0, 8, 0, 0, 'x', 'y', 0};
    StringTable read = StringTable::Read(odd);
    read.KeepOriginal(odd);
    EXPECT_EQ(read.Write().value(), odd);
    read.Entries[0] = "changed";
    EXPECT_NE(read.Write().value(), odd);
}

} // namespace
} // namespace orv
