#pragma once

// One tileset of the game: its terrain and doodad groups, megatiles, minitiles, palette,
// doodad footprints and creep sheet, expanded at load time into fixed tables that the
// renderer and the terrain tools read by index.
//
// A tile value is tile group x 16 + slot. Groups 0 to 3000, minitiles 0 to 40000 and
// doodads 0 to 511 fit the tables; anything a file or a map names beyond them is clipped:
// tile values of higher groups have no graphics, minitile references beyond the table draw
// minitile 0, doodad groups with a number of 512 or more define no doodad. Nothing a file
// says makes a table read or write outside its bounds.

#include "graphics/TGRP.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

namespace orv {

class TMyMPQ;

inline constexpr int kTileGroupCount = 3001;
inline constexpr int kTileValueCount = kTileGroupCount * 16;
inline constexpr int kMiniTileCount = 40001;
inline constexpr int kDoodadCount = 512;
inline constexpr int kFirstDoodadGroup = 1023;

// The 20-byte header of a tile group. Terrain groups read the edge names; doodad groups
// use the same words for their doodad fields.
struct TileGroupHeader {
    std::uint16_t Type = 0;
    std::uint16_t Flags = 0;
    std::uint16_t EdgeLeft = 0; // doodad: OverlayId
    std::uint16_t EdgeTop = 0;
    std::uint16_t EdgeRight = 0; // doodad: GroupNameString
    std::uint16_t EdgeBottom = 0;
    std::uint16_t Unused12 = 0;    // doodad: DoodadNumber
    std::uint16_t EdgeTop2 = 0;    // terrain: TopPiece; doodad: Width
    std::uint16_t Unused16 = 0;    // doodad: Height
    std::uint16_t EdgeBottom2 = 0; // terrain: BottomPiece

    std::uint16_t OverlayId() const { return EdgeLeft; }
    std::uint16_t GroupNameString() const { return EdgeRight; }
    std::uint16_t DoodadNumber() const { return Unused12; }
    std::uint16_t DoodadWidth() const { return EdgeTop2; }
    std::uint16_t DoodadHeight() const { return Unused16; }
    std::uint16_t TopPiece() const { return EdgeTop2; }
    std::uint16_t BottomPiece() const { return EdgeBottom2; }
};

// The 16 minitile references (bit 0: mirrored; the rest: minitile number) and the 16
// minitile flag words of one tile value. References are kept 32 bits wide, as the current
// game's ".vx4ex" stores them (a ".vx4" holds 16-bit ones).
struct TileGraphicsEntry {
    std::array<std::uint32_t, 16> MiniTiles{};
    std::array<std::uint16_t, 16> Flags{};
};

struct DoodadInfoRecord {
    std::uint16_t SheetIndex = 0; // GrpSheets slot of the overlay sprite; 0 = none
    std::uint8_t GroupFlags = 0;
    std::uint16_t NameString = 0;
    std::uint8_t Width = 0;
    std::uint8_t Height = 0;
    std::uint16_t FirstGroup = 0;
};

using MiniTileBitmap = std::array<std::uint8_t, 64>;

class CStarcraftTileset {
public:
    // Loads "tileset\<stem>.cv5" and the rest from the archives. The megatiles come from
    // "<stem>.vx4ex" (32-bit references, which reach the minitiles the current game added)
    // when the source of the ".vx4", or one searched before it, holds one; else from ".vx4". The dat images
    // resolve the doodads' overlay sprites to sprite-sheet slots.
    CStarcraftTileset(const std::string& stem, TMyMPQ& archives, std::span<const std::uint8_t> imagesDat,
                      std::span<const std::uint8_t> spritesDat);

    const std::string& Stem() const { return m_stem; }

    std::array<std::uint32_t, 256> PaletteColorRef{}; // 0x00BBGGRR
    std::array<std::uint32_t, 256> PaletteRGB{};      // 0x00RRGGBB

    // Number of groups the .cv5 held (at most kTileGroupCount are kept).
    int GroupCount() const { return m_groupCount; }

