#include "graphics/TGRP.h"

#include "StandinFormats.h"

#include <gtest/gtest.h>

#include <numeric>

namespace orv {
namespace {

using standin::Canvas;
using standin::EncodeGrp;

// A 10 x 10 8-bit target filled with 0xEE.
struct Target {
    std::vector<std::uint8_t> pixels = std::vector<std::uint8_t>(100, 0xEE);
    std::uint8_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y * 10 + x)]; }
    std::uint8_t* data() { return pixels.data(); }
    int drawn() const {
        return static_cast<int>(std::count_if(pixels.begin(), pixels.end(), [](std::uint8_t p) { return p != 0xEE; }));
    }
};

// One 4 x 4 frame whose pixels are the given indices, row by row.
TDoodadGRP Sheet(const std::vector<int>& indices, std::span<const std::uint8_t> remap = {}) {
    Canvas c(4, 4);
    c.pixels = indices;
    return TDoodadGRP(EncodeGrp({c}), nullptr, remap);
}

std::vector<int> Fill(int value) {
    return std::vector<int>(16, value);
}

TEST(SpriteSheet, AFullFrameIsCentredOnThePoint) {
    TDoodadGRP sheet = Sheet(Fill(20));
    Target t;
    sheet.DrawFirstFrame(5, 5, t.data(), 10, 10);
    // Width 4: left = 5 - 2 = 3, top = 3.
    EXPECT_EQ(t.at(3, 3), 20);
    EXPECT_EQ(t.at(6, 6), 20);
    EXPECT_EQ(t.at(2, 3), 0xEE);
    EXPECT_EQ(t.at(7, 3), 0xEE);
    EXPECT_EQ(t.drawn(), 16);
    EXPECT_EQ(sheet.HalfHeight(), 2);
}

TEST(SpriteSheet, FramesKeepTheirOffsetInsideTheSheet) {
    Canvas c(8, 6);
    c.set(5, 4, 30); // the frame is cut to this one pixel: x offset 5, y offset 4
    TDoodadGRP sheet(EncodeGrp({c}), nullptr, {});
    TDoodadGRP::FrameHeader h;
    ASSERT_TRUE(sheet.GetFrameHeader(0, h));
    EXPECT_EQ(h.xOffset, 5);
    EXPECT_EQ(h.yOffset, 4);
    Target t;
    sheet.DrawFirstFrame(4, 3, t.data(), 10, 10);
    EXPECT_EQ(t.at(4 - 4 + 5, 3 - 3 + 4), 30);
    EXPECT_EQ(t.drawn(), 1);
}

TEST(SpriteSheet, NeverWritesColumnZeroOrRowZeroOrOutsideTheTarget) {
    TDoodadGRP sheet = Sheet(Fill(20));
    for (int y = -3; y <= 12; ++y) {
        for (int x = -3; x <= 12; ++x) {
            Target t;
            sheet.DrawFirstFrame(x, y, t.data(), 10, 10);
            for (int i = 0; i < 10; ++i) {
                EXPECT_EQ(t.at(i, 0), 0xEE);
                EXPECT_EQ(t.at(0, i), 0xEE);
            }
        }
    }
    // A pixel that lands on column 0 is dropped, its neighbour at column 1 is drawn.
    Target t;
    sheet.DrawFirstFrame(2, 5, t.data(), 10, 10);
    EXPECT_EQ(t.at(0, 5), 0xEE);
    EXPECT_EQ(t.at(1, 5), 20);
}

TEST(SpriteSheet, PlayerColoursComeFromThePlayersBlockOfTheRemapTable) {
    std::vector<std::uint8_t> remap(128);
    std::iota(remap.begin(), remap.end(), 100);
    TDoodadGRP sheet = Sheet({16, 8, 15, 7, 0, 255, 9, 12, 16, 16, 16, 16, 16, 16, 16, 16});
    Target t;
    sheet.DrawFrame(0, 5, 5, t.data(), 10, 10, 2, remap);
    EXPECT_EQ(t.at(3, 3), 16);           // 16 and above: unchanged
    EXPECT_EQ(t.at(4, 3), 100 + 16);     // 8 -> first entry of block 2
    EXPECT_EQ(t.at(5, 3), 100 + 16 + 7); // 15 -> last entry of block 2
    EXPECT_EQ(t.at(6, 3), 7);            // 0 to 7 are not player colours: unchanged
    EXPECT_EQ(t.at(3, 4), 0);
    EXPECT_EQ(t.at(4, 4), 255);
    EXPECT_EQ(t.at(5, 4), 100 + 16 + 1);
    // A colour whose block lies past the table keeps the sheet's index.
    Target far;
    sheet.DrawFrame(0, 5, 5, far.data(), 10, 10, 16, remap);
    EXPECT_EQ(far.at(4, 3), 8);
}

TEST(SpriteSheet, SelectionColoursStartAtIndexOne) {
    std::vector<std::uint8_t> selection(24);
    std::iota(selection.begin(), selection.end(), 200);
    TDoodadGRP sheet = Sheet({1, 8, 0, 16, 15, 2, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20});
    Target t;
    sheet.DrawFirstFrameSelection(5, 5, 1, selection, t.data(), 10, 10);
    EXPECT_EQ(t.at(3, 3), 208); // 1 -> first entry of block 1
    EXPECT_EQ(t.at(4, 3), 215); // 8 -> last entry of block 1
    EXPECT_EQ(t.at(5, 3), 0);   // 0 has no entry: unchanged
    EXPECT_EQ(t.at(6, 3), 16);
    EXPECT_EQ(t.at(3, 4), 200 + 8 + 14); // 15 -> index 22
}

