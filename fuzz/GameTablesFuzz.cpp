// Any bytes as a string table, a PCX colour row and a sprite sheet.

#include "app/Debugunit.h"
#include "app/GameTables.h"
#include "graphics/TGRP.h"

#include <array>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    orv::SetDebugLogPath({}); // no log file grows while fuzzing
    const orv::Bytes bytes(data, size);
    for (const std::string& s : orv::ReadStringTable(bytes)) {
        (void)orv::SplitNameParts(s);
    }
    (void)orv::ReadPcxColourRow(bytes, 128);

    static std::array<std::uint8_t, 128> remap{};
    static std::array<std::uint32_t, 256> palette{};
    orv::TDoodadGRP sheet(std::vector<std::uint8_t>(data, data + size), palette.data(), remap);
    orv::TDoodadGRP turret(std::vector<std::uint8_t>(data, data + size), palette.data(), remap);
    sheet.Turret = &turret;
    std::array<std::uint8_t, 64 * 48> target{};
    std::array<std::uint32_t, 40 * 30> dc{};
    const int frames = std::min(sheet.FrameCount(), 64);
    for (int f = -1; f <= frames; ++f) {
        sheet.DrawFrame(f, 32, 24, target.data(), 48, 64, f & 15, remap);
    }
    sheet.DrawFirstFrame(-5, 50, target.data(), 48, 64);
    sheet.DrawFirstFrameSelection(10, 10, 2, std::span(remap).first(24), target.data(), 48, 64);
    sheet.DrawFirstFrameToDC(20, 15, 3, orv::PixelTarget32{dc.data(), 40, 30, 40});
    return 0;
}
