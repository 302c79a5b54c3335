#include "graphics/CTileset.h"

#include "archive/Stormunit.h"
#include "base/Random.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

void Put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    if (out.size() < at + 2)
        out.resize(at + 2, 0);
    out[at] = static_cast<std::uint8_t>(v);
    out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

// A tileset made by hand, file by file.
struct HandTileset {
    std::vector<std::uint8_t> cv5, vx4, vf4, vr4, wpe = std::vector<std::uint8_t>(1024, 0), dddata, grp;
    std::vector<std::uint8_t> imagesDat, spritesDat;

    void Group(int g, std::array<std::uint16_t, 10> header, std::array<std::uint16_t, 16> megatiles) {
        for (int i = 0; i < 10; ++i)
            Put16(cv5, static_cast<std::size_t>(g * 52 + 2 * i), header[static_cast<std::size_t>(i)]);
        for (int i = 0; i < 16; ++i)
            Put16(cv5, static_cast<std::size_t>(g * 52 + 20 + 2 * i), megatiles[static_cast<std::size_t>(i)]);
    }
    void Megatile(int m, std::array<std::uint16_t, 16> refs, std::uint16_t flags = 0) {
        for (int i = 0; i < 16; ++i) {
            Put16(vx4, static_cast<std::size_t>(m * 32 + 2 * i), refs[static_cast<std::size_t>(i)]);
            Put16(vf4, static_cast<std::size_t>(m * 32 + 2 * i), flags);
        }
    }
    void MiniTile(int n, std::uint8_t first, std::uint8_t rest) {
        if (vr4.size() < static_cast<std::size_t>((n + 1) * 64))
            vr4.resize(static_cast<std::size_t>((n + 1) * 64), 0);
        std::fill_n(vr4.begin() + n * 64, 64, rest);
        vr4[static_cast<std::size_t>(n * 64)] = first;
    }

    std::unique_ptr<CStarcraftTileset> Load() {
        test::TempDir dir;
        test::MakeStormArchive(dir.file("t.mpq"), {{"tileset\\test.cv5", cv5},
                                                   {"tileset\\test.vx4", vx4},
                                                   {"tileset\\test.vf4", vf4},
                                                   {"tileset\\test.vr4", vr4},
                                                   {"tileset\\test.wpe", wpe},
                                                   {"tileset\\test\\dddata.bin", dddata}});
        TMyMPQ archives;
        archives.ArchiveList = {dir.file("t.mpq")};
        return std::make_unique<CStarcraftTileset>("test", archives, imagesDat, spritesDat);
    }
};

std::array<std::uint16_t, 16> All(std::uint16_t v) {
    std::array<std::uint16_t, 16> a;
    a.fill(v);
    return a;
}

