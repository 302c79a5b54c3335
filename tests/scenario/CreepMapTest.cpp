#include "terrain/CreepMap.h"

#include "base/Random.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TCreepMap Spread(
    std::vector<std::pair<int, int>> producers,
    std::function<int(int, int)> flags = [](int, int) { return 0; }) {
    SeedRandom(3);
    TCreepMap map;
    map.SetSize(64, 64);
    map.Rebuild(producers, flags);
    return map;
}

TEST(CreepMap, CoversAnEllipseTenTilesWideAndSixHigh) {
    const TCreepMap map = Spread({{30, 30}});
    EXPECT_TRUE(map.HasFullCreep(30, 30));
    EXPECT_TRUE(map.HasFullCreep(40, 30));  // 100 <= 110
    EXPECT_FALSE(map.HasFullCreep(41, 30)); // outside the reach
    EXPECT_TRUE(map.HasFullCreep(30, 36));  // 2.25 * 36 = 81
    EXPECT_FALSE(map.HasFullCreep(30, 37)); // 2.25 * 49 > 110
    EXPECT_FALSE(map.HasFullCreep(30, 23));
    EXPECT_TRUE(map.HasCreepBorder(30, 37)); // the ring around it is border
    EXPECT_TRUE(map.HasCreepBorder(41, 30));
    EXPECT_GE(map.FullCreepTile(30, 30), 16);
    EXPECT_LE(map.FullCreepTile(30, 30), 28);
}

TEST(CreepMap, AProducerInTheCornerCoversOnlyTheMap) {
    const TCreepMap map = Spread({{0, 0}});
    EXPECT_TRUE(map.HasFullCreep(0, 0));
    EXPECT_TRUE(map.HasFullCreep(10, 0));
    EXPECT_TRUE(map.HasFullCreep(0, 6));
    EXPECT_FALSE(map.HasFullCreep(-1, 0));
}

TEST(CreepMap, UnbuildableTilesStayUncoveredButMayBeBorder) {
    const TCreepMap map = Spread({{30, 30}}, [](int c, int) { return c == 32 ? 16 : 15; });
    EXPECT_FALSE(map.HasFullCreep(32, 30));
    EXPECT_TRUE(map.HasCreepBorder(32, 30));
    EXPECT_TRUE(map.HasFullCreep(33, 30));
}

TEST(CreepMap, OverlappingProducersGiveTheUnion) {
    const TCreepMap map = Spread({{20, 30}, {38, 30}});
    for (int c = 20; c <= 38; ++c) {
        EXPECT_TRUE(map.HasFullCreep(c, 30)) << c;
    }
    EXPECT_TRUE(map.HasFullCreep(29, 33)); // 81 + 2.25 * 9 <= 110 from either producer
}

TEST(CreepMap, BorderFramesFollowTheFullNeighbours) {
    SeedRandom(1);
    TCreepMap map;
    map.SetSize(10, 10);
    map.AddCreep(5, 5);
    // Only the tile to the north is full creep: the first pattern's frame 0.
    EXPECT_TRUE(map.HasCreepBorder(5, 6));
    EXPECT_EQ(map.CreepBorderFrame(5, 6), 0);
    EXPECT_EQ(map.CreepBorderFrame(5, 4), 6); // only the south is full
    map.AddCreep(100, 5);                     // off the map: ignored
    map.ClearCreep();
    EXPECT_FALSE(map.HasCreepBorder(5, 6));
}

} // namespace
} // namespace orv
