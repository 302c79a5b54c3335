#include "app/GameData.h"

#include "app/Debugunit.h"
#include "app/GameTables.h"
#include "app/InstallPath.h"
#include "archive/CascStorage.h"
#include "base/FileUtil.h"
#include "graphics/OrvistadTypes.h"
#include "graphics/RuleTables.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <system_error>

#ifndef ORVISTAD_STANDIN_BUILD_PATH
#define ORVISTAD_STANDIN_BUILD_PATH ""
#endif

namespace orv {
namespace {

bool Exists(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

std::filesystem::path DefaultConfigDir() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
        return std::filesystem::path(xdg) / "orvistad";
    }
    if (const char* home = std::getenv("HOME"); home && *home) {
        return std::filesystem::path(home) / ".config" / "orvistad";
    }
    return {};
}

template <std::size_t N>
void CopyRow(std::array<std::uint8_t, N>& table, const std::vector<std::uint8_t>& pcx) {
    const auto row = ReadPcxColourRow(pcx, N);
    std::copy(row.begin(), row.end(), table.begin());
}

} // namespace

std::filesystem::path ExecutableDir() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::current_path(ec) : exe.parent_path();
}

std::filesystem::path StandinArchivePath() {
    if (const char* env = std::getenv("ORVISTAD_STANDIN"); env && *env) {
        return env;
    }
    const auto dir = ExecutableDir();
    for (const auto& candidate : {dir / "standin.mpq", dir.parent_path() / "standin.mpq"}) {
        if (Exists(candidate)) {
            return candidate;
        }
    }
    return ORVISTAD_STANDIN_BUILD_PATH;
}

TGameData::TGameData(Prompter& prompter, std::shared_ptr<OptionFlags> options)
    : SharedOptions(options ? std::move(options) : std::make_shared<OptionFlags>()), Options(*SharedOptions),
      m_prompter(prompter) {
    UnitGrps.fill(-1);
}

TGameData::~TGameData() {
    Shutdown();
}

std::filesystem::path TGameData::SettingsTxtPath() const {
    // Beside the program when it is there (a portable install), else in the user's config.
    if (Exists(ProgramDir / "settings.txt") || ConfigDir.empty()) {
        return ProgramDir / "settings.txt";
    }
    return ConfigDir / "settings.txt";
}

std::filesystem::path TGameData::SettingsIniPath() const {
    if (Exists(ProgramDir / "settings.ini") || ConfigDir.empty()) {
        return ProgramDir / "settings.ini";
    }
    return ConfigDir / "settings.ini";
}

void TGameData::Load(const StartupOptions& options) {
    ProgramDir = options.programDir.value_or(ExecutableDir());
    ConfigDir = options.configDir.value_or(DefaultConfigDir());
    m_standin = options.standinArchive.value_or(StandinArchivePath());
    InstallPath = options.installPath.value_or(options.standinOnly ? std::string() : FindInstallPath());
    Startup = options;
    RecentFiles.Load(SettingsIniPath());
    Notice.clear();

    // Without the game the program still starts at once: the stand-in art is used and the
    // notice says so, where the user can act on it.
    constexpr const char* kNoGameData =
        "No game data found: showing stand-in art. Set the game folder in Settings";
    BuildArchiveList(options);
    if (std::all_of(Archives.ArchiveList.begin(), Archives.ArchiveList.end(),
                    [](const std::string& entry) { return entry.empty(); }) &&
        !UsingStandin) {
        DebugLog("Settings.txt not properly configured, no MPQs were found");
        Notice = kNoGameData;
        UseStandin();
    }

    LoadTables();
    MissingTables = FindMissingTables();
    if (!MissingTables.empty() && !UsingStandin) {
        std::string names;
        for (const std::string& name : MissingTables) {
            names += (names.empty() ? "" : ", ") + name;
        }
        DebugLog("The game archives are incomplete: no archive holds " + names);
        // A source that could not be opened at all (a damaged storage) is the likely cause.
        std::string problems;
        for (std::size_t i = 0; i < Archives.ArchiveList.size(); ++i) {
            if (std::string problem = Archives.SourceProblem(i); !problem.empty()) {
                problem[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(problem[0])));
                problems += " " + problem + ".";
            }
        }
        Notice = "The game data is incomplete (no archive holds " + names + "): showing stand-in art." +
                 problems + " Set the game folder in Settings";
        UseStandin();
        LoadTables();
        MissingTables = FindMissingTables();
    }
    if (!MissingTables.empty()) {
        m_prompter.ShowMessage("The stand-in game data (" + m_standin.string() +
                               ") is missing or incomplete; maps cannot be shown.");
    }
    DebugLog("Done loading settings files ");

    GrpSheets.clear();
    GrpSheets.resize(ImagesTbl.size() + 1);
    for (auto& tileset : Tilesets) {
        tileset.reset();
    }
    DebugLog("Load GRPS");
    PreloadSheets();
    DebugLog("End of Creation");
}