TEST(Tileset, AShortGroupFileStillYieldsGroupZero) {
    HandTileset t;
    t.Group(0, {5, 6, 7, 8, 9, 10, 11, 12, 13, 14}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
    t.cv5.resize(30); // the header and five megatile indices
    const auto ts = t.Load();
    EXPECT_EQ(ts->GroupCount(), 1);
    EXPECT_EQ(ts->Header(0).Type, 5);
    EXPECT_EQ(ts->Header(0).EdgeBottom2, 14);
    EXPECT_EQ(ts->MegatileIndex(0, 4), 5);
    EXPECT_EQ(ts->MegatileIndex(0, 5), 0);
}

TEST(Tileset, ExpandsEveryTileValueThroughItsMegatile) {
    HandTileset t;
    t.Group(0, {}, All(0));
    t.Group(2, {3}, {0, 1, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    t.Megatile(1, All(2 << 1), 0x5);
    t.Megatile(2, {0, 0, 0, (3 << 1) | 1}, 0x1);
    t.MiniTile(2, 40, 41);
    t.MiniTile(3, 50, 51);
    const auto ts = t.Load();
    EXPECT_TRUE(ts->TileHasGraphics(2 * 16 + 1));
    EXPECT_TRUE(ts->TileHasGraphics(2 * 16 + 3)); // only the corner at position 3
    EXPECT_FALSE(ts->TileHasGraphics(2 * 16 + 0));
    EXPECT_EQ(ts->Graphics(2 * 16 + 1).Flags[7], 0x5);
    // Groups past the file's repeat megatile 0: no graphics.
    EXPECT_FALSE(ts->TileHasGraphics(100 * 16));
    // The mirrored table holds each row reversed.
    EXPECT_EQ(ts->MiniTile(3, true)[7], 50);
    EXPECT_EQ(ts->MiniTile(3, false)[0], 50);
}

TEST(Tileset, DrawsTilesAndMiniMapPixelsInRgbOrder) {
    HandTileset t;
    t.Group(0, {}, All(0));
    t.Group(1, {2}, All(1));
    std::array<std::uint16_t, 16> refs = All(4 << 1);
    refs[0] = (5 << 1) | 1; // the first minitile drawn mirrored
    t.Megatile(1, refs);
    t.MiniTile(4, 7, 7);
    t.MiniTile(5, 9, 8);     // pixel (0, 0) is 9, the rest 8
    t.wpe[9 * 4] = 0x11;     // red
    t.wpe[9 * 4 + 2] = 0x33; // blue
    t.wpe[8 * 4 + 1] = 0x22;
    t.wpe[7 * 4] = 0x77;
    const auto ts = t.Load();
    EXPECT_EQ(ts->PaletteColorRef[9], 0x330011u);
    EXPECT_EQ(ts->PaletteRGB[9], 0x110033u);

    std::vector<std::uint32_t> pixels(40 * 40, 0);
    const PixelTarget32 target{pixels.data(), 40, 40, 40};
    ts->DrawTile(target, 16, 4, 4);
    EXPECT_EQ(pixels[4 * 40 + 4 + 7], ts->PaletteRGB[9]); // mirrored: pixel (0, 0) lands at column 7
    EXPECT_EQ(pixels[4 * 40 + 4], ts->PaletteRGB[8]);
    EXPECT_EQ(pixels[(4 + 31) * 40 + 4 + 31], ts->PaletteRGB[7]);
    EXPECT_EQ(pixels[3 * 40 + 4], 0u);

    // The mini-map pixel ignores the mirror bit.
    ts->DrawTilePixel(target, 16, 0, 0);
    EXPECT_EQ(pixels[0], ts->PaletteRGB[9]);
    // Drawing at the target's edges clips.
    ts->DrawTile(target, 16, 30, -20);
    ts->DrawTile(target, 16, -31, 39);
}

TEST(Tileset, RandomVariantsComeFromDrawableSlotsOr33) {
    HandTileset t;
    t.Group(0, {}, All(0));
    t.Group(3, {2}, {0, 0, 1, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0});
    t.Megatile(1, All(2 << 1));
    t.MiniTile(2, 1, 1);
    const auto ts = t.Load();
    SeedRandom(7);
    for (int i = 0; i < 50; ++i) {
        const int v = ts->RandomTileInGroup(3 * 16);
        EXPECT_TRUE(v == 3 * 16 + 2 || v == 3 * 16 + 9) << v;
    }
    EXPECT_EQ(ts->RandomTileInGroup(5 * 16), 33);
    EXPECT_EQ(ts->RandomTileInGroup(4000 * 16), 33);
    const int v = ts->RandomTileInGroup(3 * 16 + 5); // not a multiple of 16: still its own group
    EXPECT_TRUE(v == 3 * 16 + 2 || v == 3 * 16 + 9) << v;
}

TEST(Tileset, WalksTheDoodadGroups) {
    HandTileset t;
    t.Group(0, {}, All(0));
    // Group 1023: height 0, advances by one. Doodad 5 twice: the later group wins.
    t.Group(1023, {1, 0, 0, 0, 0, 0, 7, 2, 0, 0}, All(0));
    t.Group(1024, {1, 0x91, 3, 0, 44, 0, 5, 2, 2, 0}, All(0));
    t.Group(1026, {1, 0x1A2, 0, 0, 45, 0, 5, 3, 1, 0}, All(0));
    t.Group(1027, {1, 0, 0, 0, 0, 0, 600, 1, 1, 0}, All(0)); // number past the table
    t.Group(1028, {1, 0, 4, 0, 46, 0, 9, 1, 1, 0}, All(0));
    t.spritesDat.resize(20, 0);
    Put16(t.spritesDat, 2 * 4, 6); // sprite 4 shows image 6
    t.imagesDat.resize(40, 0);
    Put16(t.imagesDat, 4 * 6, 12); // image 6: sheet number 12
    t.dddata.resize(512 * 512, 0);
    Put16(t.dddata, 5 * 512 + 2 * (1 * 3 + 2), 0x1234);
    const auto ts = t.Load();
    EXPECT_EQ(ts->DoodadInfo(7).FirstGroup, 1023);
    EXPECT_EQ(ts->DoodadInfo(7).Height, 0);
    const DoodadInfoRecord& five = ts->DoodadInfo(5);
    EXPECT_EQ(five.FirstGroup, 1026);
    EXPECT_EQ(five.Width, 3);
    EXPECT_EQ(five.Height, 1);
    EXPECT_EQ(five.NameString, 45);
    EXPECT_EQ(five.GroupFlags, 0xA2);
    EXPECT_EQ(five.SheetIndex, 0); // overlay 0: no sheet
    EXPECT_EQ(ts->DoodadInfo(9).SheetIndex, 11);
    EXPECT_EQ(ts->DoodadPlacement(5, 2, 1), 0x1234); // row stride is the doodad's width
    EXPECT_EQ(ts->DoodadPlacement(5, 300, 0), 0);
    EXPECT_EQ(ts->DoodadPlacement(600, 0, 0), 0);
    EXPECT_EQ(ts->DoodadInfo(600).Width, 0);
}

TEST(Tileset, ValuesBeyondTheTablesNeverReachMemoryOutsideThem) {
    HandTileset t;
    t.Group(0, {}, All(0));
    t.Group(1, {2}, {0xFFFF, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    t.Megatile(2, All(0xFFFF));  // minitile 32767, mirrored, far past the few minitiles of the file
    t.vr4.resize(64 * 40100, 3); // more minitiles than the table holds
    const auto ts = t.Load();
    EXPECT_FALSE(ts->TileHasGraphics(16)); // megatile 65535 lies past the file
    EXPECT_EQ(ts->Graphics(17).MiniTiles[0], 0xFFFF);
    EXPECT_FALSE(ts->TileHasGraphics(kTileValueCount));
    EXPECT_FALSE(ts->TileHasGraphics(-5));
    EXPECT_EQ(ts->Header(kTileGroupCount).Type, 0);
    EXPECT_EQ(ts->MiniTile(kMiniTileCount)[0], 0);
    std::vector<std::uint32_t> pixels(64 * 64, 0);
    ts->DrawTile(PixelTarget32{pixels.data(), 64, 64, 64}, kTileValueCount + 5, 0, 0);
    ts->DrawTile(PixelTarget32{pixels.data(), 64, 64, 64}, 17, 0, 0);
    ts->DrawTilePixel(PixelTarget32{pixels.data(), 64, 64, 64}, 17, 63, 63);
    EXPECT_EQ(ts->RandomTileInGroup(kTileValueCount + 16), 33);
}

} // namespace
} // namespace orv
