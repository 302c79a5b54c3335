#include "app/MapDocument.h"

#include "app/Debugunit.h"
#include "base/FileUtil.h"
#include "base/TextUtil.h"

#include <algorithm>
#include <cctype>
#include <unistd.h>

namespace orv {
namespace fs = std::filesystem;

namespace {

// The working copy's name in its folder: the map file's own, unless it is the owner file's.
fs::path WorkingName(const fs::path& file) {
    const std::string name = file.filename().string();
    return name.starts_with(PrivateFolder::kOwnerFile) ? fs::path("map-" + name) : fs::path(name);
}

} // namespace

Result<PrivateFolder> MakeWorkingFolder() {
    return PrivateFolder::Make(OurFolderPrefix() + "map-");
}

std::size_t RemoveStaleWorkingFolders() {
    const std::size_t removed = RemoveStalePrivateFolders();
    if (removed > 0) {
        DebugLog("Removed " + std::to_string(removed) + " working folder" + (removed == 1 ? "" : "s") +
                 " left by earlier runs");
    }
    return removed;
}

bool IsPlainScenarioName(const std::string& path) {
    if (path.size() < 4) {
        return false;
    }
    std::string tail = path.substr(path.size() - 4);
    std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return std::tolower(c); });
    return tail == ".chk";
}

TMapDocument::TMapDocument(TGameData& data, Prompter& prompter, PrivateFolder folder)
    : Chk(prompter, &data.UnitsDat), m_data(data), m_prompter(prompter), m_folder(std::move(folder)) {}

TMapDocument::~TMapDocument() = default; // the folder removes itself

void TMapDocument::Prepare(CStarcraftTileset& tileset) {
    Tileset = &tileset;
    Chk.LinkTileset(&tileset);
    Chk.RebuildCreep();
}

Result<std::unique_ptr<TMapDocument>> TMapDocument::Open(const std::string& path, TGameData& data,
                                                         Prompter& prompter) {
    DebugLogSession logSession; // the log opens once for the whole open
    auto fail = [&](const std::string& reason) { return MakeError("Cannot open " + path + ": " + reason); };
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!fs::exists(status)) {
        return fail("the file does not exist");
    }
    if (!fs::is_regular_file(status)) {
        return fail("it is not a file");
    }
    auto folder = MakeWorkingFolder();
    if (!folder) {
        return fail(folder.error());
    }
    // The folder goes away with the document, here too when the open fails.
    std::unique_ptr<TMapDocument> doc(new TMapDocument(data, prompter, std::move(folder).value()));
    const fs::path work = doc->WorkingFolder() / WorkingName(path);
    if (Status copied = CopyToNewFile(path, work); !copied) {
        const std::string reason = ReplaceAll(copied.error(), work.string(), "the working copy");
        return fail("cannot make a working copy: " + ReplaceAll(reason, path, "the map"));
    }
    doc->WorkingCopy = work.string();
    doc->FileName = path;
    // What the file is comes from its bytes: an archive, else a plain scenario.
    Status loaded;
    auto bytes = ReadWholeFile(work);
    if (!bytes) {
        loaded = MakeError(bytes.error());
    } else if (HoldsMapArchive(bytes.value())) {
        loaded = doc->Chk.LoadFromFile(doc->WorkingCopy);
        doc->IsArchive = true;
    } else {
        loaded = doc->Chk.ReadSections(bytes.value());
        if (!loaded && loaded.error().starts_with("not a scenario file")) {
            loaded = MakeError("not a map archive (no archive header found) and " + loaded.error());
        }
    }
    if (!loaded) {
        // Messages name the working copy; the user knows the map file.
        std::string reason = ReplaceAll(loaded.error(), doc->WorkingCopy, path);
        if (reason.starts_with(path + ": ")) {
            reason = reason.substr(path.size() + 2);
        }
        return fail(reason);
    }
    doc->Chk.FileName = doc->WorkingCopy;
    doc->Prepare(data.Tileset(doc->Chk.Tileset()));
    doc->MarkSaved();
    return doc;
}

