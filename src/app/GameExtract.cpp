#include "app/GameExtract.h"

#include "archive/CascStorage.h"
#include "base/FileUtil.h"

#include <array>

namespace orv {
namespace {

bool EndsWithAny(std::string_view name, std::initializer_list<std::string_view> endings) {
    for (std::string_view ending : endings) {
        if (name.ends_with(ending)) {
            return true;
        }
    }
    return false;
}

// Every part of the path is an ordinary name: nothing that climbs out of the target folder.
bool IsSafeRelative(std::string_view path) {
    if (path.empty() || path.front() == '/') {
        return false;
    }
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        const std::string_view part = path.substr(start, end - start);
        if (part.empty() || part == "." || part == ".." || part.find('\0') != std::string_view::npos) {
            return false;
        }
        start = end + 1;
    }
    return true;
}

} // namespace

bool IsEditorGameFile(std::string_view storagePath) {
    const std::string name = casc::NormalName(storagePath);
    const std::string_view path(name);
    auto directChild = [&](std::string_view folder) {
        return path.starts_with(folder) && path.find('/', folder.size()) == std::string_view::npos;
    };
    if (directChild("arr/")) {
        return EndsWithAny(path, {".dat", ".tbl"});
    }
    if (path == "rez/stat_txt.tbl") {
        return true;
    }
    if (directChild("game/")) {
        return path.ends_with(".pcx");
    }
    if (path.starts_with("unit/")) {
        return path.ends_with(".grp");
    }
    if (directChild("tileset/")) {
        // The HD textures beside them (.dds.vr4, .dds.grp) are not the classic files.
        return path.find(".dds.") == std::string_view::npos &&
               EndsWithAny(path, {".cv5", ".vx4", ".vx4ex", ".vf4", ".vr4", ".wpe", ".grp"});
    }
    if (path.starts_with("tileset/") && path.ends_with("/dddata.bin")) {
        return path.find('/', 8) == path.size() - 11;
    }
    return false;
}

Result<ExtractReport> ExtractGameFiles(const std::filesystem::path& installFolder,
                                       const std::filesystem::path& outFolder) {
    auto storage = CascStorage::Open(installFolder);
    if (!storage) {
        return MakeError(storage.error());
    }
    ExtractReport report;
    for (const casc::RootEntry& file : storage.value().Files()) {
        if (!IsEditorGameFile(file.path)) {
            continue;
        }
        std::string relative = file.path;
        for (char& c : relative) {
            c = c == '\\' ? '/' : c;
        }
        if (!IsSafeRelative(relative)) {
            report.failures.push_back(file.path + ": the path leaves the target folder");
            continue;
        }
        if (storage.value().Find(file.path) == CascStorage::Presence::NotInstalled) {
            report.notInstalled.push_back(file.path);
            continue;
        }
        auto bytes = storage.value().Read(file.path);
        if (!bytes) {
            report.failures.push_back(bytes.error());
            continue;
        }
        if (Status written = WriteWholeFile(outFolder / relative, bytes.value()); !written) {
            report.failures.push_back(file.path + ": " + written.error());
            continue;
        }
        ++report.written;
        report.bytes += bytes.value().size();
    }
    return report;
}

} // namespace orv
