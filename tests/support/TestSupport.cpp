#include "support/TestSupport.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <system_error>

#ifndef ORVISTAD_DEFAULT_MAP_CORPUS
#define ORVISTAD_DEFAULT_MAP_CORPUS ""
#endif

namespace orv::test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "orvistad-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    m_path = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::filesystem::path CorpusDir() {
    std::filesystem::path dir;
    if (const char* env = std::getenv("ORVISTAD_MAP_CORPUS"); env && *env) {
        dir = env;
    } else {
        dir = ORVISTAD_DEFAULT_MAP_CORPUS;
    }
    std::error_code ec;
    return !dir.empty() && std::filesystem::is_directory(dir, ec) ? dir : std::filesystem::path{};
}

std::vector<std::filesystem::path> CorpusArchives() {
    std::vector<std::filesystem::path> maps;
    const auto dir = CorpusDir();
    if (dir.empty()) {
        return maps;
    }
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const auto ext = entry.path().extension();
        if (entry.is_regular_file() && (ext == ".scm" || ext == ".scx")) {
            maps.push_back(entry.path());
        }
    }
    std::sort(maps.begin(), maps.end());
    return maps;
}

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    if (path.has_parent_path()) {
        std::filesystem::create_directories(path.parent_path());
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> Text(const std::string& text) {
    return {text.begin(), text.end()};
}

std::set<std::string> Names(const std::filesystem::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

bool IsLinkTo(const std::filesystem::path& link, const std::filesystem::path& target) {
    std::error_code ec;
    return std::filesystem::is_symlink(std::filesystem::symlink_status(link, ec)) &&
           std::filesystem::read_symlink(link, ec) == target;
}

std::vector<std::uint8_t> Pattern(std::size_t size, std::uint32_t seed) {
    // Compressible but not trivial: runs of a byte with an occasional random one.
    std::vector<std::uint8_t> bytes(size);
    std::uint32_t state = seed * 2654435761u + 1;
    for (std::size_t i = 0; i < size; ++i) {
        state = state * 1103515245u + 12345u;
        bytes[i] = (state >> 28) == 0 ? static_cast<std::uint8_t>(state >> 16)
                                      : static_cast<std::uint8_t>(i / 64 + seed);
    }
    return bytes;
}

} // namespace orv::test
