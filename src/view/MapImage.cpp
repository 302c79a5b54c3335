#include "view/MapImage.h"

#include "app/Debugunit.h"
#include "view/MapRenderer.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <jpeglib.h>

namespace orv {
namespace {

// Draws one band: rows [top, top + rows) of the picture into `frame` (with one extra row
// above for bands after the first, so that the sprite clipping, which never writes a
// target's row 0, cuts exactly where it cuts the whole picture).
void DrawBand(const TCHK& chk, const CStarcraftTileset& tileset, const TGameData& data, int top, int rows,
              std::vector<std::uint8_t>& frame) {
    const int width = chk.Width * 32;
    const int lead = top == 0 ? 0 : 1;
    const int origin = top - lead; // picture row of frame row 0
    const int height = rows + lead;
    frame.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    // Terrain of the tile rows the band touches.
    for (int row = origin / 32; row * 32 < origin + height && row < chk.Height; ++row) {
        for (int column = 0; column < chk.Width; ++column) {
            const TileGraphicsEntry& entry = tileset.Graphics(chk.TileMap[TCHK::Cell(column, row)]);
            for (int r = 0; r < 4; ++r) {
                for (int c = 0; c < 4; ++c) {
                    const std::uint16_t ref = entry.MiniTiles[static_cast<std::size_t>(r * 4 + c)];
                    const MiniTileBitmap& bitmap = tileset.MiniTile(ref >> 1, (ref & 1) != 0);
                    for (int l = 0; l < 8; ++l) {
                        const int y = row * 32 + r * 8 + l - origin;
                        if (y >= 0 && y < height) {
                            std::memcpy(&frame[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                               static_cast<std::size_t>(column * 32 + c * 8)],
                                        &bitmap[static_cast<std::size_t>(l * 8)], 8);
                        }
                    }
                }
            }
        }
    }
    auto units = [&](int first, int last) {
        for (int level = first; level <= last; ++level) {
            for (const UnitRecord& u : chk.Units) {
                const TDoodadGRP* sheet = data.UnitSheet(u.Type);
                if (!sheet || ReadLEOr<std::uint8_t>(data.UnitsDat, 4068 + static_cast<std::size_t>(u.Type), 0xFF) != level) {
                    continue;
                }
                if (u.Y + sheet->Height() < origin || u.Y - sheet->Height() > origin + height) {
                    continue; // cannot reach this band
                }
                const int colour = u.Owner >= 8 ? u.Owner : chk.Colours[u.Owner];
                // The turret of a sheet is drawn by DrawFrame itself.
                sheet->DrawFrame(0, u.X, u.Y - origin, frame.data(), height, width, colour, data.PlayerColorTable);
            }
        }
    };
    units(0, 4);
    std::vector<std::vector<const DoodadRecord*>> bands(static_cast<std::size_t>(chk.Height) + 1);
    for (const DoodadRecord& d : chk.Doodads) {
        if (d.Y / 32 <= chk.Height) {
            bands[static_cast<std::size_t>(d.Y / 32)].push_back(&d);
        }
    }
    for (const auto& band : bands) {
        for (const DoodadRecord* d : band) {
            const std::uint16_t sheet = tileset.DoodadInfo(d->Number).SheetIndex;
            if (sheet == 0 || sheet >= data.GrpSheets.size() || !data.GrpSheets[sheet]) {
                continue;
            }
            data.GrpSheets[sheet]->DrawFirstFrame(d->X, d->Y - origin, frame.data(), height, width);
        }
    }
    units(5, 18);
}

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

// A destination that writes to a file and remembers a failed write instead of raising a
// library error in the middle of the rendering (which would jump over C++ frames).
struct FileDestination {
    jpeg_destination_mgr manager;
    std::FILE* file;
    bool failed;
    JOCTET buffer[65536];