std::unique_ptr<TMapDocument> TMapDocument::NewMap(int terrainGroup, int tileset, int width, int height,
                                                   TGameData& data, Prompter& prompter) {
    CStarcraftTileset& slot = data.Tileset(tileset);
    std::unique_ptr<TMapDocument> doc(new TMapDocument(data, prompter, PrivateFolder()));
    doc->Chk.NewMap(terrainGroup, tileset, width, height, &slot);
    doc->Prepare(slot);
    return doc;
}

void TMapDocument::MarkSaved() {
    History.MarkSaved();
    auto bytes = Chk.Snapshot();
    m_savedBytes.reset();
    if (bytes) {
        m_savedBytes = std::move(bytes).value();
    }
}

bool TMapDocument::IsModified() {
    if (FileName.empty() || !m_savedBytes) {
        return true;
    }
    auto now = Chk.Snapshot();
    return !now || now.value() != *m_savedBytes;
}

Result<TMapDocument::SaveOutcome> TMapDocument::Save(const std::string& target) {
    DebugLogSession logSession;
    auto fail = [&](const std::string& reason) {
        return MakeError("Could not save " + target + ": " + reason + "\nThe map file was not changed.");
    };
    if (target.empty()) {
        return fail("no file name");
    }
    if (m_folder.empty()) {
        auto folder = MakeWorkingFolder();
        if (!folder) {
            return fail(folder.error());
        }
        m_folder = std::move(folder).value();
    }
    // The map file keeps its kind; a new name is a plain scenario when it ends in ".chk".
    std::error_code same;
    const bool sameFile = !FileName.empty() && (target == FileName || fs::equivalent(target, FileName, same));
    const bool plainTarget = sameFile ? !IsArchive : IsPlainScenarioName(target);
    // The working copy has the kind of the target: a plain scenario, or an archive.
    std::string work = WorkingCopy;
    std::string source = WorkingCopy;
    if (work.empty() || IsArchive == plainTarget) {
        work = (m_folder.path() / WorkingName(target)).string();
        if (work == WorkingCopy) {
            work += plainTarget ? ".chk" : ".scx";
        }
        source.clear();
    }
    SaveOutcome outcome;
    if (plainTarget) {
        Chk.FileName = work;
        if (Status written = Chk.WriteToFile(); !written) {
            return fail(written.error());
        }
    } else {
        auto saved = SaveMap(m_data.Archives, Chk, source, work);
        if (!saved) {
            return fail(ReplaceAll(saved.error(), work, "the working copy"));
        }
        outcome.rebuilt = saved.value().rebuilt;
        outcome.carried = saved.value().carried;
        if (outcome.rebuilt) {
            m_prompter.ShowMessage(
                (FileName.empty() ? target : FileName) +
                " is a protected archive that cannot be updated in place. Orvistad saves it as a new archive "
                "holding the scenario and " +
                std::to_string(outcome.carried) + " other file" + (outcome.carried == 1 ? "" : "s") +
                " it could read from the old one.");
        }
    }
    if (work != WorkingCopy && !WorkingCopy.empty()) {
        std::error_code ec;
        fs::remove(WorkingCopy, ec);
    }
    WorkingCopy = work;
    IsArchive = !plainTarget;
    Chk.FileName = WorkingCopy;
    if (Status replaced = CopyFileReplacing(WorkingCopy, target); !replaced) {
        return fail(ReplaceAll(replaced.error(), WorkingCopy, "the working copy"));
    }
    FileName = target;
    MarkSaved();
    DebugLog("Saved " + target);
    return outcome;
}

void TMapDocument::Changed(const TEditChange& change) {
    if (!change.Any()) {
        return;
    }
    if (change.Shape) {
        // The tileset follows the record's tileset number (undoing a change of it too).
        CStarcraftTileset& tileset = m_data.Tileset(Chk.Tileset());
        Tileset = &tileset;
        if (Chk.TilesetLink != &tileset) {
            Chk.LinkTileset(&tileset);
        }
        Chk.CreepMap.SetSize(Chk.Width, Chk.Height);
    }
    if (change.Units || change.Terrain || change.Shape) {
        Chk.RebuildCreep();
    }
    if (OnChanged) {
        OnChanged(change);
    }
}

} // namespace orv
