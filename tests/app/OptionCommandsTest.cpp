#include "app/OptionCommands.h"

#include "app/RecentFiles.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

using Place = TOptionCommands::Place;
using Grid = TOptionCommands::Grid;

TEST(OptionCommands, TogglesFlipTheirFlagAndReportTheCheckMark) {
    OptionFlags flags;
    TOptionCommands commands(flags);
    EXPECT_TRUE(commands.Flip(TOptionCommands::Toggle::ShowGrid));
    EXPECT_TRUE(flags.ShowGrid);
    EXPECT_FALSE(commands.Flip(TOptionCommands::Toggle::ShowCreep)); // on at start
    EXPECT_FALSE(flags.ShowCreep);
    EXPECT_FALSE(commands.Flip(TOptionCommands::Toggle::ShowPlacability));
    EXPECT_TRUE(commands.Flip(TOptionCommands::Toggle::UseMMX));
    EXPECT_TRUE(flags.UseMMX);
    EXPECT_TRUE(commands.Flip(TOptionCommands::Toggle::ShowFineGrid));
    EXPECT_FALSE(commands.Flip(TOptionCommands::Toggle::ShowFineGrid));
}

TEST(OptionCommands, GridItemsSetTheTwoAlignmentFlags) {
    OptionFlags flags;
    TOptionCommands commands(flags);
    EXPECT_EQ(commands.BuildingGrid(), Grid::Align32);
    EXPECT_EQ(commands.UnitGrid(), Grid::None);
    commands.SetBuildingGrid(Grid::Align16);
    EXPECT_FALSE(flags.BuildingAlign32);
    EXPECT_TRUE(flags.BuildingAlign16);
    commands.SetBuildingGrid(Grid::None);
    EXPECT_FALSE(flags.BuildingAlign32 || flags.BuildingAlign16);
    commands.SetUnitGrid(Grid::Align32);
    EXPECT_TRUE(flags.UnitAlign32);
    EXPECT_FALSE(flags.UnitAlign16);
    EXPECT_EQ(commands.UnitGrid(), Grid::Align32);
}

TEST(OptionCommands, AnywhereTwiceLeavesItsCheckOffButTheRelaxationOn) {
    OptionFlags flags;
    TOptionCommands commands(flags);
    commands.ClickPlace(Place::Anywhere);
    EXPECT_TRUE(commands.PlaceChecked(Place::Anywhere));
    EXPECT_FALSE(commands.PlaceChecked(Place::Classic));
    EXPECT_EQ(commands.PlaceDefault(), Place::Anywhere);
    EXPECT_TRUE(flags.IgnoreTerrain);
    commands.ClickPlace(Place::Anywhere);
    EXPECT_FALSE(commands.PlaceChecked(Place::Anywhere));
    EXPECT_EQ(commands.PlaceDefault(), Place::NoDefault);
    EXPECT_TRUE(flags.IgnoreTerrain);
    // Overlapping may be checked together with Anywhere.
    commands.ClickPlace(Place::Anywhere);
    commands.ClickPlace(Place::Overlapping);
    EXPECT_TRUE(commands.PlaceChecked(Place::Anywhere));
    EXPECT_TRUE(commands.PlaceChecked(Place::Overlapping));
    EXPECT_TRUE(flags.AllowOverlap);
    // Only Classic Staredit turns them off.
    commands.ClickPlace(Place::Classic);
    EXPECT_TRUE(commands.PlaceChecked(Place::Classic));
    EXPECT_FALSE(commands.PlaceChecked(Place::Anywhere) || commands.PlaceChecked(Place::Overlapping));
    EXPECT_EQ(commands.PlaceDefault(), Place::Classic);
    EXPECT_FALSE(flags.IgnoreTerrain || flags.AllowOverlap);
}

TEST(OptionCommands, LocationItemsRebuildTheElevationMask) {
    OptionFlags flags;
    TOptionCommands commands(flags);
    EXPECT_EQ(flags.LocationElevationMask, 0xFFFFu);
    commands.ClickLocationItem(6); // "Type 1 (Blue)"
    EXPECT_EQ(flags.LocationElevationMask, 63u);
    EXPECT_FALSE(commands.LocationChecked(6));
    commands.ClickLocationItem(3); // "Low Air" off
    EXPECT_EQ(flags.LocationElevationMask, 55u);
    commands.ClickLocationItem(3);
    commands.ClickLocationItem(0);
    EXPECT_EQ(flags.LocationElevationMask, 62u);
    for (int i = 1; i < 6; ++i) {
        commands.ClickLocationItem(i);
    }
    EXPECT_EQ(flags.LocationElevationMask, 0u);
    commands.ClickLocationItem(42); // no such item
    EXPECT_EQ(flags.LocationElevationMask, 0u);
}

TEST(RecentFiles, AddMovesAnExistingNameUpAndPushesANewOneIn) {
    TRecentFileList recent;
    recent.Entries = {"A", "B", "C", "D", "E"};
    recent.Add("C");
    EXPECT_EQ(recent.Entries, (std::array<std::string, 5>{"C", "A", "B", "D", "E"}));
    recent.Add("F");
    EXPECT_EQ(recent.Entries, (std::array<std::string, 5>{"F", "C", "A", "B", "D"}));
    recent.Add("F");
    EXPECT_EQ(recent.Entries, (std::array<std::string, 5>{"F", "C", "A", "B", "D"}));
    recent.Add("D"); // the last one
    EXPECT_EQ(recent.Entries, (std::array<std::string, 5>{"D", "F", "C", "A", "B"}));
    recent.Add("c"); // names compare exactly
    EXPECT_EQ(recent.Entries, (std::array<std::string, 5>{"c", "D", "F", "C", "A"}));
}

TEST(RecentFiles, AddFillsAnEmptyList) {
    TRecentFileList recent;
    recent.Add("x.scm");
    recent.Add("y.scx");
    EXPECT_EQ(recent.Entries, (std::array<std::string, 5>{"y.scx", "x.scm", "", "", ""}));
    recent.Add("x.scm");
    EXPECT_EQ(recent.Entries, (std::array<std::string, 5>{"x.scm", "y.scx", "", "", ""}));
}

} // namespace
} // namespace orv