TEST(SpriteSheet, DrawsToA32BitTargetInPaletteColours) {
    std::array<std::uint32_t, 256> palette{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        palette[i] = 0x10000 * i + 1;
    }
    std::vector<std::uint8_t> remap(128, 77);
    TDoodadGRP sheet = Sheet({8, 16, 3, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20}, remap);
    sheet.Palette = palette.data();
    std::vector<std::uint32_t> pixels(6 * 5, 0);
    sheet.DrawFirstFrameToDC(2, 2, 0, PixelTarget32{pixels.data(), 6, 5, 6});
    EXPECT_EQ(pixels[0], palette[77]); // column 0 and row 0 are written here: the target clips
    EXPECT_EQ(pixels[1], palette[16]);
    EXPECT_EQ(pixels[2], palette[3]);
    EXPECT_EQ(pixels[4], 0u);
}

TEST(SpriteSheet, ASkipPastTheFrameWidthEndsTheRow) {
    // Hand-made frame 3 x 2: row 0 = skip 200 (ends the row), row 1 = three literals.
    std::vector<std::uint8_t> grp = {1, 0, 3, 0, 2, 0, 0, 0, 3, 2, 14, 0, 0, 0};
    grp.insert(grp.end(), {0, 0, 0, 0});      // row table (unused)
    grp.insert(grp.end(), {0x80 | 100});      // row 0: skip 100 columns
    grp.insert(grp.end(), {3, 40, 41, 42});   // row 1
    TDoodadGRP sheet(grp, nullptr, {});
    Target t;
    sheet.DrawFirstFrame(4, 4, t.data(), 10, 10);
    EXPECT_EQ(t.drawn(), 3);
    EXPECT_EQ(t.at(3, 4), 40);
    EXPECT_EQ(t.at(5, 4), 42);
}

TEST(SpriteSheet, ControlBytesZeroAndSixtyFourAreEmptyRuns) {
    std::vector<std::uint8_t> grp = {1, 0, 2, 0, 1, 0, 0, 0, 2, 1, 14, 0, 0, 0};
    grp.insert(grp.end(), {0, 0});
    grp.insert(grp.end(), {0, 64, 50, 2, 60, 61});
    TDoodadGRP sheet(grp, nullptr, {});
    Target t;
    sheet.DrawFirstFrame(5, 5, t.data(), 10, 10);
    EXPECT_EQ(t.at(4, 5), 60);
    EXPECT_EQ(t.at(5, 5), 61);
    EXPECT_EQ(t.drawn(), 2);
}

TEST(SpriteSheet, DrawsItsTurretOverItself) {
    TDoodadGRP body = Sheet(Fill(20));
    Canvas small(2, 2);
    small.pixels = {90, 90, 90, 90};
    TDoodadGRP turret(EncodeGrp({small}), nullptr, {});
    body.Turret = &turret;
    body.TurretX = 2;
    Target t;
    body.DrawFrame(0, 4, 4, t.data(), 10, 10, 0, {});
    EXPECT_EQ(t.at(2, 3), 20);
    EXPECT_EQ(t.at(5, 3), 90); // turret centred at (6, 4): left 5, top 3
    EXPECT_EQ(t.at(6, 4), 90);
}

TEST(SpriteSheet, ASheetWithoutDataDrawsNothing) {
    TDoodadGRP empty(std::vector<std::uint8_t>{}, nullptr, {});
    EXPECT_FALSE(empty.HasData());
    EXPECT_EQ(empty.HalfHeight(), 0);
    Target t;
    empty.DrawFrame(0, 5, 5, t.data(), 10, 10, 0, {});
    empty.DrawFirstFrame(5, 5, t.data(), 10, 10);
    EXPECT_EQ(t.drawn(), 0);
}

TEST(SpriteSheet, MalformedSheetsDrawOnlyWhatLiesInsideTheFile) {
    const auto good = EncodeGrp({[] {
        Canvas c(8, 8);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) c.set(x, y, 20 + (x * y) % 5);
        return c;
    }()});
    // Every truncation and a frame count and data offset that point past the end.
    for (std::size_t size = 0; size <= good.size(); ++size) {
        TDoodadGRP sheet(std::vector<std::uint8_t>(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size)), nullptr, {});
        Target t;
        sheet.DrawFrame(0, 5, 5, t.data(), 10, 10, 0, {});
        sheet.DrawFrame(7, 5, 5, t.data(), 10, 10, 0, {});
    }
    auto bad = good;
    bad[0] = 0xFF; // 255 frames, one header present
    bad[13] = 0x7F; // data offset far past the end
    TDoodadGRP sheet(bad, nullptr, {});
    Target t;
    for (int f = -1; f < 300; ++f) {
        sheet.DrawFrame(f, 5, 5, t.data(), 10, 10, 3, {});
    }
    EXPECT_EQ(t.drawn(), 0);
}

} // namespace
} // namespace orv
