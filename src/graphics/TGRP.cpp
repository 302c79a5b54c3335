#include "graphics/TGRP.h"

#include "archive/Stormunit.h"

#include <array>

namespace orv {
namespace {

// Where map coordinate `start + i` lands on a reduced axis of `length` target pixels:
// its index, or -1 when it is not sampled or lies outside.
int ReducedIndex(std::int64_t start, int i, int scale, int length) {
    const std::int64_t d = start + i;
    if (d < 0 || d % scale != 0 || d / scale >= length) {
        return -1;
    }
    return static_cast<int>(d / scale);
}

std::uint8_t RemapPlayer(std::uint8_t v, int colour, std::span<const std::uint8_t> table) {
    if (v < 8 || v > 15 || colour < 0) {
        return v;
    }
    const std::size_t index = static_cast<std::size_t>(v - 8) + 8 * static_cast<std::size_t>(colour);
    return index < table.size() ? table[index] : v;
}

std::uint8_t RemapSelection(std::uint8_t v, int colour, std::span<const std::uint8_t> table) {
    if (v < 1 || v > 15 || colour < 0) {
        return v;
    }
    const std::size_t index = static_cast<std::size_t>(v - 1) + 8 * static_cast<std::size_t>(colour);
    return index < table.size() ? table[index] : v;
}

} // namespace

TDoodadGRP::TDoodadGRP(std::string_view fileName, const std::uint32_t* palette, TMyMPQ& archives,
                       std::span<const std::uint8_t> remapTable, bool unitPrefix)
    : Palette(palette), RemapTable(remapTable) {
    const std::string name = unitPrefix ? "unit\\" + std::string(fileName) : std::string(fileName);
    if (auto data = archives.ReadFileToBuffer(name)) {
        m_data = std::move(*data);
    }
}

TDoodadGRP::TDoodadGRP(std::vector<std::uint8_t> data, const std::uint32_t* palette,
                       std::span<const std::uint8_t> remapTable)
    : Palette(palette), RemapTable(remapTable), m_data(std::move(data)) {}

int TDoodadGRP::FrameCount() const {
    return ReadLEOr<std::uint16_t>(m_data, 0, 0);
}

int TDoodadGRP::Width() const {
    return ReadLEOr<std::uint16_t>(m_data, 2, 0);
}

int TDoodadGRP::Height() const {
    return ReadLEOr<std::uint16_t>(m_data, 4, 0);
}

bool TDoodadGRP::GetFrameHeader(int frame, FrameHeader& out) const {
    if (frame < 0 || frame >= FrameCount()) {
        return false;
    }
    const std::size_t at = 6 + 8 * static_cast<std::size_t>(frame);
    const auto offset = ReadLE<std::uint32_t>(m_data, at + 4);
    if (!offset) {
        return false;
    }
    out.xOffset = m_data[at];
    out.yOffset = m_data[at + 1];
    out.width = m_data[at + 2];
    out.height = m_data[at + 3];
    out.dataOffset = *offset;
    return true;
}

template <typename Map>
void TDoodadGRP::Draw8(int frame, int x, int y, std::uint8_t* target, int targetHeight, int targetWidth,
                       const Reduction& reduction, Map&& map) const {
    FrameHeader h;
    if (!target || targetWidth <= 0 || targetHeight <= 0 || !GetFrameHeader(frame, h)) {
        return;
    }
    const int scale = reduction.scale < 1 ? 1 : reduction.scale;
    // The frame's first column and row relative to the first sampled map pixel.
    const std::int64_t left = std::int64_t{x} - Width() / 2 + h.xOffset - reduction.offset;
    const std::int64_t top = std::int64_t{y} - Height() / 2 + h.yOffset - reduction.offset;

    std::array<int, 256> columns; // frame widths come from one byte
    bool anyColumn = false;
    for (int c = 0; c < h.width; ++c) {
        columns[static_cast<std::size_t>(c)] = ReducedIndex(left, c, scale, targetWidth);
        anyColumn = anyColumn || columns[static_cast<std::size_t>(c)] >= 0;
    }
    if (!anyColumn) {
        return;
    }
    // Rows that are not sampled are not decoded at all.
    for (int r = 0; r < h.height; ++r) {
        const int ty = ReducedIndex(top, r, scale, targetHeight);
        if (ty < 0) {
            continue;
        }
        std::uint8_t* line = target + static_cast<std::size_t>(ty) * static_cast<std::size_t>(targetWidth);
        DecodeRow(h, r, [&](int c, std::uint8_t v) {
            const int tx = columns[static_cast<std::size_t>(c)];
            if (tx >= 0) {
                line[tx] = map(v);
            }
        });
    }
}

void TDoodadGRP::DrawFrame(int frame, int x, int y, std::uint8_t* target, int targetHeight, int targetWidth,
                           int colourIndex, std::span<const std::uint8_t> remapTable,
                           const Reduction& reduction) const {
    const auto remap = [&](std::uint8_t v) { return RemapPlayer(v, colourIndex, remapTable); };
    Draw8(frame, x, y, target, targetHeight, targetWidth, reduction, remap);
    if (Turret) {
        // The turret takes its owner's colours as the base does.
        Turret->Draw8(0, x + TurretX, y + TurretY, target, targetHeight, targetWidth, reduction, remap);
    }
}

void TDoodadGRP::DrawFirstFrame(int x, int y, std::uint8_t* target, int targetHeight, int targetWidth,
                                const Reduction& reduction) const {
    Draw8(0, x, y, target, targetHeight, targetWidth, reduction, [](std::uint8_t v) { return v; });
}

void TDoodadGRP::DrawFirstFrameSelection(int x, int y, int colourIndex,
                                         std::span<const std::uint8_t> selectionTable, std::uint8_t* target,
                                         int targetHeight, int targetWidth,
                                         const Reduction& reduction) const {
    Draw8(0, x, y, target, targetHeight, targetWidth, reduction,
          [&](std::uint8_t v) { return RemapSelection(v, colourIndex, selectionTable); });
}

void TDoodadGRP::DrawFirstFrameToDC(int x, int y, int colourIndex, const PixelTarget32& dc) const {
    FrameHeader h;
    if (!Palette || !dc.pixels || !GetFrameHeader(0, h)) {
        return;
    }
    const int left = x - Width() / 2 + h.xOffset;
    const int top = y - Height() / 2 + h.yOffset;
    DecodeFrame(0, [&](int c, int r, std::uint8_t v) {
        const int tx = left + c;
        const int ty = top + r;
        if (tx >= 0 && tx < dc.width && ty >= 0 && ty < dc.height) {
            dc.pixels[static_cast<std::size_t>(ty) * static_cast<std::size_t>(dc.stride) +
                      static_cast<std::size_t>(tx)] = Palette[RemapPlayer(v, colourIndex, RemapTable)];
        }
    });
}

} // namespace orv
