#include "view/MapImage.h"

#include "app/Debugunit.h"
#include "view/MapRenderer.h"

#include <cerrno>
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

// A destination that writes to a file and remembers a failed write (with its errno) instead
// of raising a library error.
struct FileDestination {
    jpeg_destination_mgr manager;
    std::FILE* file;
    bool failed;
    int error;
    JOCTET buffer[65536];
};

// Everything the library touches while compressing, plain data only. A library error jumps
// from inside the library back to the guarded call below that made it, so the jump crosses
// library frames alone; what the export keeps with destructors lives outside those calls.
struct JpegSession {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    FileDestination destination;
};

JpegSession& SessionOf(j_common_ptr info) {
    return *static_cast<JpegSession*>(info->client_data);
}

void InitDestination(j_compress_ptr info) {
    FileDestination& d = SessionOf(reinterpret_cast<j_common_ptr>(info)).destination;
    d.manager.next_output_byte = d.buffer;
    d.manager.free_in_buffer = sizeof d.buffer;
}

void WriteOut(FileDestination& d, std::size_t bytes) {
    if (!d.failed && bytes && std::fwrite(d.buffer, 1, bytes, d.file) != bytes) {
        d.failed = true;
        d.error = errno;
    }
}

boolean EmptyDestination(j_compress_ptr info) {
    FileDestination& d = SessionOf(reinterpret_cast<j_common_ptr>(info)).destination;
    WriteOut(d, sizeof d.buffer);
    InitDestination(info);
    return TRUE;
}

void TermDestination(j_compress_ptr info) {
    FileDestination& d = SessionOf(reinterpret_cast<j_common_ptr>(info)).destination;
    WriteOut(d, sizeof d.buffer - d.manager.free_in_buffer);
}

[[noreturn]] void OnJpegError(j_common_ptr info) {
    JpegSession& session = SessionOf(info);
    (*info->err->format_message)(info, session.message);
    std::longjmp(session.jump, 1);
}

// The guarded calls: each sets the jump target for the library calls it makes and holds
// nothing with a destructor. False: the library failed, with its message in the session.
bool StartJpeg(JpegSession* session, JDIMENSION width, JDIMENSION height) {
    if (setjmp(session->jump)) {
        return false;
    }
    jpeg_compress_struct& info = session->info;
    jpeg_create_compress(&info);
    info.dest = &session->destination.manager;
    info.image_width = width;
    info.image_height = height;
    info.input_components = 4;
    info.in_color_space = JCS_EXT_BGRX; // 0x00RRGGBB in memory: blue, green, red, unused
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    jpeg_start_compress(&info, TRUE);
    return true;
}

bool WriteJpegRows(JpegSession* session, JSAMPARRAY rows, JDIMENSION count) {
    if (setjmp(session->jump)) {
        return false;
    }
    if (jpeg_write_scanlines(&session->info, rows, count) != count) {
        std::snprintf(session->message, sizeof session->message, "the compressor took fewer rows than the picture has");
        return false;
    }
    return true;
}

bool FinishJpeg(JpegSession* session) {
    if (setjmp(session->jump)) {
        return false;
    }
    jpeg_finish_compress(&session->info);
    return true;
}

// Owns a session and its file: the compressor's memory and the file go with it whatever
// the way out.
class JpegFile {
public:
    explicit JpegFile(std::FILE* file) : m_session(std::make_unique<JpegSession>()) {
        JpegSession& s = *m_session;
        s.info.err = jpeg_std_error(&s.errors);
        s.errors.error_exit = OnJpegError;
        s.info.client_data = &s;
        s.destination.file = file;
        s.destination.manager.init_destination = InitDestination;
        s.destination.manager.empty_output_buffer = EmptyDestination;
        s.destination.manager.term_destination = TermDestination;
    }
    JpegFile(const JpegFile&) = delete;
    JpegFile& operator=(const JpegFile&) = delete;
    ~JpegFile() {
        jpeg_destroy_compress(&m_session->info); // also before jpeg_create_compress: the struct is zeroed
        if (m_session->destination.file) {
            std::fclose(m_session->destination.file);
        }
    }

    JpegSession* Session() const { return m_session.get(); }
    // Flushes and closes the file: 0, or the errno of the first failed write.
    int Close() {
        FileDestination& d = m_session->destination;
        if (!d.file) {
            return 0;
        }
        int error = d.failed ? d.error : 0;
        if (std::fflush(d.file) != 0 && !error) {
            error = errno;
        }
        if (std::fclose(d.file) != 0 && !error) {
            error = errno;
        }
        d.file = nullptr;
        return error;
    }

private:
    std::unique_ptr<JpegSession> m_session;
};

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
    std::FILE* opened = std::fopen(partial.c_str(), "wb");
    if (!opened) {
        return MakeError("cannot write " + path + ": " + std::strerror(errno));
    }
    JpegFile jpeg(opened);
    auto fail = [&](const std::string& why) {
        jpeg.Close();
        std::error_code ignored;
        std::filesystem::remove(partial, ignored);
        return MakeError("cannot write " + path + ": " + why);
    };
    JpegSession* session = jpeg.Session();
    const auto width = static_cast<JDIMENSION>(chk.Width * 32);
    if (!StartJpeg(session, width, static_cast<JDIMENSION>(chk.Height * 32))) {
        return fail(session->message);
    }
    DebugLog("Starting Convert and save code");
    std::vector<JSAMPROW> rows;
    bool compressed = true;
    RenderMapBands(chk, tileset, data, 256, [&](int, int count, const std::uint32_t* pixels) {
        if (!compressed || session->destination.failed) {
            return; // the file is lost already: nothing more to compress
        }
        rows.resize(static_cast<std::size_t>(count));
        for (std::size_t r = 0; r < rows.size(); ++r) {
            rows[r] = reinterpret_cast<JSAMPROW>(const_cast<std::uint32_t*>(pixels + r * width));
        }
        compressed = WriteJpegRows(session, rows.data(), static_cast<JDIMENSION>(count));
    });
    if (compressed && !session->destination.failed) {
        compressed = FinishJpeg(session);
    }
    if (!compressed) {
        return fail(session->message);
    }
    if (const int error = jpeg.Close()) {
        return fail(std::strerror(error));
    }
    std::error_code ec;
    std::filesystem::rename(partial, path, ec);
    if (ec) {
        return fail(ec.message());
    }
    DebugLog("Completed");
    return {};
}

} // namespace orv