    const TileGroupHeader& Header(int group) const;
    std::uint16_t MegatileIndex(int group, int slot) const;
    // The entry of a tile value; an all-zero entry for values beyond the table.
    const TileGraphicsEntry& Graphics(int tileValue) const;
    const MiniTileBitmap& MiniTile(int number, bool mirrored = false) const;
    // A minitile reduced for zoomed-out views (scale 2 or 4): (8 / scale) rows of 8 / scale
    // palette indices, the pixel in the middle of each scale x scale block. Built for the
    // whole tileset on first use.
    const std::uint8_t* ReducedMiniTile(int number, bool mirrored, int scale) const;
    // A whole tile reduced the same way: (32 / scale) rows of 32 / scale indices. Tiles are
    // composed a group at a time, on first use.
    const std::uint8_t* ReducedTile(int tileValue, int scale) const;
    const DoodadInfoRecord& DoodadInfo(int doodad) const;
    // Required tile group of doodad cell (column, row), or 0.
    std::uint16_t DoodadPlacement(int doodad, int column, int row) const;
    const TDoodadGRP& CreepSheet() const { return *m_creep; }

    bool TileHasGraphics(int tileValue) const;
    // Draws a 32 x 32 tile / an 8 x 8 minitile with its top-left at (x, y), clipped to the
    // target, in PaletteRGB colours (the byte order of the program's 32-bit pictures).
    void DrawTile(const PixelTarget32& target, int tileValue, int x, int y) const;
    void DrawMiniTile(const PixelTarget32& target, int miniTile, int x, int y, bool mirrored) const;
    // The mini-map pixel of a tile: pixel (0, 0) of its first minitile, unmirrored.
    void DrawTilePixel(const PixelTarget32& target, int tileValue, int x, int y) const;
    // A random drawable variant of the group of `groupBase` (group x 16); 33 when none has
    // graphics.
    int RandomTileInGroup(int groupBase) const;

private:
    void LoadGroups(const std::vector<std::uint8_t>& cv5);
    // `wide`: the megatile file is a ".vx4ex" (16 u32 references per megatile).
    void LoadGraphics(const std::vector<std::uint8_t>& vx4, const std::vector<std::uint8_t>& vf4, bool wide);
    void LoadPalette(const std::vector<std::uint8_t>& wpe);
    void LoadMiniTiles(const std::vector<std::uint8_t>& vr4);
    void LoadDoodads(const std::vector<std::uint8_t>& dddata, std::span<const std::uint8_t> imagesDat,
                     std::span<const std::uint8_t> spritesDat);

    std::string m_stem;
    int m_groupCount = 0;
    std::vector<TileGroupHeader> m_headers;                 // kTileGroupCount
    std::vector<std::array<std::uint16_t, 16>> m_megatiles; // kTileGroupCount
    std::vector<TileGraphicsEntry> m_graphics;              // kTileValueCount
    std::vector<MiniTileBitmap> m_miniTiles;                // kMiniTileCount
    std::vector<MiniTileBitmap> m_mirrored;                 // kMiniTileCount
    // Per scale 2 and 4: every minitile reduced, then every mirrored one.
    mutable std::array<std::vector<std::uint8_t>, 2> m_reduced;
    mutable std::array<std::once_flag, 2> m_reducedOnce;
    struct ReducedGroups {
        std::vector<std::atomic<std::uint8_t*>> groups =
            std::vector<std::atomic<std::uint8_t*>>(kTileGroupCount + 1);
        std::vector<std::unique_ptr<std::uint8_t[]>> owned;
        std::mutex lock;
    };
    mutable std::array<ReducedGroups, 2> m_reducedTiles;
    std::vector<std::array<std::uint16_t, 256>> m_placement; // kDoodadCount
    std::vector<DoodadInfoRecord> m_doodads;                 // kDoodadCount
    std::unique_ptr<TDoodadGRP> m_creep;
};

} // namespace orv
