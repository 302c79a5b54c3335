#pragma once

// One open map: its scenario record, the map file it came from and its working copy. The
// working copy lives in a private folder of its own (one per open map, readable only by
// the user, with an owner file locked while the program runs), so two windows on the same
// file never share one, and it is deleted with the document; a folder left by a program
// that was killed is removed by the next start (RemoveStaleWorkingFolders). Saving updates
// the working copy first and replaces the map file only when that worked, by writing a
// file beside it under an unpredictable name, flushing it to disk and renaming it over the
// map, so a failed save (or a crash, or a power loss) leaves the map as it was.

#include "app/GameData.h"
#include "app/MapSave.h"
#include "base/FileUtil.h"
#include "base/Result.h"
#include "scenario/CCHKFile.h"
#include "tools/EditHistory.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orv {

class TMapDocument {
public:
    ~TMapDocument();
    TMapDocument(const TMapDocument&) = delete;
    TMapDocument& operator=(const TMapDocument&) = delete;

    // Opens a map archive or a plain scenario file (".chk"). A failure names the file and
    // the reason, and leaves nothing behind.
    static Result<std::unique_ptr<TMapDocument>> Open(const std::string& path, TGameData& data,
                                                      Prompter& prompter);
    // A new scenario: no file and no working copy until it is first saved.
    static std::unique_ptr<TMapDocument> NewMap(int terrainGroup, int tileset, int width, int height,
                                                TGameData& data, Prompter& prompter);

    struct SaveOutcome {
        bool rebuilt = false;    // a protected archive was written anew
        std::size_t carried = 0; // files carried into the new archive
    };
    // Saves to `target` (the map file, or a new name for "Save As"): the working copy is
    // updated (created for a new map), then copied beside `target` and renamed over it.
    // A `target` that is a symbolic link stays one: the file it points to is replaced.
    // A protected archive that cannot be updated in place is rebuilt after telling the user.
    // On success the document's file name is `target`.
    Result<SaveOutcome> Save(const std::string& target);

    // True when the scenario differs from what was last opened or saved (a new map that was
    // never saved counts as changed).
    bool IsModified();

    TCHK Chk;
    // Every change to Chk is a step here; its saved position moves with each save.
    TEditHistory History;

    // Every change to the record passes here once (an edit, its undo, its redo): what derives
    // from the record is brought up to date (the creep, when units or terrain changed), then
    // OnChanged tells the window, which redraws what it shows of `change`.
    void Changed(const TEditChange& change);
    std::function<void(const TEditChange&)> OnChanged;
    std::string FileName;    // the map file; empty for a new map
    std::string WorkingCopy; // empty until the map has one
    bool IsArchive = false;  // the working copy (and the map file) is an archive, not a plain scenario
    CStarcraftTileset* Tileset = nullptr; // the shared tileset of the scenario's tileset number

    // The private folder of this document's working copy.
    const std::filesystem::path& WorkingFolder() const { return m_folder.path(); }

private:
    TMapDocument(TGameData& data, Prompter& prompter, PrivateFolder folder);
    void Prepare(CStarcraftTileset& tileset);

    void MarkSaved();

    TGameData& m_data;
    Prompter& m_prompter;
    PrivateFolder m_folder;
    std::optional<std::vector<std::uint8_t>> m_savedBytes; // the scenario as last opened or saved
};

// A private, uniquely named folder for one working copy (mode 0700), or an error.
Result<PrivateFolder> MakeWorkingFolder();

// Removes the working and save folders of this user that programs which were killed left in
// the temporary folder (their owner file is no longer locked); never another user's, never
// through a link. Run at start-up. Returns how many were removed.
std::size_t RemoveStaleWorkingFolders();

// True for a plain scenario file name (ending in ".chk", any case).
bool IsPlainScenarioName(const std::string& path);

} // namespace orv
