#pragma once

// Everything the map windows share, loaded once at start-up: the game archives, the rule
// tables (raw images of arr\*.dat, indexed in place), the text tables, the colour tables, a
// sprite sheet for every image the game names, the option flags and the recent files.
// The main window owns one TGameData; nothing in here touches a widget.
//
// Without a usable set of game archives (none configured, or one of the tables below in no
// archive) the stand-in archive that Orvistad generates is used instead, and `Notice` says
// why (the main window shows it without stopping the user), so nothing ever indexes a
// missing table.

#include "app/RecentFiles.h"
#include "archive/Stormunit.h"
#include "base/Prompter.h"
#include "graphics/CTileset.h"
#include "graphics/TGRP.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

inline constexpr int kUnitTypeCount = 228;

// Display and placement options; they live for one program run.
struct OptionFlags {
    bool UseMMX = false;
    bool ShowGrid = false;
    bool ShowFineGrid = false;
    bool ShowPlacability = true;
    bool ShowCreep = true;
    bool UnitAlign32 = false; // units: no grid
    bool UnitAlign16 = false;
    bool BuildingAlign32 = true; // buildings: the 32 x 32 grid
    bool BuildingAlign16 = false;
    bool IgnoreTerrain = false;
    bool AllowOverlap = false;
    std::uint32_t LocationElevationMask = 0xFFFF;
};

// Where start-up looks; every field has a default for the real program, tests set them.
struct StartupOptions {
    std::optional<std::filesystem::path> programDir;     // default: the executable's folder
    std::optional<std::filesystem::path> configDir;      // default: $XDG_CONFIG_HOME/orvistad
    std::optional<std::string> installPath;              // default: the Wine registry's InstallPath
    std::vector<std::string> extraArchives;              // after settings.txt: the highest priority
    bool standinOnly = false;                            // the stand-in archive alone
    std::optional<std::filesystem::path> standinArchive; // default: StandinArchivePath()
};

// The archived names of the tables start-up reads, in reading order.
struct GameTableNames {
    static constexpr const char* ImagesDat = "arr\\images.dat";
    static constexpr const char* SpritesDat = "arr\\sprites.dat";
    static constexpr const char* FlingyDat = "arr\\flingy.dat";
    static constexpr const char* WeaponsDat = "arr\\weapons.dat";
    static constexpr const char* UpgradesDat = "arr\\upgrades.dat";
    static constexpr const char* TechdataDat = "arr\\Techdata.dat";
    static constexpr const char* UnitsDat = "arr\\units.dat";
    static constexpr const char* StatTxt = "rez\\stat_txt.tbl";
    static constexpr const char* ImagesTbl = "arr\\images.tbl";
    static constexpr const char* PlayerColours = "game\\tunit.pcx";
    static constexpr const char* SelectionColours = "game\\tselect.pcx";
    static constexpr const char* MinimapColours = "game\\tminimap.pcx";
};

inline constexpr std::array<const char*, 12> kGameTables{
    GameTableNames::ImagesDat,     GameTableNames::SpritesDat,       GameTableNames::FlingyDat,
    GameTableNames::WeaponsDat,    GameTableNames::UpgradesDat,      GameTableNames::TechdataDat,
    GameTableNames::UnitsDat,      GameTableNames::StatTxt,          GameTableNames::ImagesTbl,
    GameTableNames::PlayerColours, GameTableNames::SelectionColours, GameTableNames::MinimapColours};

class TGameData {
public:
    // `options` are the option flags to share with other game data (those of an earlier
    // load, so a reload keeps the user's choices); null: new ones.
    explicit TGameData(Prompter& prompter, std::shared_ptr<OptionFlags> options = nullptr);
    ~TGameData();
    TGameData(const TGameData&) = delete;
    TGameData& operator=(const TGameData&) = delete;

    // Runs the start-up sequence. Problems are told through the prompter; start-up always
    // ends with a usable (possibly empty, never out-of-bounds) set of tables.
    void Load(const StartupOptions& options = {});

    // Frees the sheets and tables, logging as the program closes. Runs once; the
    // destructor calls it when nobody did.
    void Shutdown();

