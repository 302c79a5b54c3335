#include "graphics/TGRP.h"

#include "StandinFormats.h"

#include <algorithm>
#include <array>
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
        return static_cast<int>(
            std::count_if(pixels.begin(), pixels.end(), [](std::uint8_t p) { return p != 0xEE; }));
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

TEST(SpriteSheet, WritesEveryPixelInsideTheTargetAndNothingOutside) {
    TDoodadGRP sheet = Sheet(Fill(20));
    const std::size_t guard = 64;
    const auto overlap = [](int from) { return std::max(0, std::min(from + 4, 10) - std::max(from, 0)); };
    for (int y = -5; y <= 12; ++y) {
        for (int x = -5; x <= 12; ++x) {
            std::vector<std::uint8_t> buffer(100 + 2 * guard, 0xEE);
            sheet.DrawFirstFrame(x, y, buffer.data() + guard, 10, 10);
            const auto inside =
                static_cast<long>(std::count(buffer.begin() + guard, buffer.end() - guard, 20));
            EXPECT_EQ(inside, overlap(x - 2) * overlap(y - 2)) << x << ", " << y;
            EXPECT_EQ(std::count(buffer.begin(), buffer.end(), 20), inside) << x << ", " << y;
        }
    }
    // The corners of the target are drawn.
    Target t;
    sheet.DrawFirstFrame(1, 1, t.data(), 10, 10);
    sheet.DrawFrame(0, 11, 11, t.data(), 10, 10, 0, {});
    EXPECT_EQ(t.at(0, 0), 20);
    EXPECT_EQ(t.at(9, 9), 20);
    EXPECT_EQ(t.drawn(), 9 + 1);
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
    grp.insert(grp.end(), {4, 0, 5, 0});    // row table
    grp.insert(grp.end(), {0x80 | 100});    // row 0: skip 100 columns
    grp.insert(grp.end(), {3, 40, 41, 42}); // row 1
    TDoodadGRP sheet(grp, nullptr, {});
    Target t;
    sheet.DrawFirstFrame(4, 4, t.data(), 10, 10);
    EXPECT_EQ(t.drawn(), 3);
    EXPECT_EQ(t.at(3, 4), 40);
    EXPECT_EQ(t.at(5, 4), 42);
}

TEST(SpriteSheet, ControlBytesZeroAndSixtyFourAreEmptyRuns) {
    std::vector<std::uint8_t> grp = {1, 0, 2, 0, 1, 0, 0, 0, 2, 1, 14, 0, 0, 0};
    grp.insert(grp.end(), {2, 0});
    grp.insert(grp.end(), {0, 64, 50, 2, 60, 61});
    TDoodadGRP sheet(grp, nullptr, {});
    Target t;
    sheet.DrawFirstFrame(5, 5, t.data(), 10, 10);
    EXPECT_EQ(t.at(4, 5), 60);
    EXPECT_EQ(t.at(5, 5), 61);
    EXPECT_EQ(t.drawn(), 2);
}

// Two 3 x 3 frames over two rows of data, A = 40 41 42 and B = skip 1, 50 51. Frame 0 lists
// A, B, A; frame 1 lists B, A, B, with its table ahead of frame 0's so that its rows point
// back over it.
std::vector<std::uint8_t> SharedRowsSheet() {
    std::vector<std::uint8_t> grp = {2, 0, 3, 0, 3, 0};
    grp.insert(grp.end(), {0, 0, 3, 3, 22, 0, 0, 0}); // frame 0: table at 22
    grp.insert(grp.end(), {0, 0, 3, 3, 28, 0, 0, 0}); // frame 1: table at 28
    grp.insert(grp.end(), {12, 0, 16, 0, 12, 0});     // 22: A, B, A (A at 34, B at 38)
    grp.insert(grp.end(), {10, 0, 6, 0, 10, 0});      // 28: B, A, B
    grp.insert(grp.end(), {3, 40, 41, 42});           // 34: A
    grp.insert(grp.end(), {0x81, 2, 50, 51});         // 38: B
    return grp;
}

TEST(SpriteSheet, EachRowIsDecodedFromItsOwnOffset) {
    TDoodadGRP sheet(SharedRowsSheet(), nullptr, {});
    const std::vector<std::uint8_t> a = {40, 41, 42}, b = {0xEE, 50, 51};
    const auto row = [](const Target& t, int y) {
        return std::vector<std::uint8_t>{t.at(4, y), t.at(5, y), t.at(6, y)};
    };
    Target first;
    sheet.DrawFrame(0, 5, 5, first.data(), 10, 10, 0, {});
    EXPECT_EQ(row(first, 4), a);
    EXPECT_EQ(row(first, 5), b);
    EXPECT_EQ(row(first, 6), a);
    EXPECT_EQ(first.drawn(), 8);
    Target second;
    sheet.DrawFrame(1, 5, 5, second.data(), 10, 10, 0, {});
    EXPECT_EQ(row(second, 4), b);
    EXPECT_EQ(row(second, 5), a);
    EXPECT_EQ(row(second, 6), b);
    EXPECT_EQ(second.drawn(), 7);
}

