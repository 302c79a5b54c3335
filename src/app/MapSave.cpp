#include "app/MapSave.h"

#include "archive/MapArchiveReader.h"
#include "base/FileUtil.h"

#include <filesystem>
#include <set>

namespace orv {
namespace {

// A private folder for the scenario file on its way into the archive.
class ScratchDir {
public:
    ScratchDir() {
        if (auto made = MakePrivateFolder("orvistad-save-")) {
            m_path = made.value();
        }
    }
    ~ScratchDir() {
        std::error_code ec;
        if (!m_path.empty()) {
            std::filesystem::remove_all(m_path, ec);
        }
    }
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

} // namespace

Result<MapSaveReport> SaveMap(TMyMPQ& mpq, TCHK& chk, const std::string& source, const std::string& target) {
    auto scenario = chk.WriteToBytes();
    if (!scenario) {
        return MakeError("cannot save " + target + ": " + scenario.error());
    }
    ScratchDir scratch;
    if (scratch.path().empty()) {
        return MakeError("cannot save " + target + ": no temporary folder");
    }
    const std::filesystem::path chkFile = scratch.path() / "scenario.chk";
    if (Status written = WriteWholeFile(chkFile, scenario.value()); !written) {
        return MakeError(written.error());
    }
    std::error_code ec;
    const bool fromArchive = !source.empty();
    if (fromArchive && std::filesystem::absolute(source, ec) != std::filesystem::absolute(target, ec)) {
        if (Status copied = CopyFileReplacing(source, target); !copied) {
            return MakeError(copied.error());
        }
    }
    MapSaveReport report;
    const Status stored = mpq.SaveScenarioToArchive(target, chkFile.string());
    if (stored || !fromArchive) {
        if (!stored) {
            return MakeError(stored.error());
        }
        return report;
    }

    // The archive refuses to be updated: write a new one with everything we can name.
    auto reader = MapArchiveReader::Open(source);
    if (!reader) {
        return MakeError(stored.error());
    }
    std::set<std::string> names;
    for (const std::string& name : reader.value().ListfileNames()) {
        names.insert(name);
    }
    for (std::uint32_t wav : chk.Wavs) {
        if (wav != 0 && !chk.Strings.Text(wav).empty()) {
            names.insert(chk.Strings.Text(wav));
        }
    }
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> files;
    for (const std::string& name : names) {
        if (name == TMyMPQ::kScenarioName || name == "(listfile)" || name == "(attributes)" || name == "(signature)") {
            continue;
        }
        if (auto data = reader.value().ReadFile(name)) {
            files.emplace_back(name, std::move(data).value());
        }
    }
    const std::string fresh = target + ".new";
    std::filesystem::remove(fresh, ec);
    Status created = mpq.SaveScenarioToArchive(fresh, chkFile.string());
    if (created && !files.empty()) {
        created = mpq.AddFilesToArchive(files, fresh);
    }
    if (!created) {
        std::filesystem::remove(fresh, ec);
        return MakeError("cannot save " + target + ": " + stored.error() + "; writing a new archive failed too: " +
                         created.error());
    }
    std::filesystem::rename(fresh, target, ec);
    if (ec) {
        std::filesystem::remove(fresh, ec);
        return MakeError("cannot replace " + target + ": " + ec.message());
    }
    report.rebuilt = true;
    report.carried = files.size();
    return report;
}

} // namespace orv