std::vector<std::string> TableSources(TMyMPQ& archives) {
    std::vector<std::string> sources;
    for (const char* table : kGameTables) {
        sources.push_back(SourceText(archives, table));
    }
    return sources;
}

std::string SourceText(TMyMPQ& archives, std::string_view name) {
    const long source = archives.SourceOf(name);
    if (source == TMyMPQ::kFallbackSource) {
        return archives.FallbackArchive + " (stand-in: not in the game data)";
    }
    return source >= 0 ? archives.ArchiveList[static_cast<std::size_t>(source)] : std::string();
}

bool IsOptionalGameFile(std::string_view archivedName) {
    std::string name(archivedName);
    for (char& c : name) {
        c = c == '/' ? '\\' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (name == "game\\tunit.pcx" || name == "game\\tselect.pcx" || name == "game\\tminimap.pcx") {
        return true;
    }
    const std::string_view kTileset = "tileset\\", kPlacement = "\\dddata.bin";
    return name.size() > kTileset.size() + kPlacement.size() && name.starts_with(kTileset) &&
           name.ends_with(kPlacement) && name.find('\\', kTileset.size()) == name.size() - kPlacement.size();
}

bool IsCascInstallation(const std::filesystem::path& folder) {
    if (!CascStorage::IsInstallation(folder)) {
        return false;
    }
    for (const char* name : {"StarDat.mpq", "BrooDat.mpq", "Patch_rt.mpq"}) {
        if (Exists(ResolveCaseInsensitive(folder, name))) {
            return false;
        }
    }
    return true;
}

std::vector<std::string> ReadSettingsLines(const std::filesystem::path& settingsTxt) {
    std::vector<std::string> lines;
    std::ifstream in(settingsTxt);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty()) {
            lines.push_back(line);
        }
    }
    return lines;
}

