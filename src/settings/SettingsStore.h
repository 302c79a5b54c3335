#pragma once

// The scenario's settings as the properties window and `orvistad-cli edit` change them: the
// name and description, the players, the forces, unit, upgrade and technology settings, the
// string list, the sound table, the map's size and tileset. Every value goes through here,
// checked before anything is stored; a setting section the map did not have is created (with
// a new map's values) when it is first changed. The changes stand in the record at once;
// Finish turns everything changed since the store was made into one step of the map's
// history (the size and tileset, kept aside until then, are applied first).
//
// Settings pages edit one of three targets ("modes"): 0 the original game's sections (UNIS,
// UPGS and UPGR, TECS and PTEC), 1 the expansion's (UNIx, UPGx and PUPx, TECx and PTEx), 2
// both (values are read from the expansion's and stored into both).

#include "base/Prompter.h"
#include "base/Result.h"
#include "scenario/CCHKFile.h"
#include "scenario/MapText.h"
#include "tools/EditHistory.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace orv {

class TGameData;

inline constexpr int kSettingsUnitCount = 228;
inline constexpr int kNoWeapon = 130;
inline constexpr int kBaseUpgradeCount = 46, kExpansionUpgradeCount = 61;
inline constexpr int kBaseTechCount = 24, kExpansionTechCount = 44;

// The rule tables the pages read (copies are not made; they outlive the store).
struct TSettingsTables {
    Bytes UnitsDat, WeaponsDat, UpgradesDat, TechdataDat;
    const std::vector<std::string>* StatTxt = nullptr;
    static TSettingsTables From(const TGameData& data);
    // The game's text `number` (1-based, 0 or past the table: empty).
    std::string Stat(int number) const;
};

// A player's row of the unit page: "Yes", "No", "Default" (the player follows the global
// setting), "Other" (a stored value that is none of these; kept as it is unless changed).
enum class TUnitUse { Yes, No, Default, Other };
const char* UnitUseText(TUnitUse use);

// A unit type's values as the unit page shows them.
struct TUnitStats {
    bool UseDefault = true;
    std::uint32_t HitPoints = 0; // whole points (the sections hold 256ths)
    std::uint32_t Shields = 0, Armor = 0, BuildTime = 0, Minerals = 0, Gas = 0;
    // The unit's weapons (kNoWeapon: none; a weapon the target section does not hold counts
    // as none) and their damage and bonus.
    int GroundWeapon = kNoWeapon, AirWeapon = kNoWeapon;
    std::uint32_t GroundDamage = 0, GroundBonus = 0, AirDamage = 0, AirBonus = 0;
    // The name: the game's own (`CustomName` false) or the text of the map's string.
    bool CustomName = false;
    std::string Name; // shown text (the map's encoding), or the game's name
};
struct TUnitAvailability {
    bool Global = true; // "Enabled for each player by default"
    std::array<TUnitUse, 12> Players{};
};

// The upgrade page: costs per upgrade and the levels each player starts with and may reach.
struct TUpgradeCosts {
    bool UseDefault = true;
    std::uint32_t MineralBase = 0, MineralFactor = 0, GasBase = 0, GasFactor = 0, TimeBase = 0,
                  TimeFactor = 0;
};
struct TUpgradePlayer {
    bool Custom = false; // false: "Use Default" (the global levels)
    std::uint32_t Start = 0, Max = 0;
};
struct TUpgradeLevels {
    std::uint32_t GlobalStart = 0, GlobalMax = 0;
    std::array<TUpgradePlayer, 12> Players{};
};

// The technology page: "Default" only for players; "Other" for a stored value that is none
// of the others (kept unless changed).
enum class TTechUse { Enabled, Disabled, Researched, Default, Other };
const char* TechUseText(TTechUse use);
struct TTechCosts {
    bool UseDefault = true;
    std::uint32_t Minerals = 0, Gas = 0, Time = 0, Energy = 0;
};
struct TTechAvailability {
    TTechUse Global = TTechUse::Enabled; // Enabled, Disabled or Researched
    std::array<TTechUse, 12> Players{};
};

class TSettingsStore {
public:
    // `ask` shows the messages and questions of typed text (the encoding question).
    TSettingsStore(TCHK& chk, TMapText& text, Prompter& ask, TSettingsTables tables);
    TSettingsStore(const TSettingsStore&) = delete;
    TSettingsStore& operator=(const TSettingsStore&) = delete;

    TCHK& Chk() { return m_chk; }
    const TCHK& Chk() const { return m_chk; }
    const TMapText& Text() const { return m_text; }
    const TSettingsTables& Tables() const { return m_tables; }

    // Typed text is stored through the map's text encoding; false when it was not stored
    // (the user was told why, or stopped at the encoding question). `tagged`: the field
    // shows formatting bytes as tags. The bytes of string `number` (0 or past the table:
    // none).
    std::string StringBytes(std::uint32_t number) const;

    // --- "Scenario" page ---
    bool SetName(const std::string& text, bool tagged = true);
    bool SetDescription(const std::string& text, bool tagged = true);
    // Players 0 to 11. Colour 0 to 11 (players 0 to 7 only), race 0 to 7, owner type 0 to 8
    // (the window offers 3, 5, 6, 7). An error names the value refused; nothing is stored.
    Status SetColour(int player, int colour);
    Status SetRace(int player, int race);
    Status SetOwner(int player, int owner);
    // The size and tileset take effect when the window closes (Finish); until then these are
    // what the page shows. Width and height 1 to 256 (even widths only, as the terrain is
    // laid in pairs), tileset 0 to 7.
    int PendingWidth() const { return m_width; }
    int PendingHeight() const { return m_height; }
    int PendingTileset() const { return m_tileset; }
    Status SetWidth(int width);
    Status SetHeight(int height);
    Status SetTileset(int tileset);
    // The terrain cells that come into the map get: a row of the "Base Terrain" list of the
    // (pending) tileset; its first terrain until one is chosen.
    int PendingBaseTerrain() const { return m_baseTerrain; }
    Status SetBaseTerrain(int row);
    // Parses a field's text as a whole number in [low, high]; the error names the field
    // ("Width must be a whole number from 1 to 256").
    static Result<std::int64_t> Number(const std::string& field, const std::string& text, std::int64_t low,
                                       std::int64_t high);

