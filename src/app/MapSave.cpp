#include "app/MapSave.h"

#include "archive/MapArchiveReader.h"
#include "base/FileUtil.h"
#include "base/TextUtil.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

namespace orv {
namespace {

using NamedFiles = std::vector<std::pair<std::string, std::vector<std::uint8_t>>>;

// Every file of `source` the reader can name, besides the scenario and the archive's own files.
NamedFiles FilesToCarry(const MapArchiveReader& reader, TCHK& chk) {
    std::set<std::string> names;
    for (const std::string& name : reader.ListfileNames()) {
        names.insert(name);
    }
    for (std::uint32_t wav : chk.Wavs) {
        if (wav != 0 && !chk.Strings.Text(wav).empty()) {
            names.insert(chk.Strings.Text(wav));
        }
    }
    auto internal = [](const std::string& stored) {
        std::string lower = stored;
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return std::tolower(c); });
        return lower == "staredit\\scenario.chk" || lower == "(listfile)" || lower == "(attributes)" ||
               lower == "(signature)";
    };
    std::map<std::string, std::vector<std::uint8_t>> files;
    for (const std::string& name : names) {
        const std::string stored = CarriedFileName(name);
        if (internal(stored) || files.count(stored)) {
            continue;
        }
        if (auto data = reader.ReadFile(name)) {
            files.emplace(stored, std::move(data).value());
        }
    }
    return {files.begin(), files.end()};
}

} // namespace

std::string CarriedFileName(const std::string& name) {
    std::string stored = name;
    std::replace(stored.begin(), stored.end(), '/', '\\');
    return stored;
}

Result<MapSaveReport> SaveMap(TMyMPQ& mpq, TCHK& chk, const std::string& source, const std::string& target) {
    auto scenario = chk.WriteToBytes();
    if (!scenario) {
        return MakeError("cannot save " + target + ": " + scenario.error());
    }
    auto scratch = PrivateFolder::Make(OurFolderPrefix() + "save-");
    if (!scratch) {
        return MakeError("cannot save " + target + ": " + scratch.error());
    }
    const std::filesystem::path folder = scratch.value().path();
    const std::filesystem::path chkFile = folder / "scenario.chk";
    if (Status written = WriteWholeFile(chkFile, scenario.value()); !written) {
        return MakeError("cannot save " + target + ": " +
                         ReplaceAll(written.error(), chkFile.string(), "the scenario"));
    }
    // The archive is finished in the private folder; the target is touched only at the end.
    std::string work = (folder / "map.mpq").string();
    auto shown = [&](const std::string& message) { return MakeError(ReplaceAll(message, work, target)); };
    const bool fromArchive = !source.empty();
    if (fromArchive) {
        if (Status copied = CopyToNewFile(source, work); !copied) {
            return shown(copied.error());
        }
    }
    MapSaveReport report;
    const Status stored = mpq.SaveScenarioToArchive(work, chkFile.string());
    if (!stored && !(fromArchive && mpq.LastUpdateRefused())) {
        return shown(stored.error());
    }
    if (!stored) {
        // The library will not write this archive: write a new one with everything we can name.
        auto reader = MapArchiveReader::Open(work);
        if (!reader) {
            return shown(stored.error());
        }
        const NamedFiles files = FilesToCarry(reader.value(), chk);
        auto fresh = CreateExclusiveFile(folder, "rebuilt-", ".mpq");
        if (!fresh) {
            return MakeError("cannot save " + target + ": " + fresh.error());
        }
        const std::string freshPath = fresh.value().path.string();
        fresh.value().fd.reset();
        Status created = mpq.SaveScenarioToArchive(freshPath, chkFile.string());
        if (created && !files.empty()) {
            created = mpq.AddFilesToArchive(files, freshPath);
        }
        if (!created) {
            return MakeError("cannot save " + target + ": " + ReplaceAll(stored.error(), work, target) +
                             "; writing a new archive failed too: " +
                             ReplaceAll(created.error(), freshPath, "the new archive"));
        }
        work = freshPath;
        report.rebuilt = true;
        report.carried = files.size();
    }
    if (Status moved = MoveFileReplacing(work, target); !moved) {
        return shown(moved.error());
    }
    return report;
}

} // namespace orv
