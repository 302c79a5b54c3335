#include "view/MapRenderer.h"

#include "graphics/RuleTables.h"
#include "view/Overlays.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ORV_X86 1
#endif

namespace orv {
namespace {

#ifdef ORV_X86
__attribute__((target("sse2"))) void ConvertSse2(const std::uint8_t* in, std::uint32_t* out,
                                                 std::size_t blocks, const std::uint32_t* palette) {
    // From the end towards the start, 8 pixels a step, stores that bypass the cache.
    for (std::size_t b = blocks; b-- > 0;) {
        const std::uint8_t* p = in + 8 * b;
        std::uint32_t* q = out + 8 * b;
        const __m128i lo = _mm_set_epi32(static_cast<int>(palette[p[3]]), static_cast<int>(palette[p[2]]),
                                         static_cast<int>(palette[p[1]]), static_cast<int>(palette[p[0]]));
        const __m128i hi = _mm_set_epi32(static_cast<int>(palette[p[7]]), static_cast<int>(palette[p[6]]),
                                         static_cast<int>(palette[p[5]]), static_cast<int>(palette[p[4]]));
        if ((reinterpret_cast<std::uintptr_t>(q) & 15) == 0) {
            _mm_stream_si128(reinterpret_cast<__m128i*>(q), lo);
            _mm_stream_si128(reinterpret_cast<__m128i*>(q + 4), hi);
        } else {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(q), lo);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(q + 4), hi);
        }
    }
    _mm_sfence();
}

__attribute__((target("avx2"))) void ConvertAvx2(const std::uint8_t* in, std::uint32_t* out,
                                                 std::size_t blocks, const std::uint32_t* palette) {
    const auto* table = reinterpret_cast<const int*>(palette);
    std::size_t b = blocks;
    // Two blocks a step, so that two gathers are in flight at once.
    for (; b >= 2; b -= 2) {
        const std::uint8_t* p = in + 8 * (b - 2);
        std::uint32_t* q = out + 8 * (b - 2);
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m256i first = _mm256_i32gather_epi32(table, _mm256_cvtepu8_epi32(bytes), 4);
        const __m256i second =
            _mm256_i32gather_epi32(table, _mm256_cvtepu8_epi32(_mm_srli_si128(bytes, 8)), 4);
        if ((reinterpret_cast<std::uintptr_t>(q) & 31) == 0) {
            _mm256_stream_si256(reinterpret_cast<__m256i*>(q + 8), second);
            _mm256_stream_si256(reinterpret_cast<__m256i*>(q), first);
        } else {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(q + 8), second);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(q), first);
        }
    }
    if (b == 1) {
        const __m256i indices = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(in)));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_i32gather_epi32(table, indices, 4));
    }
    _mm_sfence();
}

bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

} // namespace

void ConvertFrameScalar(const std::uint8_t* frame8, std::uint32_t* frame32, std::size_t count,
                        const std::uint32_t* palette) {
    for (std::size_t i = 0; i < count; ++i) {
        frame32[i] = palette[frame8[i]];
    }
}

void ConvertFrameBlock(const std::uint8_t* frame8, std::uint32_t* frame32, std::size_t count,
                       const std::uint32_t* palette) {
    const std::size_t blocks = count / 8;
    const std::size_t tail = blocks * 8;
    ConvertFrameScalar(frame8 + tail, frame32 + tail, count - tail, palette);
#ifdef ORV_X86
    if (HasAvx2()) {
        ConvertAvx2(frame8, frame32, blocks, palette);
    } else {
        ConvertSse2(frame8, frame32, blocks, palette);
    }
#else
    ConvertFrameScalar(frame8, frame32, tail, palette);
#endif
}

const char* ConvertFramePath() {
#ifdef ORV_X86
    return HasAvx2() ? "avx2" : "sse2";
#else
    return "scalar";
#endif
}

bool InView(int x, int y, const ViewState& view) {
    const std::int64_t left = std::int64_t{view.ScrollTileX} * 32, top = std::int64_t{view.ScrollTileY} * 32;
    const std::int64_t wide = std::int64_t{view.ViewWidth} * view.Scale,
                       high = std::int64_t{view.ViewHeight} * view.Scale;
    return left - 128 < x && x < left + wide + 128 && top - 128 < y && y < top + high + 128;
}