    static void Init(j_compress_ptr info) {
        auto* self = reinterpret_cast<FileDestination*>(info->dest);
        self->manager.next_output_byte = self->buffer;
        self->manager.free_in_buffer = sizeof self->buffer;
    }
    static boolean Empty(j_compress_ptr info) {
        auto* self = reinterpret_cast<FileDestination*>(info->dest);
        if (std::fwrite(self->buffer, 1, sizeof self->buffer, self->file) != sizeof self->buffer) {
            self->failed = true;
        }
        Init(info);
        return TRUE;
    }
    static void Term(j_compress_ptr info) {
        auto* self = reinterpret_cast<FileDestination*>(info->dest);
        const std::size_t used = sizeof self->buffer - self->manager.free_in_buffer;
        if (used && std::fwrite(self->buffer, 1, used, self->file) != used) {
            self->failed = true;
        }
    }
};

void OnJpegError(j_common_ptr info) {
    auto* error = reinterpret_cast<JpegError*>(info->err);
    (*info->err->format_message)(info, error->message);
    std::longjmp(error->jump, 1);
}

} // namespace

void RenderMapBands(const TCHK& chk, const CStarcraftTileset& tileset, const TGameData& data, int bandRows,
                    const std::function<void(int, int, const std::uint32_t*)>& sink) {
    const int width = chk.Width * 32, height = chk.Height * 32;
    std::vector<std::uint8_t> frame8;
    std::vector<std::uint32_t> frame32;
    for (int top = 0; top < height; top += bandRows) {
        const int rows = std::min(bandRows, height - top);
        DrawBand(chk, tileset, data, top, rows, frame8);
        const std::size_t skip = top == 0 ? 0 : static_cast<std::size_t>(width);
        frame32.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(rows));
        ConvertFrameBlock(frame8.data() + skip, frame32.data(), frame32.size(), tileset.PaletteRGB.data());
        sink(top, rows, frame32.data());
    }
}

Status ExportMapImage(const TCHK& chk, const CStarcraftTileset& tileset, const TGameData& data, const std::string& path) {
    DebugLog("Starting Image Render");
    const std::string partial = path + ".part";
    std::FILE* file = std::fopen(partial.c_str(), "wb");
    if (!file) {
        return MakeError("cannot write " + path + ": " + std::strerror(errno));
    }
    jpeg_compress_struct info{};
    JpegError error{};
    static thread_local FileDestination destination; // plain data: nothing to unwind on an error jump
    destination = FileDestination{};
    destination.file = file;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = OnJpegError;
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&info);
        std::fclose(file);
        std::remove(partial.c_str());
        return MakeError("cannot write " + path + ": " + error.message);
    }
    jpeg_create_compress(&info);
    destination.manager.init_destination = FileDestination::Init;
    destination.manager.empty_output_buffer = FileDestination::Empty;
    destination.manager.term_destination = FileDestination::Term;
    info.dest = &destination.manager;
    info.image_width = static_cast<JDIMENSION>(chk.Width * 32);
    info.image_height = static_cast<JDIMENSION>(chk.Height * 32);
    info.input_components = 4;
    info.in_color_space = JCS_EXT_BGRX; // 0x00RRGGBB in memory: blue, green, red, unused
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    jpeg_start_compress(&info, TRUE);
    DebugLog("Starting Convert and save code");
    RenderMapBands(chk, tileset, data, 256, [&](int, int rows, const std::uint32_t* pixels) {
        for (int r = 0; r < rows; ++r) {
            auto* line = reinterpret_cast<JSAMPROW>(
                const_cast<std::uint32_t*>(pixels + static_cast<std::size_t>(r) * info.image_width));
            jpeg_write_scanlines(&info, &line, 1);
        }
    });
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    const bool flushed = std::fflush(file) == 0 && !destination.failed;
    const bool closed = std::fclose(file) == 0;
    std::error_code ec;
    if (!flushed || !closed) {
        std::filesystem::remove(partial, ec);
        return MakeError("cannot write " + path + ": " + std::strerror(errno));
    }
    std::filesystem::rename(partial, path, ec);
    if (ec) {
        std::filesystem::remove(partial, ec);
        return MakeError("cannot write " + path + ": " + ec.message());
    }
    DebugLog("Completed");
    return {};
}

} // namespace orv
