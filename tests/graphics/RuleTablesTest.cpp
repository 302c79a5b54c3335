#include "graphics/RuleTables.h"

#include <gtest/gtest.h>
#include <vector>

namespace orv {
namespace {

TEST(RuleTables, FieldsAreReadWhereTheTablesHoldThemAndNothingElse) {
    std::vector<std::uint8_t> units(19876, 0);
    units[5] = 7;               // flingy of type 5
    units[228 + 2 * 5] = 40;    // its subunit
    units[4068 + 5] = 12;       // elevation level
    units[7032 + 4 * 5] = 0x05; // building and flyer
    units[11284 + 4 * 5] = 64;  // placement box 64 x 32
    units[11286 + 4 * 5] = 32;
    units[12580 + 8 * 5 + 6] = 9; // reaches 9 pixels down
    const UnitsTable table(units);
    EXPECT_EQ(table.Flingy(5), 7);
    EXPECT_EQ(table.Subunit(5), 40);
    EXPECT_EQ(table.ElevationLevel(5), 12);
    EXPECT_EQ(table.Flags(5), UnitsTable::kBuilding | UnitsTable::kFlyer);
    EXPECT_EQ(table.PlacementBox(5).width, 64);
    EXPECT_EQ(table.PlacementBox(5).height, 32);
    EXPECT_EQ(table.Dimensions(5).down, 9);
    // Types outside the table, and a table cut short, read as nothing.
    for (const int type : {-1, 228, 100000}) {
        EXPECT_FALSE(table.Flingy(type).has_value());
        EXPECT_EQ(table.Subunit(type), UnitsTable::kNone);
        EXPECT_EQ(table.ElevationLevel(type), 0xFF);
    }
    const std::vector<std::uint8_t> cut(units.begin(), units.begin() + 5000);
    EXPECT_EQ(UnitsTable(cut).Flags(5), 0u);
    EXPECT_EQ(UnitsTable(cut).Dimensions(5).down, 16);

    std::vector<std::uint8_t> sprites(3229, 0);
    sprites[2 * 131] = 44; // image of sprite 131
    sprites[2455 + 1] = 3; // its circle: image 564
    sprites[2842 + 1] = 11;
    const SpritesTable spriteTable(sprites);
    EXPECT_EQ(spriteTable.Image(131), 44);
    EXPECT_EQ(spriteTable.CircleImage(131), 564);
    EXPECT_EQ(spriteTable.CircleOffset(131), 11);
    EXPECT_FALSE(spriteTable.CircleImage(129).has_value()); // sprites below 130 have none
    EXPECT_FALSE(spriteTable.Image(517).has_value());
    EXPECT_EQ(ImageGrpFile(std::vector<std::uint8_t>(8, 1), 5), 0u);
    EXPECT_FALSE(FlingySprite({}, 3).has_value());
}

} // namespace
} // namespace orv
