#include "graphics/TGRP.h"

#include "archive/Stormunit.h"

namespace orv {
namespace {

// The 8-bit targets: nothing is written to column 0 or row 0.
struct Target8 {
    std::uint8_t* pixels;
    int width;
    int height;
    int left;
    int top;

    void Put(int column, int row, std::uint8_t value) const {
        const int tx = left + column;
        const int ty = top + row;
        if (tx > 0 && tx < width && ty > 0 && ty < height) {
            pixels[static_cast<std::size_t>(ty) * static_cast<std::size_t>(width) + static_cast<std::size_t>(tx)] = value;
        }
    }
};

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

void TDoodadGRP::DrawFrame(int frame, int x, int y, std::uint8_t* target, int targetHeight, int targetWidth,
                           int colourIndex, std::span<const std::uint8_t> remapTable) const {
    FrameHeader h;
    if (target && GetFrameHeader(frame, h)) {
        const Target8 out{target, targetWidth, targetHeight, x - Width() / 2 + h.xOffset, y - Height() / 2 + h.yOffset};
        DecodeFrame(frame, [&](int c, int r, std::uint8_t v) { out.Put(c, r, RemapPlayer(v, colourIndex, remapTable)); });
    }
    if (Turret) {
        Turret->DrawFirstFrame(x + TurretX, y + TurretY, target, targetHeight, targetWidth);
    }
}

void TDoodadGRP::DrawFirstFrame(int x, int y, std::uint8_t* target, int targetHeight, int targetWidth) const {
    FrameHeader h;
    if (!target || !GetFrameHeader(0, h)) {
        return;
    }
    const Target8 out{target, targetWidth, targetHeight, x - Width() / 2 + h.xOffset, y - Height() / 2 + h.yOffset};
    DecodeFrame(0, [&](int c, int r, std::uint8_t v) { out.Put(c, r, v); });
}

void TDoodadGRP::DrawFirstFrameSelection(int x, int y, int colourIndex, std::span<const std::uint8_t> selectionTable,
                                         std::uint8_t* target, int targetHeight, int targetWidth) const {
    FrameHeader h;
    if (!target || !GetFrameHeader(0, h)) {
        return;
    }
    const Target8 out{target, targetWidth, targetHeight, x - Width() / 2 + h.xOffset, y - Height() / 2 + h.yOffset};
    DecodeFrame(0, [&](int c, int r, std::uint8_t v) { out.Put(c, r, RemapSelection(v, colourIndex, selectionTable)); });
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
            dc.pixels[static_cast<std::size_t>(ty) * static_cast<std::size_t>(dc.stride) + static_cast<std::size_t>(tx)] =
                Palette[RemapPlayer(v, colourIndex, RemapTable)];
        }
    });
}

} // namespace orv