    std::filesystem::path ProgramDir;
    std::filesystem::path ConfigDir;
    std::string InstallPath;
    TRecentFileList RecentFiles;
    std::shared_ptr<OptionFlags> SharedOptions;
    OptionFlags& Options;
    StartupOptions Startup; // as the last Load had them
    TMyMPQ Archives;

    std::vector<std::uint8_t> UnitsDat, FlingyDat, SpritesDat, ImagesDat, WeaponsDat, UpgradesDat,
        TechdataDat;
    std::vector<std::string> StatTxt;
    std::array<std::vector<std::string>, kUnitTypeCount + 1> UnitNameParts;
    std::vector<std::string> ImagesTbl;
    std::array<std::uint8_t, 128> PlayerColorTable{};
    std::array<std::uint8_t, 24> SelectionColorTable{};
    std::array<std::uint8_t, 16> MinimapColorTable{};

    // One slot per images.tbl entry plus one; empty until its sheet is loaded.
    std::vector<std::unique_ptr<TDoodadGRP>> GrpSheets;
    // Per unit type: the GrpSheets slot of its main image, or -1.
    std::array<int, kUnitTypeCount> UnitGrps{};

    // One tileset per tileset number, loaded on first need and shared by every map of it.
    std::array<std::unique_ptr<CStarcraftTileset>, 8> Tilesets;
    // The tileset of a scenario's tileset number (the low three bits count), loading it
    // when no map used it yet.
    CStarcraftTileset& Tileset(int number);

    // True when the stand-in archive replaced the configured game archives.
    bool UsingStandin = false;
    // Set on data that newer data replaced: its shutdown is not the program's, so not logged.
    bool QuietShutdown = false;
    // Why the stand-in archive replaced them (empty when it did not, or was asked for).
    std::string Notice;
    // Where the settings files were looked for.
    std::filesystem::path SettingsTxtPath() const;
    std::filesystem::path SettingsIniPath() const;

    // The sheet of a unit type, or null.
    const TDoodadGRP* UnitSheet(int unitType) const;

    // The image file number of a unit type minus one (a GrpSheets slot), or -1 when the
    // image chain names none. Every step is bounds-checked against the tables.
    int UnitImageSlot(int unitType) const;

    // Names of the tables that no archive held at the last load (empty when all were found).
    std::vector<std::string> MissingTables;

private:
    void BuildArchiveList(const StartupOptions& options);
    void LoadTables();
    std::vector<std::string> FindMissingTables();
    void UseStandin();
    void LoadSheet(int slot);
    void PreloadSheets();

    Prompter& m_prompter;
    std::mutex m_tilesetLock;
    std::filesystem::path m_standin;
    bool m_shutDown = false;
};

// The game archives in the order they are added (searched last to first): the installed
// game's three archives when an install path is known, then every line of settings.txt
// (the first line even when the file is empty), then `extra`.
std::vector<std::string> GameArchiveList(const std::string& installPath,
                                         const std::filesystem::path& settingsTxt,
                                         const std::vector<std::string>& extra);

// Per table of kGameTables, the archive or folder a read of it comes from; empty when none.
std::vector<std::string> TableSources(TMyMPQ& archives);
// The same for one file; a file served by the stand-in fallback says so.
std::string SourceText(TMyMPQ& archives, std::string_view name);

// The files that a current installation may lack and that the stand-in's replace: the three
// palette PCX files and the tilesets' doodad placement (tileset\<stem>\dddata.bin).
bool IsOptionalGameFile(std::string_view archivedName);

// True when `folder` is an installation of the current game: a `.build.info` and no MPQs.
bool IsCascInstallation(const std::filesystem::path& folder);

// The lines of settings.txt (none when the file is absent), and writing them back.
std::vector<std::string> ReadSettingsLines(const std::filesystem::path& settingsTxt);
Status WriteSettingsLines(const std::filesystem::path& settingsTxt, const std::vector<std::string>& lines);

// What a folder chosen as the game's place contributes: the game's three archives where it
// holds them (an older installation), else the folder itself (the current game's storage, or
// files extracted from the game).
std::vector<std::string> GameFolderEntries(const std::filesystem::path& folder);

// The stand-in game archive: $ORVISTAD_STANDIN, else standin.mpq beside the program or in
// its parent folder, else the one the build wrote.
std::filesystem::path StandinArchivePath();

// The folder the running program lives in.
std::filesystem::path ExecutableDir();

} // namespace orv
