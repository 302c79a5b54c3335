#include "app/GameTables.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

std::vector<std::uint8_t> Table(const std::vector<std::uint16_t>& offsets, const std::string& body) {
    std::vector<std::uint8_t> out;
    out.push_back(static_cast<std::uint8_t>(offsets.size()));
    out.push_back(static_cast<std::uint8_t>(offsets.size() >> 8));
    for (auto o : offsets) {
        out.push_back(static_cast<std::uint8_t>(o));
        out.push_back(static_cast<std::uint8_t>(o >> 8));
    }
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

TEST(StringTable, EachStringEndsBeforeTheNextOnesNulAndTheLastRunsToTheEnd) {
    // Two strings: "ab" at 6 and "cd" at 9; the last keeps its terminating NUL.
    const auto table = Table({6, 9}, std::string("ab\0cd\0", 6));
    const auto strings = ReadStringTable(table);
    ASSERT_EQ(strings.size(), 2u);
    EXPECT_EQ(strings[0], "ab");
    EXPECT_EQ(strings[1], std::string("cd\0", 3));
}

TEST(StringTable, KeepsInnerNulsAndSplitsUnitNamesIntoParts) {
    const std::string name("A\0B\0\0", 5); // "A", NUL, "B", NUL, then the terminating NUL
    const auto table = Table({6, static_cast<std::uint16_t>(6 + name.size())}, name + std::string("x\0", 2));
    const auto strings = ReadStringTable(table);
    ASSERT_EQ(strings[0], std::string("A\0B\0", 4));
    EXPECT_EQ(SplitNameParts(strings[0]), (std::vector<std::string>{"A", "B", ""}));
    EXPECT_EQ(SplitNameParts(std::string("Crawler\0*\0Ground Units", 22)),
              (std::vector<std::string>{"Crawler", "*", "Ground Units"}));
    EXPECT_EQ(SplitNameParts(""), (std::vector<std::string>{""}));
}

TEST(StringTable, AnEntryAtOffset2050IsLeftEmpty) {
    std::string body(2050 - 6, 'z');
    body += std::string("hello\0", 6);
    const auto strings = ReadStringTable(Table({2050, 6}, body));
    ASSERT_EQ(strings.size(), 2u);
    EXPECT_EQ(strings[0], "");
    EXPECT_FALSE(strings[1].empty());
}

TEST(StringTable, StopsAtTheEndOfItsDataWhateverTheOffsetsSay) {
    // Offsets past the end, backwards and into the offset table; a count beyond the data.
    // The strings start at byte 10, after the count and four offsets.
    const auto table = Table({60000, 12, 3, 11}, std::string("abcdef", 6));
    const auto strings = ReadStringTable(table);
    ASSERT_EQ(strings.size(), 4u);
    EXPECT_EQ(strings[0], "");
    EXPECT_EQ(strings[1], ""); // the next string starts before this one
    EXPECT_EQ(strings[3], "bcdef");

    std::vector<std::uint8_t> cut = {0xFF, 0xFF, 4};
    EXPECT_EQ(ReadStringTable(cut).size(), 65535u);
    EXPECT_TRUE(ReadStringTable({}).empty());
}

std::vector<std::uint8_t> Pcx(const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> out(128 + data.size(), 0);
    std::copy(data.begin(), data.end(), out.begin() + 128);
    return out;
}

TEST(PcxColourRow, DecodesLiteralsAndRuns) {
    const auto row = ReadPcxColourRow(Pcx({5, 0xBF, 0xC3, 7, 0xC0, 9, 1}), 6);
    EXPECT_EQ(row, (std::vector<std::uint8_t>{5, 0xBF, 7, 7, 7, 1}));
}

TEST(PcxColourRow, CutsARunAtTheEndOfTheTableAndStopsAtTheEndOfTheData) {
    EXPECT_EQ(ReadPcxColourRow(Pcx({1, 0xFF, 2}), 4), (std::vector<std::uint8_t>{1, 2, 2, 2}));
    EXPECT_EQ(ReadPcxColourRow(Pcx({1, 0xC5}), 4), (std::vector<std::uint8_t>{1, 0, 0, 0}));
    EXPECT_EQ(ReadPcxColourRow(std::vector<std::uint8_t>(50, 3), 4), (std::vector<std::uint8_t>{0, 0, 0, 0}));
}

} // namespace
} // namespace orv
