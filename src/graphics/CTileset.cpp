#include "graphics/CTileset.h"

#include "app/Debugunit.h"
#include "archive/Stormunit.h"
#include "base/ByteReader.h"
#include "base/Random.h"

#include <algorithm>
#include <cstring>

namespace orv {
namespace {

const TileGraphicsEntry kNoGraphics{};
const TileGroupHeader kNoHeader{};
const DoodadInfoRecord kNoDoodad{};
const MiniTileBitmap kBlankMiniTile{};

} // namespace

CStarcraftTileset::CStarcraftTileset(const std::string& stem, TMyMPQ& archives,
                                     std::span<const std::uint8_t> imagesDat,
                                     std::span<const std::uint8_t> spritesDat)
    : m_stem(stem), m_headers(kTileGroupCount), m_megatiles(kTileGroupCount), m_graphics(kTileValueCount),
      m_miniTiles(kMiniTileCount), m_mirrored(kMiniTileCount), m_placement(kDoodadCount),
      m_doodads(kDoodadCount) {
    const std::string base = "tileset\\" + stem;
    DebugLog("loading tileset");
    LoadGroups(archives.ReadFileToStream(base + ".cv5"));
    // A ".vx4ex" counts unless a source searched before its own overrides the ".vx4".
    const long wideSource = archives.SourceOf(base + ".vx4ex");
    const bool wide = wideSource != -1 && wideSource >= archives.SourceOf(base + ".vx4");
    LoadGraphics(archives.ReadFileToStream(base + (wide ? ".vx4ex" : ".vx4")),
                 archives.ReadFileToStream(base + ".vf4"), wide);
    LoadPalette(archives.ReadFileToStream(base + ".wpe"));
    LoadMiniTiles(archives.ReadFileToStream(base + ".vr4"));
    LoadDoodads(archives.ReadFileToStream(base + "\\dddata.bin"), imagesDat, spritesDat);
    m_creep = std::make_unique<TDoodadGRP>(base + ".grp", PaletteRGB.data(), archives,
                                           std::span<const std::uint8_t>{}, false);
    DebugLog("done loading tileset, ctilegroup stuff");
    DebugLog("done with tilegroup stuff");
}

void CStarcraftTileset::LoadGroups(const std::vector<std::uint8_t>& cv5) {
    // The first record is read even from a short file; then one more while 52 bytes remain.
    ByteReader in(cv5);
    m_groupCount = 0;
    do {
        if (m_groupCount >= kTileGroupCount) {
            break;
        }
        TileGroupHeader& h = m_headers[static_cast<std::size_t>(m_groupCount)];
        std::uint16_t* fields[] = {&h.Type,       &h.Flags,    &h.EdgeLeft, &h.EdgeTop,  &h.EdgeRight,
                                   &h.EdgeBottom, &h.Unused12, &h.EdgeTop2, &h.Unused16, &h.EdgeBottom2};
        for (std::uint16_t* field : fields) {
            *field = in.u16();
        }
        for (auto& megatile : m_megatiles[static_cast<std::size_t>(m_groupCount)]) {
            megatile = in.u16();
        }
        ++m_groupCount;
    } while (in.remaining() >= 52);
}

void CStarcraftTileset::LoadGraphics(const std::vector<std::uint8_t>& vx4,
                                     const std::vector<std::uint8_t>& vf4, bool wide) {
    const std::size_t width = wide ? 4 : 2;
    for (int g = 0; g < kTileGroupCount; ++g) {
        for (int k = 0; k < 16; ++k) {
            const std::size_t m = m_megatiles[static_cast<std::size_t>(g)][static_cast<std::size_t>(k)];
            TileGraphicsEntry& entry = m_graphics[static_cast<std::size_t>(g * 16 + k)];
            for (std::size_t p = 0; p < 16; ++p) {
                std::uint32_t ref = wide ? ReadLEOr<std::uint32_t>(vx4, m * 16 * width + p * width, 0)
                                         : ReadLEOr<std::uint16_t>(vx4, m * 16 * width + p * width, 0);
                if ((ref >> 1) >= kMiniTileCount) {
                    ref = 0; // beyond the minitile table: drawn as minitile 0
                }
                entry.MiniTiles[p] = ref;
                entry.Flags[p] = ReadLEOr<std::uint16_t>(vf4, m * 32 + p * 2, 0);
            }
        }
    }
}

void CStarcraftTileset::LoadPalette(const std::vector<std::uint8_t>& wpe) {
    for (std::size_t c = 0; c < 256; ++c) {
        const std::uint32_t ref = ReadLEOr<std::uint32_t>(wpe, c * 4, 0);
        PaletteColorRef[c] = ref;
        PaletteRGB[c] = (ref & 0xFF00) + (ref & 0xFF) * 65536 + ((ref >> 16) & 0xFF);
    }
}

void CStarcraftTileset::LoadMiniTiles(const std::vector<std::uint8_t>& vr4) {
    const std::size_t count = std::min<std::size_t>(vr4.size() / 64, kMiniTileCount);
    for (std::size_t n = 0; n < count; ++n) {
        MiniTileBitmap& plain = m_miniTiles[n];
        std::copy_n(vr4.begin() + static_cast<std::ptrdiff_t>(n * 64), 64, plain.begin());
        for (int row = 0; row < 8; ++row) {
            for (int col = 0; col < 8; ++col) {
                m_mirrored[n][static_cast<std::size_t>(row * 8 + col)] =
                    plain[static_cast<std::size_t>(row * 8 + 7 - col)];
            }
        }
    }
}

void CStarcraftTileset::LoadDoodads(const std::vector<std::uint8_t>& dddata,
                                    std::span<const std::uint8_t> imagesDat,
                                    std::span<const std::uint8_t> spritesDat) {
    for (std::size_t d = 0; d < kDoodadCount; ++d) {
        for (std::size_t i = 0; i < 256; ++i) {
            m_placement[d][i] = ReadLEOr<std::uint16_t>(dddata, d * 512 + i * 2, 0);
        }
    }
    for (int g = kFirstDoodadGroup; g < kTileGroupCount;) {
        const TileGroupHeader& h = m_headers[static_cast<std::size_t>(g)];
        const int height = h.DoodadHeight() & 0xFF;
        const int d = h.DoodadNumber();
        if (d < kDoodadCount) {
            DoodadInfoRecord& info = m_doodads[static_cast<std::size_t>(d)];
            info.FirstGroup = static_cast<std::uint16_t>(g);
            info.Width = static_cast<std::uint8_t>(h.DoodadWidth() & 0xFF);
            info.Height = static_cast<std::uint8_t>(height);
            info.NameString = h.GroupNameString();
            info.GroupFlags = static_cast<std::uint8_t>(h.Flags & 0xFF);
            info.SheetIndex = 0;
            if (h.OverlayId() != 0) {
                // The same lookup the renderer uses for sprites: sprite -> image -> sheet.
                const auto image = ReadLE<std::uint16_t>(spritesDat, 2 * std::size_t{h.OverlayId()});
                const auto file =
                    image ? ReadLE<std::uint32_t>(imagesDat, 4 * std::size_t{*image}) : std::nullopt;
                info.SheetIndex =
                    file && *file > 0 && *file <= 0xFFFF ? static_cast<std::uint16_t>(*file - 1) : 0;
            }
        }
        g += height == 0 ? 1 : height;
    }
}

const TileGroupHeader& CStarcraftTileset::Header(int group) const {
    return group >= 0 && group < kTileGroupCount ? m_headers[static_cast<std::size_t>(group)] : kNoHeader;
}

std::uint16_t CStarcraftTileset::MegatileIndex(int group, int slot) const {
    if (group < 0 || group >= kTileGroupCount || slot < 0 || slot > 15) {
        return 0;
    }
    return m_megatiles[static_cast<std::size_t>(group)][static_cast<std::size_t>(slot)];
}

const TileGraphicsEntry& CStarcraftTileset::Graphics(int tileValue) const {
    // Bit 15 of a tile value is not part of it (the game masks it off when it indexes).
    if (tileValue > 0) {
        tileValue &= 0x7FFF;
    }
    return tileValue >= 0 && tileValue < kTileValueCount ? m_graphics[static_cast<std::size_t>(tileValue)]
                                                         : kNoGraphics;
}

const MiniTileBitmap& CStarcraftTileset::MiniTile(int number, bool mirrored) const {
    if (number < 0 || number >= kMiniTileCount) {
        return kBlankMiniTile;
    }
    return (mirrored ? m_mirrored : m_miniTiles)[static_cast<std::size_t>(number)];
}

const std::uint8_t* CStarcraftTileset::ReducedMiniTile(int number, bool mirrored, int scale) const {
    const std::size_t which = scale == 4 ? 1 : 0;
    const int side = scale == 4 ? 2 : 4;
    const std::size_t size = static_cast<std::size_t>(side * side);
    std::call_once(m_reducedOnce[which], [&] {
        const int step = 8 / side;
        auto& reduced = m_reduced[which];
        reduced.resize(2 * static_cast<std::size_t>(kMiniTileCount) * size);
        std::uint8_t* out = reduced.data();
        for (const auto* source : {&m_miniTiles, &m_mirrored}) {
            for (int n = 0; n < kMiniTileCount; ++n) {
                const MiniTileBitmap& bitmap = static_cast<std::size_t>(n) < source->size()
                                                   ? (*source)[static_cast<std::size_t>(n)]
                                                   : kBlankMiniTile;
                for (int y = 0; y < side; ++y) {
                    for (int x = 0; x < side; ++x) {
                        *out++ =
                            bitmap[static_cast<std::size_t>((y * step + step / 2) * 8 + x * step + step / 2)];
                    }
                }
            }
        }
    });
    if (number < 0 || number >= kMiniTileCount) {
        number = 0;
    }
    return m_reduced[which].data() +
           (static_cast<std::size_t>(mirrored ? kMiniTileCount : 0) + static_cast<std::size_t>(number)) *
               size;
}

const std::uint8_t* CStarcraftTileset::ReducedTile(int tileValue, int scale) const {
    const std::size_t which = scale == 4 ? 1 : 0;
    const int side = 32 / (scale == 4 ? 4 : 2), mini = side / 4;
    const std::size_t tileBytes = static_cast<std::size_t>(side * side);
    // Bit 15 is masked off as Graphics() does; values past the table share the blank group
    // past the last one.
    const int masked = tileValue >= 0 ? tileValue & 0x7FFF : kTileValueCount;
    const int value = masked < kTileValueCount ? masked : kTileValueCount;
    const auto group = static_cast<std::size_t>(value / 16);
    ReducedGroups& cache = m_reducedTiles[which];
    std::uint8_t* tiles = cache.groups[group].load(std::memory_order_acquire);
    if (!tiles) {
        std::lock_guard hold(cache.lock);
        tiles = cache.groups[group].load(std::memory_order_relaxed);
        if (!tiles) {
            auto made = std::make_unique<std::uint8_t[]>(16 * tileBytes);
            for (int v = 0; v < 16; ++v) {
                const TileGraphicsEntry& entry = Graphics(static_cast<int>(group) * 16 + v);
                std::uint8_t* out = made.get() + static_cast<std::size_t>(v) * tileBytes;
                for (int r = 0; r < 4; ++r) {
                    for (int c = 0; c < 4; ++c) {
                        const std::uint32_t ref = entry.MiniTiles[static_cast<std::size_t>(r * 4 + c)];
                        const std::uint8_t* source =
                            ReducedMiniTile(static_cast<int>(ref >> 1), (ref & 1) != 0, scale);
                        for (int l = 0; l < mini; ++l) {
                            std::memcpy(out + static_cast<std::size_t>((r * mini + l) * side + c * mini),
                                        source + l * mini, static_cast<std::size_t>(mini));
                        }
                    }
                }
            }
            tiles = made.get();
            cache.owned.push_back(std::move(made));
            cache.groups[group].store(tiles, std::memory_order_release);
        }
    }
    return tiles + static_cast<std::size_t>(value % 16) * tileBytes;
}

const DoodadInfoRecord& CStarcraftTileset::DoodadInfo(int doodad) const {
    return doodad >= 0 && doodad < kDoodadCount ? m_doodads[static_cast<std::size_t>(doodad)] : kNoDoodad;
}

std::uint16_t CStarcraftTileset::DoodadPlacement(int doodad, int column, int row) const {
    const DoodadInfoRecord& info = DoodadInfo(doodad);
    const int index = row * info.Width + column;
    if (doodad < 0 || doodad >= kDoodadCount || column < 0 || row < 0 || index < 0 || index >= 256) {
        return 0;
    }
    return m_placement[static_cast<std::size_t>(doodad)][static_cast<std::size_t>(index)];
}

bool CStarcraftTileset::TileHasGraphics(int tileValue) const {
    const TileGraphicsEntry& e = Graphics(tileValue);
    return (e.MiniTiles[0] >> 1) != 0 || (e.MiniTiles[3] >> 1) != 0 || (e.MiniTiles[12] >> 1) != 0 ||
           (e.MiniTiles[15] >> 1) != 0;
}

void CStarcraftTileset::DrawMiniTile(const PixelTarget32& target, int miniTile, int x, int y,
                                     bool mirrored) const {
    const MiniTileBitmap& bitmap = MiniTile(miniTile, mirrored);
    for (int row = 0; row < 8; ++row) {
        const int ty = y + row;
        if (ty < 0 || ty >= target.height) {
            continue;
        }
        for (int col = 0; col < 8; ++col) {
            const int tx = x + col;
            if (tx >= 0 && tx < target.width) {
                target.pixels[static_cast<std::size_t>(ty) * static_cast<std::size_t>(target.stride) +
                              static_cast<std::size_t>(tx)] =
                    PaletteRGB[bitmap[static_cast<std::size_t>(row * 8 + col)]];
            }
        }
    }
}

void CStarcraftTileset::DrawTile(const PixelTarget32& target, int tileValue, int x, int y) const {
    if (!target.pixels || !TileHasGraphics(tileValue)) {
        return;
    }
    const TileGraphicsEntry& e = Graphics(tileValue);
    for (int p = 0; p < 16; ++p) {
        const std::uint32_t ref = e.MiniTiles[static_cast<std::size_t>(p)];
        DrawMiniTile(target, static_cast<int>(ref >> 1), x + 8 * (p % 4), y + 8 * (p / 4), (ref & 1) != 0);
    }
}

void CStarcraftTileset::DrawTilePixel(const PixelTarget32& target, int tileValue, int x, int y) const {
    if (!target.pixels || !TileHasGraphics(tileValue) || x < 0 || y < 0 || x >= target.width ||
        y >= target.height) {
        return;
    }
    const MiniTileBitmap& bitmap = MiniTile(static_cast<int>(Graphics(tileValue).MiniTiles[0] >> 1), false);
    target.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(target.stride) +
                  static_cast<std::size_t>(x)] = PaletteRGB[bitmap[0]];
}

int CStarcraftTileset::RandomTileInGroup(int groupBase) const {
    const int base = (groupBase / 16) * 16;
    bool any = false;
    for (int k = 0; k < 16; ++k) {
        any = any || TileHasGraphics(base + k);
    }
    if (!any) {
        return 33;
    }
    for (;;) {
        // Drawn within the group itself, so a base that is not a multiple of 16 cannot
        // send the search into a group without graphics for ever.
        const int candidate = base + RandomBelow(16);
        if (TileHasGraphics(candidate)) {
            return candidate;
        }
    }
}

} // namespace orv
