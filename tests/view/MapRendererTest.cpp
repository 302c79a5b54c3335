#include "view/MapRenderer.h"

#include "base/Random.h"
#include "support/RecordingPrompter.h"
#include "support/StandinData.h"

#include <gtest/gtest.h>
#include <random>

namespace orv {
namespace {

TGameData& Game() {
    return test::StandinGameData();
}

TEST(ConvertFrame, TheBlockPathGivesThePlainPathsColoursForEveryPixel) {
    std::mt19937 random(4);
    std::array<std::uint32_t, 256> palette{};
    for (auto& c : palette)
        c = random() & 0xFFFFFF;
    for (std::size_t count : {0u, 7u, 8u, 9u, 640u * 480u, 1000003u}) {
        std::vector<std::uint8_t> frame8(count + 1);
        for (auto& p : frame8)
            p = static_cast<std::uint8_t>(random());
        std::vector<std::uint32_t> plain(count + 1, 0), block(count + 1, 0);
        ConvertFrameScalar(frame8.data(), plain.data(), count, palette.data());
        // Unaligned on purpose: the block path must not care.
        ConvertFrameBlock(frame8.data() + 1, block.data() + 1, count, palette.data());
        ConvertFrameScalar(frame8.data() + 1, plain.data() + 1, count, palette.data());
        EXPECT_TRUE(std::equal(plain.begin() + 1, plain.end(), block.begin() + 1)) << count;
    }
    EXPECT_NE(std::string(ConvertFramePath()), "");
}

// A small jungle map with its creep map, ready to draw.
struct Scene {
    test::RecordingPrompter prompter;
    TCHK chk{prompter, &Game().UnitsDat};
    CStarcraftTileset& tileset = Game().Tileset(4);
    CMapRenderer renderer;