Status WriteSettingsLines(const std::filesystem::path& settingsTxt, const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return WriteWholeFile(settingsTxt,
                          std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::vector<std::string> GameFolderEntries(const std::filesystem::path& folder) {
    std::vector<std::string> archives;
    for (const char* name : {"StarDat.mpq", "BrooDat.mpq", "Patch_rt.mpq"}) {
        const auto path = ResolveCaseInsensitive(folder, name);
        if (Exists(path)) {
            archives.push_back(path.string());
        }
    }
    if (archives.empty()) {
        return {folder.string()};
    }
    return archives;
}

std::vector<std::string> GameArchiveList(const std::string& installPath,
                                         const std::filesystem::path& settingsTxt,
                                         const std::vector<std::string>& extra) {
    std::vector<std::string> list;
    if (!installPath.empty() && IsCascInstallation(installPath)) {
        list.push_back(installPath); // the current game: one storage instead of the archives
    } else if (!installPath.empty()) {
        const std::filesystem::path dir(installPath);
        for (const char* name : {"StarDat.mpq", "BrooDat.mpq", "Patch_rt.mpq"}) {
            list.push_back(ResolveCaseInsensitive(dir, name).string());
        }
    }
    if (Exists(settingsTxt)) {
        // Read, then test: the first line is taken even from an empty file.
        std::ifstream in(settingsTxt);
        std::string line;
        do {
            line.clear();
            std::getline(in, line);
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            list.push_back(line);
        } while (in && in.peek() != std::char_traits<char>::eof());
    }
    list.insert(list.end(), extra.begin(), extra.end());
    return list;
}

void TGameData::BuildArchiveList(const StartupOptions& options) {
    Archives.CloseGameArchives();
    Archives.ArchiveList.clear();
    UsingStandin = false;
    DebugLog("Starting program, extracrting files");
    if (options.standinOnly) {
        UseStandin();
        return;
    }
    Archives.ArchiveList = GameArchiveList(InstallPath, SettingsTxtPath(), options.extraArchives);
    // The current game may lack a few small files that the program needs: the stand-in's serve.
    Archives.FallbackArchive = m_standin.string();
    Archives.FallbackFor = IsOptionalGameFile;
}

void TGameData::UseStandin() {
    Archives.CloseGameArchives();
    Archives.ArchiveList = {m_standin.string()};
    Archives.FallbackArchive.clear();
    UsingStandin = true;
}

void TGameData::LoadTables() {
    auto load = [&](const char* log, const char* name, std::vector<std::uint8_t>& into) {
        DebugLog(log);
        into = Archives.ReadFileToBuffer(name).value_or(std::vector<std::uint8_t>{});
    };
    load("Images Dat", GameTableNames::ImagesDat, ImagesDat);
    load("Sprites Dat", GameTableNames::SpritesDat, SpritesDat);
    load("Flingy Dat", GameTableNames::FlingyDat, FlingyDat);
    load("Weapons Dat", GameTableNames::WeaponsDat, WeaponsDat);
    load("Upgrades Dat", GameTableNames::UpgradesDat, UpgradesDat);
    load("Techs Dat", GameTableNames::TechdataDat, TechdataDat);
    load("units Dat", GameTableNames::UnitsDat, UnitsDat);

    DebugLog("Stattxt tbl");
    StatTxt = ReadStringTable(Archives.ReadFileToStream(GameTableNames::StatTxt));
    for (std::size_t i = 0; i < UnitNameParts.size(); ++i) {
        UnitNameParts[i] = i < kUnitTypeCount && i < StatTxt.size() ? SplitNameParts(StatTxt[i])
                                                                    : std::vector<std::string>{};
    }

    DebugLog("Images.tbl");
    ImagesTbl = ReadStringTable(Archives.ReadFileToStream(GameTableNames::ImagesTbl));

    DebugLog("Loading PlayerColor PCX file");
    CopyRow(PlayerColorTable, Archives.ReadFileToStream(GameTableNames::PlayerColours));
    DebugLog("Loading Selection PCX File");
    CopyRow(SelectionColorTable, Archives.ReadFileToStream(GameTableNames::SelectionColours));
    DebugLog("Loading Minimap PCX File");
    CopyRow(MinimapColorTable, Archives.ReadFileToStream(GameTableNames::MinimapColours));
}

std::vector<std::string> TGameData::FindMissingTables() {
    std::vector<std::string> missing;
    const std::pair<const char*, const std::vector<std::uint8_t>*> dats[] = {
        {GameTableNames::ImagesDat, &ImagesDat},     {GameTableNames::SpritesDat, &SpritesDat},
        {GameTableNames::FlingyDat, &FlingyDat},     {GameTableNames::WeaponsDat, &WeaponsDat},
        {GameTableNames::UpgradesDat, &UpgradesDat}, {GameTableNames::TechdataDat, &TechdataDat},
        {GameTableNames::UnitsDat, &UnitsDat},
    };
    for (const auto& [name, table] : dats) {
        if (table->empty()) {
            missing.push_back(name);
        }
    }
    if (StatTxt.empty()) {
        missing.push_back(GameTableNames::StatTxt);
    }
    if (ImagesTbl.empty()) {
        missing.push_back(GameTableNames::ImagesTbl);
    }
    // A colour table that is absent reads as all zeros; ask the archives whether it is there.
    for (const char* pcx :
         {GameTableNames::PlayerColours, GameTableNames::SelectionColours, GameTableNames::MinimapColours}) {
        if (!Archives.FileExistsInArchives(pcx)) {
            missing.push_back(pcx);
        }
    }
    return missing;
}

int TGameData::UnitImageSlot(int unitType) const {
    if (unitType < 0 || unitType >= kUnitTypeCount) {
        return -1;
    }
    const auto flingy = UnitsTable(UnitsDat).Flingy(unitType);
    const auto sprite = flingy ? FlingySprite(FlingyDat, *flingy) : std::nullopt;
    const auto image = sprite ? SpritesTable(SpritesDat).Image(*sprite) : std::nullopt;
    const std::uint32_t file = image ? ImageGrpFile(ImagesDat, *image) : 0;
    if (file == 0 || file > ImagesTbl.size()) {
        return -1;
    }
    return static_cast<int>(file) - 1;
}

const TDoodadGRP* TGameData::UnitSheet(int unitType) const {
    if (unitType < 0 || unitType >= kUnitTypeCount) {
        return nullptr;
    }
    const int slot = UnitGrps[static_cast<std::size_t>(unitType)];
    if (slot < 0 || static_cast<std::size_t>(slot) >= GrpSheets.size() ||
        !GrpSheets[static_cast<std::size_t>(slot)] || !GrpSheets[static_cast<std::size_t>(slot)]->HasData()) {
        return nullptr;
    }
    return GrpSheets[static_cast<std::size_t>(slot)].get();
}

void TGameData::LoadSheet(int slot) {
    GrpSheets[static_cast<std::size_t>(slot)] = std::make_unique<TDoodadGRP>(
        ImagesTbl[static_cast<std::size_t>(slot)], nullptr, Archives, PlayerColorTable, true);
}

void TGameData::PreloadSheets() {
    UnitGrps.fill(-1);
    // Pass one: every images.tbl entry that names a GRP.
    for (std::size_t i = 0; i < ImagesTbl.size(); ++i) {
        const auto at = ImagesTbl[i].find(".grp");
        if (at != std::string::npos && at > 0) {
            LoadSheet(static_cast<int>(i));
        }
    }
    // Pass two: each unit type's main image, and the turret on top of it.
    for (int u = 0; u < kUnitTypeCount; ++u) {
        const int g = UnitImageSlot(u);
        if (g < 0) {
            continue;
        }
        auto& sheet = GrpSheets[static_cast<std::size_t>(g)];
        if (!sheet && Archives.FileExistsInArchives("unit\\" + ImagesTbl[static_cast<std::size_t>(g)])) {
            LoadSheet(g);
        }
        const UnitsTable units(UnitsDat);
        const int turret = units.Subunit(u);
        if (turret < kUnitTypeCount && units.Flingy(turret).value_or(0) > 0) {
            const int tg = UnitImageSlot(turret);
            if (tg >= 0 && tg != 557) {
                auto& turretSheet = GrpSheets[static_cast<std::size_t>(tg)];
                if (!turretSheet &&
                    Archives.FileExistsInArchives("unit\\" + ImagesTbl[static_cast<std::size_t>(tg)])) {
                    LoadSheet(tg);
                }
                if (sheet && sheet->HasData()) {
                    sheet->Turret = turretSheet.get();
                    sheet->TurretX = 0;
                    sheet->TurretY = 0;
                }
            }
        }
        UnitGrps[static_cast<std::size_t>(u)] = g;
    }
}

CStarcraftTileset& TGameData::Tileset(int number) {
    // Maps load on threads of their own, and a cancelled load may still run beside the next:
    // one tileset is made at a time (it reads the game archives, which are not shared safely).
    std::lock_guard hold(m_tilesetLock);
    const auto index = static_cast<std::size_t>(TilesetNumber(static_cast<unsigned>(number)));
    if (!Tilesets[index]) {
        Tilesets[index] = std::make_unique<CStarcraftTileset>(std::string(TilesetStems[index]), Archives,
                                                              ImagesDat, SpritesDat);
    }
    return *Tilesets[index];
}

void TGameData::Shutdown() {
    if (m_shutDown) {
        return;
    }
    m_shutDown = true;
    RecentFiles = {};
    if (!QuietShutdown) {
        DebugLog("Start of killing main form");
    }
    for (auto& tileset : Tilesets) {
        tileset.reset();
    }
    GrpSheets.clear();
    if (!QuietShutdown) {
        DebugLog("End of closing main form\n\r\n\r");
    }
}

} // namespace orv