TEST(SpriteSheet, RowsOutsideTheFileAreSkippedAndTheOthersDraw) {
    // Frame 0 lists A, a row past the end of the file, B.
    auto pastTheEnd = SharedRowsSheet();
    pastTheEnd[24] = 0xFF;
    pastTheEnd[25] = 0xFF;
    TDoodadGRP sheet(pastTheEnd, nullptr, {});
    Target t;
    sheet.DrawFrame(0, 5, 5, t.data(), 10, 10, 0, {});
    EXPECT_EQ(t.at(4, 4), 40);
    EXPECT_EQ(t.at(6, 6), 42);
    EXPECT_EQ(t.drawn(), 6);

    // A table that the file cuts after its second entry: row 0 is the two bytes of that entry
    // (copy one byte, 60), row 1 points past the end, row 2's entry is not there.
    std::vector<std::uint8_t> cut = {1, 0, 3, 0, 3, 0, 0, 0, 3, 3, 14, 0, 0, 0, 2, 0, 1, 60};
    TDoodadGRP truncated(cut, nullptr, {});
    Target u;
    truncated.DrawFirstFrame(5, 5, u.data(), 10, 10);
    EXPECT_EQ(u.at(4, 4), 60);
    EXPECT_EQ(u.drawn(), 1);
}

TEST(SpriteSheet, DrawsItsTurretOverItselfInTheOwnersColours) {
    TDoodadGRP body = Sheet(Fill(20));
    Canvas small(2, 2);
    small.pixels = {90, 90, 90, 8}; // 8: the first index of the player colours
    TDoodadGRP turret(EncodeGrp({small}), nullptr, {});
    body.Turret = &turret;
    body.TurretX = 2;
    std::vector<std::uint8_t> remap(128);
    for (std::size_t i = 0; i < remap.size(); ++i)
        remap[i] = static_cast<std::uint8_t>(200 + i / 8);
    Target t;
    body.DrawFrame(0, 4, 4, t.data(), 10, 10, 3, remap);
    EXPECT_EQ(t.at(2, 3), 20);
    EXPECT_EQ(t.at(5, 3), 90);  // turret centred at (6, 4): left 5, top 3
    EXPECT_EQ(t.at(6, 4), 203); // colour 3's block
}

TEST(SpriteSheet, AReducedDrawKeepsEveryScaleThPixelOfTheFullDraw) {
    Canvas body(13, 11);
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 13; ++x)
            if ((x + 2 * y) % 7 != 0)
                body.set(x, y, 1 + (x * 5 + y * 3) % 24); // holes, player colours
    Canvas top(5, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            top.set(x, y, 100 + x + 5 * y);
    TDoodadGRP sheet(EncodeGrp({body}), nullptr, {});
    TDoodadGRP turret(EncodeGrp({top}), nullptr, {});
    sheet.Turret = &turret;
    sheet.TurretX = 3;
    sheet.TurretY = -2;
    std::vector<std::uint8_t> table(128);
    std::iota(table.begin(), table.end(), 128);

    const int width = 7, height = 5;
    const auto draw = [&](int op, int x, int y, std::uint8_t* target, int w, int h, const Reduction& r) {
        if (op == 0)
            sheet.DrawFrame(0, x, y, target, h, w, 1, table, r);
        if (op == 1)
            sheet.DrawFirstFrame(x, y, target, h, w, r);
        if (op == 2)
            sheet.DrawFirstFrameSelection(x, y, 2, table, target, h, w, r);
    };
    for (int scale : {2, 4}) {
        for (int offset = 0; offset < scale; ++offset) {
            const int bigWidth = offset + width * scale, bigHeight = offset + height * scale;
            for (int op = 0; op < 3; ++op) {
                for (int y = -9; y <= bigHeight + 9; ++y) {
                    for (int x = -10; x <= bigWidth + 10; ++x) {
                        std::vector<std::uint8_t> big(static_cast<std::size_t>(bigWidth * bigHeight), 0xEE);
                        std::vector<std::uint8_t> small(static_cast<std::size_t>(width * height), 0xEE);
                        draw(op, x, y, big.data(), bigWidth, bigHeight, {});
                        draw(op, x, y, small.data(), width, height, {scale, offset});
                        std::vector<std::uint8_t> sampled;
                        for (int ty = 0; ty < height; ++ty)
                            for (int tx = 0; tx < width; ++tx)
                                sampled.push_back(big[static_cast<std::size_t>(
                                    (offset + ty * scale) * bigWidth + offset + tx * scale)]);
                        ASSERT_EQ(small, sampled) << "scale " << scale << " offset " << offset << " op " << op
                                                  << " at " << x << ", " << y;
                    }
                }
            }
        }
    }
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
            for (int x = 0; x < 8; ++x)
                c.set(x, y, 20 + (x * y) % 5);
        return c;
    }()});
    // Every truncation and a frame count and data offset that point past the end.
    for (std::size_t size = 0; size <= good.size(); ++size) {
        TDoodadGRP sheet(
            std::vector<std::uint8_t>(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size)),
            nullptr, {});
        Target t;
        sheet.DrawFrame(0, 5, 5, t.data(), 10, 10, 0, {});
        sheet.DrawFrame(7, 5, 5, t.data(), 10, 10, 0, {});
    }
    auto bad = good;
    bad[0] = 0xFF;  // 255 frames, one header present
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
