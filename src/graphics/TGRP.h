#pragma once

// One GRP sprite sheet of the game: run-length coded frames of palette indices, drawn with
// the game's player-colour substitution.
//
// A frame drawn at (x, y) is placed with (x, y) at the centre of the sheet's bounding box.
// Each frame has a row table of one u16 per row: row r is decoded from the frame's data
// offset plus the r-th entry, so frames and rows may share their data and the rows' data
// may lie in any order. A row ends when its column reaches the frame width (a run that
// would pass it is cut there) or when the file ends; a row whose table entry or data lies
// outside the file is skipped, and the other rows still draw.
//
// Substitution of a sheet index v:
//   DrawFrame            v >= 16 and v <= 7 drawn as they are; 8..15 become
//                        remap[v - 8 + 8 * colour] (the player's block of eight).
//   DrawFirstFrame       unchanged.
//   DrawFirstFrameSelection  v >= 16 and v = 0 unchanged; 1..15 become
//                        selection[v - 1 + 8 * colour].
//   DrawFirstFrameToDC   Palette[v], with 8..15 substituted as DrawFrame does.
// Indices 0 to 7 are not player colours in the game's sheets (only 8 to 15 are), so they
// keep their own colour instead of borrowing the previous player's block. A substitution
// that would fall outside its table keeps the index as it is.
//
// The 8-bit operations write every pixel of the sprite that lands inside their target
// (0 <= x < width, 0 <= y < height) and nothing else. They may draw reduced: (x, y) and the
// sheet's placement stay in map pixels relative to the target's origin, and the target holds
// one pixel for each scale x scale block of map pixels. A sprite pixel on map pixel (mx, my)
// goes to target pixel ((mx - offset) / scale, (my - offset) / scale) when mx - offset and
// my - offset are both non-negative multiples of scale, and is left out otherwise; this is
// the same as drawing unreduced and keeping every scale-th pixel from (offset, offset).
//
// A sheet without data draws nothing and has HalfHeight() 0; nothing a sheet file says
// makes a draw read outside the file or write outside its target.

#include "base/ByteReader.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

class TMyMPQ;

// A 32-bit picture a sheet draws into "as onto a device context": one colour value per pixel,
// in whatever order the palette holds.
struct PixelTarget32 {
    std::uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0; // in pixels
};

// How an 8-bit draw samples the map: one target pixel for each scale x scale block of map
// pixels, taken at `offset` inside the block in both directions. The default draws every
// pixel. A scale below 1 is taken as 1.
struct Reduction {
    int scale = 1;
    int offset = 0;
};

class TDoodadGRP {
public:
    // Loads the sheet from the game archives ("unit\" + name with the prefix), searched in
    // priority order through the archives' shared slots. A file found nowhere leaves the
    // sheet without data.
    TDoodadGRP(std::string_view fileName, const std::uint32_t* palette, TMyMPQ& archives,
               std::span<const std::uint8_t> remapTable, bool unitPrefix);
    // A sheet over the bytes of a GRP file.
    TDoodadGRP(std::vector<std::uint8_t> data, const std::uint32_t* palette,
               std::span<const std::uint8_t> remapTable);

    const std::uint32_t* Palette = nullptr;   // 256 colours for DrawFirstFrameToDC
    std::span<const std::uint8_t> RemapTable; // player colours for DrawFirstFrameToDC
    const TDoodadGRP* Turret = nullptr;       // drawn over this sheet by DrawFrame
    int TurretX = 0;
    int TurretY = 0;

    bool HasData() const { return m_data.size() >= 6; }
    int FrameCount() const;
    int Width() const;
    int Height() const;
    int HalfHeight() const { return Height() / 2; }
    std::size_t DataSize() const { return m_data.size(); }

    // The turret, if any, is drawn with the same reduction.
    void DrawFrame(int frame, int x, int y, std::uint8_t* target, int targetHeight, int targetWidth,
                   int colourIndex, std::span<const std::uint8_t> remapTable,
                   const Reduction& reduction = {}) const;
    void DrawFirstFrame(int x, int y, std::uint8_t* target, int targetHeight, int targetWidth,
                        const Reduction& reduction = {}) const;
    void DrawFirstFrameSelection(int x, int y, int colourIndex, std::span<const std::uint8_t> selectionTable,
                                 std::uint8_t* target, int targetHeight, int targetWidth,
                                 const Reduction& reduction = {}) const;
    void DrawFirstFrameToDC(int x, int y, int colourIndex, const PixelTarget32& dc) const;

    // Calls put(column, row, index) for every pixel of the frame, in frame coordinates.
    template <typename Put> void DecodeFrame(int frame, Put&& put) const;

    struct FrameHeader {
        int xOffset = 0, yOffset = 0, width = 0, height = 0;
        std::uint32_t dataOffset = 0;
    };
    bool GetFrameHeader(int frame, FrameHeader& out) const;

private:
    // Calls put(column, index) for every pixel of one row of the frame `h` describes.
    template <typename Put> void DecodeRow(const FrameHeader& h, int row, Put&& put) const;

    // The 8-bit draws: frame `frame` placed for (x, y), each index passed through `map`.
    template <typename Map>
    void Draw8(int frame, int x, int y, std::uint8_t* target, int targetHeight, int targetWidth,
               const Reduction& reduction, Map&& map) const;

    std::vector<std::uint8_t> m_data;
};

template <typename Put> void TDoodadGRP::DecodeFrame(int frame, Put&& put) const {
    FrameHeader h;
    if (!GetFrameHeader(frame, h)) {
        return;
    }
    for (int row = 0; row < h.height; ++row) {
        DecodeRow(h, row, [&](int column, std::uint8_t v) { put(column, row, v); });
    }
}

template <typename Put> void TDoodadGRP::DecodeRow(const FrameHeader& h, int row, Put&& put) const {
    const std::uint64_t table = h.dataOffset;
    const auto rowOffset = ReadLE<std::uint16_t>(m_data, table + 2 * static_cast<std::uint64_t>(row));
    if (!rowOffset || table + *rowOffset >= m_data.size()) {
        return;
    }
    const std::uint8_t* data = m_data.data();
    const std::size_t size = m_data.size();
    auto pos = static_cast<std::size_t>(table + *rowOffset);
    int column = 0;
    while (column < h.width) {
        if (pos >= size) {
            return;
        }
        const std::uint8_t b = data[pos++];
        if (b >= 128) {
            column += b - 128;
        } else if (b >= 64) {
            if (pos >= size) {
                return;
            }
            const std::uint8_t v = data[pos++];
            for (int n = b - 64; n > 0 && column < h.width; --n) {
                put(column++, v);
            }
        } else {
            const std::size_t available = size - pos;
            const std::size_t run = b < available ? b : available;
            for (std::size_t n = 0; n < run && column < h.width; ++n) {
                put(column++, data[pos + n]);
            }
            pos += run;
        }
    }
}

} // namespace orv