int UnitSpriteNumber(const TGameData& data, int unitType) {
    if (unitType < 0 || unitType >= kUnitTypeCount) {
        return -1;
    }
    const auto flingy = UnitsTable(data.UnitsDat).Flingy(unitType);
    return flingy ? FlingySprite(data.FlingyDat, *flingy).value_or(-1) : -1;
}

void CMapRenderer::BlitTile(const CStarcraftTileset& tileset, int tileValue, int left, int top,
                            const ViewState& view) {
    const int width = view.ViewWidth, height = view.ViewHeight;
    if (view.Scale > 1) {
        // Zoomed out: the tile composed once, reduced, row by row.
        const int side = 32 / view.Scale;
        const std::uint8_t* tile = tileset.ReducedTile(tileValue, view.Scale);
        if (left + side > width) {
            return;
        }
        for (int l = 0; l < side && top + l < height; ++l) {
            std::memcpy(&Frame8[static_cast<std::size_t>(top + l) * static_cast<std::size_t>(width) +
                                static_cast<std::size_t>(left)],
                        tile + l * side, static_cast<std::size_t>(side));
        }
        return;
    }
    const TileGraphicsEntry& entry = tileset.Graphics(tileValue);
    const int side = 8; // a minitile's frame pixels each way
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            const std::uint32_t ref = entry.MiniTiles[static_cast<std::size_t>(r * 4 + c)];
            const std::uint8_t* bitmap = tileset.MiniTile(static_cast<int>(ref >> 1), (ref & 1) != 0).data();
            const int x = left + c * side;
            if (x + side > width) {
                continue;
            }
            for (int l = 0; l < side; ++l) {
                const int y = top + r * side + l;
                if (y < height) {
                    std::memcpy(&Frame8[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                        static_cast<std::size_t>(x)],
                                bitmap + l * side, static_cast<std::size_t>(side));
                }
            }
        }
    }
}

void CMapRenderer::DrawTiles(const TCHK& chk, const CStarcraftTileset& tileset, const TGameData& data,
                             const ViewState& view, bool creep) {
    // The frame starts at the scroll tile, for the terrain as for everything else; past the
    // map's right and bottom edges it stays index 0.
    const int tp = view.TilePixels();
    const Reduction reduction{view.Scale, view.Scale / 2};
    const int columns =
        std::min({view.TilesWide(), chk.Width - view.ScrollTileX, kGridSide - view.ScrollTileX});
    const int rows =
        std::min({view.TilesHigh(), chk.Height - view.ScrollTileY, kGridSide - view.ScrollTileY});
    for (int i = 0; i < columns; ++i) {
        for (int j = 0; j < rows; ++j) {
            const int column = view.ScrollTileX + i, row = view.ScrollTileY + j;
            if (column < 0 || row < 0) {
                continue;
            }
            if (!creep) {
                BlitTile(tileset, chk.TileMap[TCHK::Cell(column, row)], i * tp, j * tp, view);
                continue;
            }
            const int c = column % 256, r = row % 256;
            if (chk.CreepMap.HasFullCreep(c, r)) {
                BlitTile(tileset, chk.CreepMap.FullCreepTile(c, r), i * tp, j * tp, view);
            } else if (chk.CreepMap.HasCreepBorder(c, r)) {
                tileset.CreepSheet().DrawFrame(chk.CreepMap.CreepBorderFrame(c, r), i * 32 + 16, j * 32 + 16,
                                               Frame8.data(), view.ViewHeight, view.ViewWidth, 0,
                                               data.SelectionColorTable, reduction);
            }
        }
    }
}

namespace {

// Where the bottom of a sheet's first frame lies when drawn at y: the game draws the sprites
// of one level from the top of the map down by it.
int PictureBottom(const TDoodadGRP& sheet, int y) {
    TDoodadGRP::FrameHeader h;
    return sheet.GetFrameHeader(0, h) ? y - sheet.Height() / 2 + h.yOffset + h.height : y;
}

struct Placed {
    int bottom;
    const TDoodadGRP* sheet;
    int frame, x, y, colour;
};

void SortByBottom(std::vector<Placed>& items) {
    std::stable_sort(items.begin(), items.end(),
                     [](const Placed& a, const Placed& b) { return a.bottom < b.bottom; });
}

int OwnerColour(const TCHK& chk, int owner) {
    return owner >= 8 || owner < 0 ? owner : chk.Colours[static_cast<std::size_t>(owner)];
}

} // namespace