    explicit Scene(int width = 32, int height = 32) {
        SeedRandom(6);
        chk.NewMap(2, 4, width, height, &tileset);
    }
    void Draw(ViewState view) { renderer.DrawDisplay(chk, tileset, Game(), view); }
    std::uint8_t At(int x, int y, int viewWidth = 640) const {
        return renderer.Frame8[static_cast<std::size_t>(y * viewWidth + x)];
    }
    // Pixels of a player colour's block (the stand-in colours: 128 + 4 x colour + shade).
    int CountColour(int colour) const {
        return static_cast<int>(
            std::count_if(renderer.Frame8.begin(), renderer.Frame8.end(),
                          [&](std::uint8_t v) { return v >= 128 + 4 * colour && v < 128 + 4 * colour + 4; }));
    }
};

int GroundUnitOfLevel(int level) {
    for (int u = 0; u < 106; ++u) {
        if (Game().UnitsDat[4068 + static_cast<std::size_t>(u)] == level && Game().UnitSheet(u) &&
            !(ReadLEOr<std::uint32_t>(Game().UnitsDat, 7032 + 4 * static_cast<std::size_t>(u), 0) & 0x10)) {
            return u;
        }
    }
    return -1;
}

TEST(MapRenderer, AMapNarrowerThanTheViewLeavesTheRestAtIndexZero) {
    Scene scene(8, 6);
    scene.Draw({0, 0, 640, 480});
    EXPECT_NE(scene.At(8 * 32 - 1, 10), 0);
    for (int x = 8 * 32; x < 640; x += 37) {
        for (int y = 0; y < 480; y += 41) {
            EXPECT_EQ(scene.At(x, y), 0) << x << "," << y;
        }
    }
    EXPECT_EQ(scene.At(10, 6 * 32 + 5), 0);
}

TEST(MapRenderer, PlayerColoursComeFromTheOwnerOrTheScenariosColours) {
    const int type = GroundUnitOfLevel(1) >= 0 ? GroundUnitOfLevel(1) : GroundUnitOfLevel(2);
    ASSERT_GE(type, 0);
    Scene scene;
    scene.chk.AddUnit(200, 200, 9, type);
    scene.chk.Colours[2] = 5;
    scene.chk.AddUnit(400, 200, 2, type);
    scene.Draw({0, 0, 640, 480});
    EXPECT_GT(scene.CountColour(9), 0) << "owner 9 is drawn in colour 9";
    EXPECT_GT(scene.CountColour(5), 0) << "owner 2 in the scenario's colour of player 2";
    EXPECT_EQ(scene.CountColour(2), 0);
}

TEST(MapRenderer, UnitsJustOutsideTheFrameShowTheirPartInside) {
    const int type = GroundUnitOfLevel(1) >= 0 ? GroundUnitOfLevel(1) : GroundUnitOfLevel(2);
    const int half = Game().UnitSheet(type)->Width() / 2;
    // The view starts at tile (4, 4): pixel 128. Units whose centres lie just left of it and
    // just right of the frame show the parts of their sheets that reach inside, as the whole
    // map's picture does.
    for (const int x : {128 - half + 8, 128 + 640 + half - 8}) {
        Scene scene(64, 64);
        scene.chk.Colours[0] = 3;
        scene.chk.AddUnit(x, 300, 0, type);
        scene.Draw({4, 4, 640, 480});
        EXPECT_GT(scene.CountColour(3), 0) << x;
    }
    Scene near(64, 64);
    near.chk.Colours[0] = 3;
    near.chk.AddUnit(128 + 10, 300, 0, type);
    near.Draw({4, 4, 640, 480});
    EXPECT_GT(near.CountColour(3), 0);
}

TEST(MapRenderer, TheViewTestKeepsA128PixelMarginAllRoundInMapPixelsAtEveryScale) {
    ViewState view{4, 4, 640, 480, 32, 0};
    EXPECT_TRUE(InView(128 - 100, 200, view)); // 100 pixels left of the view: still drawn
    EXPECT_FALSE(InView(128 - 128, 200, view));
    EXPECT_TRUE(InView(128 + 640 + 127, 200, view));
    EXPECT_FALSE(InView(128 + 640 + 128, 200, view));
    EXPECT_TRUE(InView(200, 128 - 127, view));
    EXPECT_FALSE(InView(200, 128 + 480 + 128, view));
    view.Scale = 4; // a reduced frame of 640 pixels covers 2560 map pixels
    EXPECT_TRUE(InView(128 + 2560 + 127, 200, view));
    EXPECT_FALSE(InView(128 + 2560 + 128, 200, view));
}

TEST(MapRenderer, BitFifteenOfATileValueIsMaskedOffAtEveryScale) {
    for (const int scale : {1, 2, 4}) {
        Scene plain, marked;
        for (int c = 0; c < 8; ++c) {
            marked.chk.Displayed(c, 2) = static_cast<std::uint16_t>(marked.chk.Displayed(c, 2) | 0x8000);
        }
        ViewState view{0, 0, 256 / scale, 256 / scale, 32, 0};
        view.Scale = scale;
        plain.Draw(view);
        marked.Draw(view);
        EXPECT_TRUE(plain.renderer.Frame8 == marked.renderer.Frame8) << scale;
    }
}

SpriteRecord MakeSprite(int number, int x, int y, int owner, std::uint16_t flags) {
    SpriteRecord record;
    const int values[] = {number & 0xFF, number >> 8, x & 0xFF, x >> 8,       y & 0xFF,
                          y >> 8,        owner,       0,        flags & 0xFF, flags >> 8};
    for (std::size_t i = 0; i < 10; ++i)
        record.Bytes[i] = static_cast<std::uint8_t>(values[i]);
    return record;
}

TEST(MapRenderer, SpritesComeFromTheSpriteListTheGameReadsWithoutAnyDoodad) {
    Scene bare;
    bare.Draw({0, 0, 640, 480});
    int overlay = 0;
    for (int d = 1; d < 400 && !overlay; ++d) {
        const int group = bare.tileset.DoodadInfo(d).FirstGroup;
        overlay = group ? bare.tileset.Header(group).OverlayId() : 0;
    }
    ASSERT_NE(overlay, 0);
    // A sprites.dat sprite, as protected maps hold them with no doodad section at all.
    Scene sprite;
    sprite.chk.Sprites.push_back(MakeSprite(overlay, 200, 200, 12, SpriteRecord::kSpriteNumber));
    sprite.Draw({0, 0, 640, 480});
    EXPECT_FALSE(sprite.renderer.Frame8 == bare.renderer.Frame8);
    sprite.chk.Sprites.back().Removed = true; // taken out: no longer drawn
    sprite.Draw({0, 0, 640, 480});
    EXPECT_TRUE(sprite.renderer.Frame8 == bare.renderer.Frame8);
    // A units.dat unit's picture, in its owner's colours.
    const int type = GroundUnitOfLevel(1) >= 0 ? GroundUnitOfLevel(1) : GroundUnitOfLevel(2);
    Scene unit;
    unit.chk.Colours[2] = 5;
    unit.chk.Sprites.push_back(MakeSprite(type, 300, 200, 2, 0));
    unit.Draw({0, 0, 640, 480});
    EXPECT_GT(unit.CountColour(5), 0);
}

TEST(MapRenderer, MineralFieldsShowHowMuchTheyHold) {
    EXPECT_EQ(ResourceFrame(176, 1500, 4), 0);
    EXPECT_EQ(ResourceFrame(177, 600, 4), 1);
    EXPECT_EQ(ResourceFrame(178, 300, 4), 2);
    EXPECT_EQ(ResourceFrame(188, 10, 4), 3);
    EXPECT_EQ(ResourceFrame(188, 10, 2), 1); // never past the sheet's frames
    EXPECT_EQ(ResourceFrame(0, 10, 8), 0);   // other units: their first frame
    std::vector<std::uint8_t> full, nearlyEmpty;
    for (const std::uint32_t amount : {1500u, 100u}) {
        Scene scene;
        scene.chk.AddUnit(200, 200, 11, 176);
        scene.chk.Units.back().Resources = amount;
        scene.Draw({0, 0, 640, 480});
        (amount > 1000 ? full : nearlyEmpty) = scene.renderer.Frame8;
    }
    EXPECT_FALSE(full == nearlyEmpty);
}

TEST(MapRenderer, WithinALevelTheLowerPictureCoversTheHigherWhateverTheListOrder) {
    const int type = GroundUnitOfLevel(1) >= 0 ? GroundUnitOfLevel(1) : GroundUnitOfLevel(2);
    std::vector<std::uint8_t> pictures[2];
    for (int order = 0; order < 2; ++order) {
        Scene scene;
        scene.chk.Colours[0] = 3;
        scene.chk.Colours[1] = 4;
        for (int k = 0; k < 2; ++k) {
            const int which = (k + order) % 2; // unit 0 above, unit 1 ten pixels lower
            scene.chk.AddUnit(200, 200 + 10 * which, which, type);
        }
        scene.Draw({0, 0, 640, 480});
        pictures[order] = scene.renderer.Frame8;
        EXPECT_GT(scene.CountColour(4), 0);
    }
    EXPECT_TRUE(pictures[0] == pictures[1]);
}

TEST(MapRenderer, CreepIsDrawnOnlyWhenShown) {
    Scene scene;
    scene.chk.AddUnit(320, 240, 0, 131); // a creep producer
    scene.chk.RebuildCreep();
    ASSERT_TRUE(scene.chk.CreepMap.HasFullCreep(10, 7));
    auto creepPixels = [&] {
        return std::count_if(scene.renderer.Frame8.begin(), scene.renderer.Frame8.end(),
                             [](std::uint8_t v) { return v >= 248 && v < 255; });
    };
    scene.Draw({0, 0, 640, 480});
    EXPECT_GT(creepPixels(), 1000);
    Game().Options.ShowCreep = false;
    scene.Draw({0, 0, 640, 480});
    Game().Options.ShowCreep = true;
    EXPECT_EQ(creepPixels(), 0);
}

TEST(MapRenderer, TheTwoConversionsDrawTheSameFrame) {
    Scene scene;
    scene.chk.AddUnit(300, 300, 1, 5);
    scene.Draw({0, 0, 640, 480});
    const auto plain = scene.renderer.Frame32;
    Game().Options.UseMMX = true;
    scene.Draw({0, 0, 640, 480});
    Game().Options.UseMMX = false;
    EXPECT_EQ(scene.renderer.Frame32, plain);
}

} // namespace
} // namespace orv
