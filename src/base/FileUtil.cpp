#include "base/FileUtil.h"

#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>

namespace orv {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

std::string ErrnoText(int error) {
    return std::strerror(error);
}

} // namespace

std::string PathText(const std::filesystem::path& path) {
    return path.string();
}

Result<std::vector<std::uint8_t>> ReadWholeFile(const std::filesystem::path& path, std::uint64_t maxBytes) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        return MakeError("cannot read " + PathText(path) + ": it is a folder");
    }
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return MakeError("cannot open " + PathText(path) + ": " + ErrnoText(errno));
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    for (;;) {
        const std::size_t got = std::fread(chunk, 1, sizeof chunk, file.get());
        if (got > 0) {
            if (bytes.size() + got > maxBytes) {
                return MakeError("cannot read " + PathText(path) + ": the file is too large");
            }
            bytes.insert(bytes.end(), chunk, chunk + got);
        }
        if (got < sizeof chunk) {
            if (std::ferror(file.get())) {
                return MakeError("cannot read " + PathText(path) + ": " + ErrnoText(errno));
            }
            break;
        }
    }
    return bytes;
}

Status WriteWholeFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    std::error_code ec;
    if (path.has_parent_path()) {
        std::filesystem::create_directories(path.parent_path(), ec);
        if (ec) {
            return MakeError("cannot create the folder " + PathText(path.parent_path()) + ": " + ec.message());
        }
    }
    FilePtr file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        return MakeError("cannot write " + PathText(path) + ": " + ErrnoText(errno));
    }
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
        return MakeError("cannot write " + PathText(path) + ": " + ErrnoText(errno));
    }
    if (std::fflush(file.get()) != 0) {
        return MakeError("cannot write " + PathText(path) + ": " + ErrnoText(errno));
    }
    return {};
}

Status CopyFileReplacing(const std::filesystem::path& from, const std::filesystem::path& to) {
    const std::filesystem::path part = to.string() + ".orvistad-part";
    std::error_code ec;
    std::filesystem::copy_file(from, part, std::filesystem::copy_options::overwrite_existing, ec);
    if (!ec) {
        std::filesystem::rename(part, to, ec);
    }
    if (ec) {
        std::error_code ignored;
        std::filesystem::remove(part, ignored);
        return MakeError("cannot copy " + PathText(from) + " to " + PathText(to) + ": " + ec.message());
    }
    return {};
}

Result<std::filesystem::path> MakePrivateFolder(const std::string& prefix) {
    std::error_code ec;
    std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    if (ec) {
        base = "/tmp";
    }
    std::string pattern = (base / (prefix + "XXXXXX")).string();
    if (!mkdtemp(pattern.data())) {
        return MakeError("cannot make a folder in " + PathText(base) + ": " + ErrnoText(errno));
    }
    return std::filesystem::path(pattern);
}

} // namespace orv