    // --- "Forces" page --- (forces 0 to 3; option bits 1 random start, 2 allied, 4 allied
    // victory, 8 shared vision)
    Status SetPlayerForce(int player, int force); // players 0 to 7
    bool SetForceName(int force, const std::string& text, bool tagged = false);
    Status SetForceFlags(int force, int flags);

    // --- "Units" page --- (units 0 to 227)
    bool ExpansionOnlyUnit(int unit) const;
    // The section's values (mode 0 UNIS, else UNIx; a section the map lacks shows a new map's
    // values), and the game's.
    TUnitStats LoadUnit(int unit, int mode) const;
    TUnitStats DefaultUnit(int unit, int mode) const;
    TUnitAvailability LoadAvailability(int unit) const;
    // Stores the values as custom (use-defaults cleared) into the mode's section(s), the name
    // (a custom name into the unit's string, added when it has none; the game's name clears
    // the string number) and the availability. Checked first: an error names the field.
    Status StoreUnit(int unit, int mode, const TUnitStats& stats, const TUnitAvailability& availability);
    // Only the use-defaults flag (the page's "Use Default settings" ticked).
    void StoreUnitDefault(int unit, int mode);
    // Only the players' availability (PUNI; the same for every mode), also for a unit that
    // keeps the game's statistics. PUNI is created only when something differs.
    void StoreAvailability(int unit, const TUnitAvailability& availability);

    // --- "upgrades" page --- (upgrades 0 to 60; the original sections hold 0 to 45)
    bool ExpansionOnlyUpgrade(int upgrade) const;
    TUpgradeCosts LoadUpgradeCosts(int upgrade, int mode) const;
    TUpgradeLevels LoadUpgradeLevels(int upgrade, int mode) const;
    Status StoreUpgrade(int upgrade, int mode, const TUpgradeCosts& costs, const TUpgradeLevels& levels);
    void StoreUpgradeDefault(int upgrade, int mode);
    // Only the levels (also for an upgrade whose costs are the game's); a section is made
    // only when they differ from what it holds.
    Status StoreUpgradeLevels(int upgrade, int mode, const TUpgradeLevels& levels);
    void UpgradeLoadDefaults(int mode); // "Load Defaults": use-defaults for every upgrade
    void SetAllUpgradeTimesZero();      // both sections, whatever the mode

    // --- "Technologies" page --- (technologies 0 to 43; the original sections hold 0 to 23)
    bool ExpansionOnlyTech(int tech) const;
    TTechCosts LoadTechCosts(int tech, int mode) const;
    TTechAvailability LoadTechAvailability(int tech, int mode) const;
    Status StoreTech(int tech, int mode, const TTechCosts& costs, const TTechAvailability& availability);
    void StoreTechDefault(int tech, int mode);
    // Only the availability (also for a technology whose costs are the game's).
    void StoreTechAvailability(int tech, int mode, const TTechAvailability& availability);
    void TechLoadDefaults(int mode);

    // --- "Strings" page ---
    // Entry `index` (0-based) := typed text; unchanged text keeps the string's bytes.
    bool SetString(std::size_t index, const std::string& text, bool tagged = true);

    // --- "Wavs" page ---
    // The sound table's lines ("%03d : path") and the files queued for the map archive.
    std::vector<std::string> SoundLines() const;
    // "Add": `file` a path on disk (or, with `fromGame`, a path inside the game's archives);
    // `archiveName` empty for "staredit\wav\" + the file's name. A file on disk is queued
    // for the map archive (added when the window closes). The slot used, or an error ("All
    // 512 sound slots are in use").
    Result<int> AddSound(const std::string& file, const std::string& archiveName, bool fromGame);
    // Whether files on disk can be queued: a plain scenario file, or a new map not saved yet,
    // has no archive to take them (sounds of the game's archives can still be named).
    bool CanAddFiles = true;
    const std::vector<std::string>& QueuedNames() const { return m_queuedNames; }
    const std::vector<std::string>& QueuedSources() const { return m_queuedSources; }

    // Applies the size and tileset (the new tileset from `tilesetFor`), tells through `ask`
    // in one message what now lies outside the map, and records everything changed as one
    // step "Scenario Settings" in `history`. What changed (nothing: no step).
    TEditChange Finish(TEditHistory& history, const std::function<CStarcraftTileset*(int)>& tilesetFor);

private:
    bool EnterString(std::uint16_t& number, const std::string& text, bool tagged);
    void Need(const char* section);
    // Tells in one message what a resize left outside the map.
    void TellOutside(int oldWidth, int oldHeight);

    TCHK& m_chk;
    TMapText& m_text;
    Prompter& m_ask;
    TSettingsTables m_tables;
    int m_width, m_height, m_tileset;
    int m_baseTerrain = 0;
    std::vector<std::string> m_stringsBefore;
    std::vector<std::vector<std::uint8_t>> m_before; // the settings fields as they stood
    std::set<std::string> m_createdBefore;
    std::vector<std::string> m_queuedNames, m_queuedSources;
};

} // namespace orv
