#include "support/TestSupport.h"

#include <StormLib.h>
#include <stdexcept>

namespace orv::test {

void MakeStormArchive(const std::string& path,
                      const std::map<std::string, std::vector<std::uint8_t>>& files) {
    HANDLE archive = nullptr;
    const auto count = static_cast<DWORD>(files.size() < 16 ? 16 : files.size() * 2);
    if (!SFileCreateArchive(path.c_str(), MPQ_CREATE_LISTFILE, count, &archive)) {
        throw std::runtime_error("cannot create " + path);
    }
    for (const auto& [name, data] : files) {
        HANDLE file = nullptr;
        const auto size = static_cast<DWORD>(data.size());
        if (!SFileCreateFile(archive, name.c_str(), 0, size, 0, MPQ_FILE_COMPRESS, &file) ||
            (size && !SFileWriteFile(file, data.data(), size, MPQ_COMPRESSION_ZLIB)) ||
            !SFileFinishFile(file)) {
            SFileCloseArchive(archive);
            throw std::runtime_error("cannot add " + name + " to " + path);
        }
    }
    SFileCloseArchive(archive);
}

} // namespace orv::test