int ResourceFrame(int unitType, std::uint32_t resources, int frameCount) {
    // Mineral fields and vespene geysers show how much they hold: full from 750 on, then a
    // frame less full below 750, 500 and 250.
    const bool resource = (unitType >= 176 && unitType <= 178) || unitType == 188;
    if (!resource || frameCount <= 1) {
        return 0;
    }
    const int frame = resources >= 750 ? 0 : resources >= 500 ? 1 : resources >= 250 ? 2 : 3;
    return std::min(frame, frameCount - 1);
}

void CMapRenderer::DrawUnits(const TCHK& chk, const TGameData& data, const ViewState& view,
                             const OverlayState& state, int firstLevel, int lastLevel) {
    const int offsetX = view.ScrollTileX * 32, offsetY = view.ScrollTileY * 32;
    const Reduction reduction{view.Scale, view.Scale / 2};
    const UnitsTable units(data.UnitsDat);
    const SpritesTable sprites(data.SpritesDat);
    std::vector<Placed> level;
    std::vector<const UnitRecord*> owners;
    for (int l = firstLevel; l <= lastLevel; ++l) {
        // Within a level, as the game draws: from the top down by the bottom of the picture.
        level.clear();
        owners.clear();
        for (const UnitRecord& u : chk.Units) {
            const TDoodadGRP* sheet = data.UnitSheet(u.Type);
            if (!sheet || units.ElevationLevel(u.Type) != l || !InView(u.X, u.Y, view)) {
                continue;
            }
            level.push_back({PictureBottom(*sheet, u.Y), sheet,
                             ResourceFrame(u.Type, u.Resources, sheet->FrameCount()), u.X, u.Y,
                             static_cast<int>(owners.size())});
            owners.push_back(&u);
        }
        SortByBottom(level);
        for (const Placed& p : level) {
            const UnitRecord& u = *owners[static_cast<std::size_t>(p.colour)];
            if (!view.Picture && state.UnitSelected(u.Key)) {
                const int sprite = UnitSpriteNumber(data, u.Type);
                if (const auto circle = sprites.CircleImage(sprite)) {
                    const int offset = sprites.CircleOffset(sprite);
                    const std::uint32_t file = ImageGrpFile(data.ImagesDat, *circle);
                    if (file >= 1 && file <= data.GrpSheets.size() && data.GrpSheets[file - 1]) {
                        data.GrpSheets[file - 1]->DrawFirstFrameSelection(
                            u.X - offsetX, u.Y - offsetY + offset, 0, data.SelectionColorTable, Frame8.data(),
                            view.ViewHeight, view.ViewWidth, reduction);
                    }
                }
            }
            p.sheet->DrawFrame(p.frame, u.X - offsetX, u.Y - offsetY, Frame8.data(), view.ViewHeight,
                               view.ViewWidth, OwnerColour(chk, u.Owner), data.PlayerColorTable, reduction);
        }
    }
}

