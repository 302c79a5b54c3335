#include "StandinArchive.h"

#include "StandinGameData.h"

#include <StormLib.h>
#include <cstdio>
#include <filesystem>

namespace orv::standin {

Status WriteStandinArchive(const std::string& path) {
    const FileSet files = GenerateGameData();
    const std::string temporary = path + ".part";
    std::error_code ec;
    std::filesystem::remove(temporary, ec);
    HANDLE archive = nullptr;
    DWORD slots = 16;
    while (slots < files.size() * 2) {
        slots *= 2;
    }
    if (!SFileCreateArchive(temporary.c_str(), MPQ_CREATE_LISTFILE, slots, &archive)) {
        return MakeError("cannot create " + temporary);
    }
    for (const auto& [name, data] : files) {
        HANDLE file = nullptr;
        const auto size = static_cast<DWORD>(data.size());
        const bool ok = SFileCreateFile(archive, name.c_str(), 0, size, 0,
                                        MPQ_FILE_COMPRESS | MPQ_FILE_REPLACEEXISTING, &file) &&
                        (size == 0 || SFileWriteFile(file, data.data(), size, MPQ_COMPRESSION_PKWARE)) &&
                        SFileFinishFile(file);
        if (!ok) {
            SFileCloseArchive(archive);
            return MakeError("cannot store " + name + " in " + temporary);
        }
    }
    if (!SFileCloseArchive(archive)) {
        return MakeError("cannot write " + temporary);
    }
    std::filesystem::rename(temporary, path, ec);
    if (ec) {
        return MakeError("cannot replace " + path + ": " + ec.message());
    }
    return {};
}

} // namespace orv::standin
