#include "view/MapImage.h"

#include "app/Debugunit.h"
#include "view/MapRenderer.h"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <jpeglib.h>
#include <memory>

namespace orv {
namespace {

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
        std::snprintf(session->message, sizeof session->message,
                      "the compressor took fewer rows than the picture has");
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
    // Each band is a view of the whole width over the tile rows it touches, drawn by the
    // map renderer itself (sprites reaching in from above or below included), so the bands
    // join into exactly the picture of one view over the whole map.
    const int width = chk.Width * 32, height = chk.Height * 32;
    bandRows = std::max(1, bandRows);
    CMapRenderer renderer;
    for (int top = 0; top < height; top += bandRows) {
        const int rows = std::min(bandRows, height - top);
        ViewState view;
        view.ScrollTileX = 0;
        view.ScrollTileY = top / 32;
        view.ViewWidth = width;
        view.ViewHeight = ((top + rows + 31) / 32 - top / 32) * 32;
        view.Picture = true;
        renderer.DrawDisplay(chk, tileset, data, view);
        sink(top, rows,
             renderer.Frame32.data() + static_cast<std::size_t>(top % 32) * static_cast<std::size_t>(width));
    }
}

Status ExportMapImage(const TCHK& chk, const CStarcraftTileset& tileset, const TGameData& data,
                      const std::string& path) {
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