void CMapRenderer::DrawSprites(const TCHK& chk, const TGameData& data, const ViewState& view) {
    // The sprites of THG2, as the game reads them: a sprites.dat sprite (doodad overlays and
    // the like) or a units.dat unit's picture, in their owner's colours.
    const int offsetX = view.ScrollTileX * 32, offsetY = view.ScrollTileY * 32;
    const Reduction reduction{view.Scale, view.Scale / 2};
    std::vector<Placed> sprites;
    for (const SpriteRecord& s : chk.GameSprites()) {
        const TDoodadGRP* sheet = nullptr;
        if (s.Flags() & SpriteRecord::kSpriteNumber) {
            const auto image = SpritesTable(data.SpritesDat).Image(s.Number());
            const std::uint32_t file = image ? ImageGrpFile(data.ImagesDat, *image) : 0;
            if (file >= 1 && file <= data.GrpSheets.size() && data.GrpSheets[file - 1] &&
                data.GrpSheets[file - 1]->HasData()) {
                sheet = data.GrpSheets[file - 1].get();
            }
        } else {
            sheet = data.UnitSheet(s.Number());
        }
        if (!sheet || !InView(s.X(), s.Y(), view)) {
            continue;
        }
        sprites.push_back(
            {PictureBottom(*sheet, s.Y()), sheet, 0, s.X(), s.Y(), OwnerColour(chk, s.Owner())});
    }
    SortByBottom(sprites);
    for (const Placed& p : sprites) {
        p.sheet->DrawFrame(p.frame, p.x - offsetX, p.y - offsetY, Frame8.data(), view.ViewHeight,
                           view.ViewWidth, p.colour, data.PlayerColorTable, reduction);
    }
}

void CMapRenderer::MakeScreen(const ViewState& view) {
    const int enlarge = view.Zoom < 1.0 ? std::max(1, static_cast<int>(1.0 / view.Zoom + 0.5)) : 1;
    if (enlarge == 1) {
        // The frame is the screen: no copy.
        Screen = QImage(reinterpret_cast<uchar*>(Frame32.data()), view.ViewWidth, view.ViewHeight,
                        static_cast<qsizetype>(view.ViewWidth) * 4, QImage::Format_RGB32);
        return;
    }
    // Zoomed in, every frame pixel becomes an enlarge x enlarge block, as far as the display
    // reaches.
    int width = view.ViewWidth * enlarge, height = view.ViewHeight * enlarge;
    if (view.ScreenWidth > 0) {
        width = std::min(width, view.ScreenWidth);
    }
    if (view.ScreenHeight > 0) {
        height = std::min(height, view.ScreenHeight);
    }
    if (Screen.width() != width || Screen.height() != height || Screen.format() != QImage::Format_RGB32 ||
        Screen.constBits() == reinterpret_cast<const uchar*>(Frame32.data())) {
        Screen = QImage(width, height, QImage::Format_RGB32);
    }
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<std::uint32_t*>(Screen.scanLine(y));
        if (y % enlarge != 0) {
            std::memcpy(line, Screen.constScanLine(y - 1), static_cast<std::size_t>(width) * 4);
            continue;
        }
        const std::uint32_t* source =
            Frame32.data() + static_cast<std::size_t>(y / enlarge) * static_cast<std::size_t>(view.ViewWidth);
        for (int x = 0; x < width; ++x) {
            line[x] = source[x / enlarge];
        }
    }
}

void CMapRenderer::DrawDisplay(const TCHK& chk, const CStarcraftTileset& tileset, const TGameData& data,
                               const ViewState& view, const OverlayState& state,
                               const std::function<void(CMapRenderer&)>& toolOverlays) {
    const std::size_t pixels =
        static_cast<std::size_t>(view.ViewWidth) * static_cast<std::size_t>(view.ViewHeight);
    // A screen made on the old frame must let go of it before the frame can move.
    if (Screen.constBits() == reinterpret_cast<const uchar*>(Frame32.data())) {
        Screen = QImage();
    }
    Frame8.assign(pixels, 0);
    Frame32.resize(pixels);
    DrawTiles(chk, tileset, data, view, false);
    if (data.Options.ShowCreep && !view.Picture) {
        DrawTiles(chk, tileset, data, view, true);
    }
    DrawUnits(chk, data, view, state, 0, 4);
    DrawSprites(chk, data, view);
    DrawUnits(chk, data, view, state, 5, 18);
    if (data.Options.UseMMX) {
        ConvertFrameBlock(Frame8.data(), Frame32.data(), pixels, tileset.PaletteRGB.data());
    } else {
        ConvertFrameScalar(Frame8.data(), Frame32.data(), pixels, tileset.PaletteRGB.data());
    }
    DrawAreaOverlays(*this, chk, tileset, data, view, state);
    MakeScreen(view);
    DrawScreenOverlays(Screen, chk, tileset, data, view, state);
    if (toolOverlays) {
        toolOverlays(*this);
    }
}

} // namespace orv
