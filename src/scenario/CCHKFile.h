#pragma once

// The scenario of one map in memory: every section of the scenario file in fixed arrays and
// lists the editor changes in place, plus the derived displayed tile grid and creep map.
//
// Reading follows the game, not the letter of the format: sections may come in any order,
// the last copy of an ordinary section wins, UNIT / THG2 / TRIG / MBRF copies are appended,
// MTXM and STR copies overwrite the earlier bytes from the start ("stacking"), a negative
// size moves the walk back (a visited place ends it), a size past the end is cut to what
// remains, sections shorter than their fixed layout are ignored, and unknown sections are
// kept and written back after the known ones. Nothing a file says makes the reader step
// outside its buffer or a table.

#include "base/ByteReader.h"
#include "base/Prompter.h"
#include "base/Result.h"
#include "scenario/StringTable.h"
#include "terrain/CIsomMap.h"
#include "terrain/CreepMap.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace orv {

class CStarcraftTileset;

inline constexpr int kMaxUnits = 1650;
inline constexpr int kLocationSlots = 256;
inline constexpr int kGridSide = 257;
inline constexpr int kStartLocationType = 214;

struct UnitRecord {
    std::uint32_t Serial = 0;
    std::int32_t X = 0, Y = 0;
    std::int32_t Type = 0;
    std::int32_t Link = 0;
    std::int32_t ValidState = 0; // valid special properties
    std::int32_t ValidProps = 0; // valid elements
    std::uint8_t Owner = 0;
    std::uint8_t HitPoints = 100, Shields = 100, Energy = 100; // percent
    std::uint32_t Resources = 0;
    std::int32_t Hangar = 0;
    std::int32_t State = 0;
    std::array<std::uint8_t, 8> Tail{}; // unused word and linked unit, carried unchanged
    std::uint32_t Key = 0;              // in memory only: names the unit while it exists, whatever its index
};

struct DoodadRecord {
    std::uint16_t Number = 0;
    std::uint16_t X = 0, Y = 0; // pixels, centre
    std::uint8_t Owner = 12;
    std::uint8_t Enabled = 1;
    int Sprite = -1;           // index into Sprites of the THG2 record that belongs to it
    bool MatchedOnLoad = true; // false: did not fit its terrain when the map was opened
    bool PlacedHere = false;   // placed in this editor: gets a sprite record when written
    std::uint32_t Key = 0;     // in memory only: names the doodad while it exists, whatever its index
};

// A location: a rectangle in map pixels, its name's string number and the elevations it
// leaves out. A slot is in use when any coordinate or its name is non-zero (locations may
// touch the map's top or left edge). Coordinates may be anything a file holds, up to
// +-2^31: arithmetic on them is done in 64 bits.
struct LocationSlot {
    std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    std::uint16_t Name = 0;
    std::uint16_t Flags = 0;
    bool InUse = false;
    bool Empty() const { return Left == 0 && Top == 0 && Right == 0 && Bottom == 0 && Name == 0; }
};

// The game's whole-map location ("Anywhere"), which new locations never take.
inline constexpr int kAnywhereSlot = 63;

// A THG2 record as read (sprite, x, y, owner, second byte, flags).
struct SpriteRecord {
    std::array<std::uint8_t, 10> Bytes{};
    bool Removed = false;
    static constexpr std::uint16_t kSpriteNumber =
        0x1000; // the number is a sprites.dat number, else a units.dat one
    std::uint16_t Number() const { return static_cast<std::uint16_t>(Bytes[0] | (Bytes[1] << 8)); }
    std::uint16_t X() const { return static_cast<std::uint16_t>(Bytes[2] | (Bytes[3] << 8)); }
    std::uint16_t Y() const { return static_cast<std::uint16_t>(Bytes[4] | (Bytes[5] << 8)); }
    std::uint8_t Owner() const { return Bytes[6]; }
    std::uint16_t Flags() const { return static_cast<std::uint16_t>(Bytes[8] | (Bytes[9] << 8)); }
};

struct KeptSection {
    std::array<char, 4> Name{};
    std::vector<std::uint8_t> Data;
};

// A rectangle of tiles, columns [Left, Right) and rows [Top, Bottom).
struct TileRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
};

// A section as it stood in the file, for reports: its name and declared size.
struct SectionInfo {
    std::array<char, 4> Name{};
    std::int64_t Size = 0;
};

// True when the bytes hold a map archive: the game finds an archive header at a 512-byte
// boundary. Anything else is read as a plain scenario file.
bool HoldsMapArchive(Bytes file);

class TCHK {
public:
    // The record links to the game data it needs: the tileset of its tileset number (for
    // doodads and creep) and units.dat (for the validity bits of new units).
    TCHK(Prompter& prompter, const std::vector<std::uint8_t>* unitsDat = nullptr);

    std::string FileName;

    // header
    std::array<std::uint8_t, 4> TypeTag{};
    std::uint16_t Version = 0;
    std::uint16_t EditorVersion = 0;
    std::array<std::uint8_t, 1040> Vcod{};

    // players and map
    // What plays each slot (0 inactive, 1 and 5 computer, 2 and 6 human, 3 rescue passive,
    // 7 neutral, 8 closed): IOWN when the file has it, else OWNR, the section the game reads.
    std::array<std::uint8_t, 12> OwnerTypes{};
    std::array<std::uint8_t, 12> Races{};
    std::array<std::uint8_t, 8> Colours{0, 1, 2, 3, 4, 5, 6, 7};
    std::uint16_t Era = 0; // the game uses the low three bits
    int Tileset() const { return Era & 7; }
    int Width = 0, Height = 0;

    // grids, [column][row]
    std::vector<std::uint16_t> TerrainGrid; // TILE
    std::vector<std::uint16_t> TileMap;     // MTXM: displayed
    std::vector<std::uint8_t> FogGrid;      // MASK
    // The index of a cell in the grids (kGridSide cells a column, column after column).
    static std::size_t Cell(int column, int row) {
        return static_cast<std::size_t>(column) * kGridSide + static_cast<std::size_t>(row);
    }
    std::uint16_t& Terrain(int column, int row) { return TerrainGrid[Cell(column, row)]; }
    std::uint16_t& Displayed(int column, int row) { return TileMap[Cell(column, row)]; }
    std::uint8_t& Fog(int column, int row) { return FogGrid[Cell(column, row)]; }

    std::unique_ptr<CIsoMap> IsoMap;
    TCreepMap CreepMap;

    std::vector<UnitRecord> Units;
    std::vector<DoodadRecord> Doodads;
    std::vector<SpriteRecord> Sprites;
    // The sprite records the game reads, in THG2's order: those read (less the removed
    // ones), then one for each doodad placed in this editor whose group has an overlay
    // sprite. What is written and what is drawn.
    std::vector<SpriteRecord> GameSprites() const;
    StringTable Strings;
    std::array<LocationSlot, kLocationSlots> Locations{};
    std::vector<std::uint8_t> Triggers;  // whole 2400-byte records
    std::vector<std::uint8_t> Briefings; // whole 2400-byte records
    std::array<std::uint8_t, 1280> UnitPresets{};
    std::array<std::uint8_t, 64> UnitPresetsUsed{};
    std::uint16_t ScenarioName = 0, ScenarioDescription = 0;
    std::array<std::uint8_t, 8> PlayerForces{};
    std::array<std::uint16_t, 4> ForceNames{};
    std::array<std::uint8_t, 4> ForceFlags{};
    std::array<std::uint32_t, 512> Wavs{};
    std::array<std::uint32_t, 256> SwitchNames{};

    // availability, costs and stats, as their sections hold them
    std::array<std::uint8_t, 5700> Puni{};
    std::array<std::uint8_t, 1748> Upgr{};
    std::array<std::uint8_t, 912> Ptec{};
    std::array<std::uint8_t, 4048> Unis{};
    std::array<std::uint8_t, 598> Upgs{};
    std::array<std::uint8_t, 216> Tecs{};
    std::array<std::uint8_t, 2318> Pupx{};
    std::array<std::uint8_t, 1672> Ptex{};
    std::array<std::uint8_t, 4168> Unix{};
    std::array<std::uint8_t, 794> Upgx{};
    std::array<std::uint8_t, 396> Tecx{};
    bool HasExpansionUpgradeCosts = false;
    bool HasExpansionTechCosts = false;

    std::vector<KeptSection> KeptSections;
    std::vector<SectionInfo> SectionsRead; // every section header the walk met, in order
    bool HadTileSection = false;

    CStarcraftTileset* TilesetLink = nullptr;

    // Loads a map archive, or a plain scenario file: which one is decided by the bytes (an
    // archive header at a 512-byte boundary), not by the name.
    Status LoadFromFile(const std::string& path);
    bool LoadedFromArchive = false;
    // Reads the sections of one scenario file's bytes.
    Status ReadSections(Bytes scenario);
    // Writes the scenario to FileName / to bytes. Runs the start-location check first.
    Status WriteToFile();
    // Writing changes nothing in the record: the header fields written (TYPE, VER, IVER)
    // follow the format kind without being stored back.
    Result<std::vector<std::uint8_t>> WriteToBytes() const;
    // The bytes a save would write, without the start-location check's messages: what the
    // editor compares to tell whether a map changed since it was saved.
    Result<std::vector<std::uint8_t>> Snapshot() const;

    int AddString(const std::string& text) { return Strings.AddString(text); }
    int AddUnit(int x, int y, int owner, int type);
    void DeleteUnit(int index);
    // Units and doodads carry keys that stay theirs while the lists change: read and added
    // ones get one; this gives one to every record still without (records put in the lists
    // directly). The index of the record with a key, or -1.
    void AssignKeys();
    int UnitIndex(std::uint32_t key) const;
    // The unit table the record was given (units.dat); empty without one.
    Bytes UnitsDat() const { return m_unitsDat ? Bytes(*m_unitsDat) : Bytes(); }
    int DoodadIndex(std::uint32_t key) const;
    // Appends a doodad and stamps its tiles; returns its key (it is gone again when the
    // terrain under it does not match its footprint).
    std::uint32_t AddDoodad(int x, int y, int number);
    void DeleteDoodad(int index, bool rebuild);
    // The lowest free location slot above 0 below `count` (never the whole-map slot), or -1.
    int FreeLocationSlot(int count) const;
    // The name a new location is offered ("location<slot> <left> <right> <top> <bottom>").
    static std::string DefaultLocationName(int slot, int left, int top, int right, int bottom);
    // Stores a location in the lowest free slot (coordinates multiplied by `scale`) under
    // `name`, stored as a new string; returns the slot, or -1 when none is free. A name that
    // no longer fits the string table leaves the location without one (its Name is 0).
    int AddLocation(int left, int top, int right, int bottom, int count, int scale, const std::string& name);
    void DeleteLocation(int slot);

    // A doodad an edit removed, with its place in the list then, so the edit can put it back.
    struct RemovedDoodad {
        int Index = 0;
        DoodadRecord Record;
    };
    // Recomputes the displayed grid from the terrain and the doodads: everywhere, or only
    // in `rect` and the footprints of the doodads that overlap it. Doodads are removed only
    // when an edit made the terrain under them stop matching; doodads that did not match
    // when the map was opened stay. Returns the doodads it removed, in the order it removed
    // them.
    std::vector<RemovedDoodad> RebuildTileMap();
    std::vector<RemovedDoodad> RebuildTileMap(const TileRect& rect);
    // Puts removed doodads back in their places (their sprite records too) and redraws their
    // footprints: what undoing the edit that removed them does after restoring the terrain.
    void RestoreDoodads(const std::vector<RemovedDoodad>& removed);
    // After a terrain edit of `rect`: the terrain grid is now the map's own (TILE is written
    // from it), and the displayed grid is rebuilt there.
    std::vector<RemovedDoodad> TerrainChanged(const TileRect& rect);
    // Whether the terrain grid counts as painted (TILE is then written from it); undoing the
    // first terrain edit sets it back.
    bool TerrainEdited() const { return m_terrainEdited; }
    void SetTerrainEdited(bool edited) { m_terrainEdited = edited; }
    // Likewise for the isometric store: once the isometric brush wrote it, ISOM is written
    // from it instead of as read.
    bool IsomEdited() const { return m_isomEdited; }
    void SetIsomEdited(bool edited) { m_isomEdited = edited; }
    // The tiles a doodad covers (empty without a tileset).
    TileRect FootprintRect(const DoodadRecord& d) const;
    void RebuildCreep();

    // Sections that settings pages change and that a map may lack: PUNI, UPGR, PTEC, UNIS,
    // UPGS, TECS, PUPx, PTEx, UNIx, UPGx, TECx, COLR, UPRP, UPUS. A section the map did not
    // have is not written (the game plays a map without it differently from one holding
    // zeros); CreateSection gives it the values of a new map, to be changed and written.
    bool HasSection(const char* name) const;
    void CreateSection(const char* name);
    // The sections created since the map was read (what undoing their creation restores).
    const std::set<std::string>& CreatedSections() const { return m_created; }
    void SetCreatedSections(std::set<std::string> created) { m_created = std::move(created); }

    // Gives the map a new size: cells that come into the map get the tile pair `fill` (its
    // left tile; the right one is 16 further), no fog, and empty isometric entries; the
    // whole-map location follows when it covered the whole map. Units, doodads and other
    // locations stay where they are, also outside the new size. Nothing else is rebuilt.
    void Resize(int width, int height, std::uint16_t fill);

    // The owner type OWNR gets for player 0..11: human and computer players 1 to 8 without a
    // start location are written as inactive; every other type is kept (players 9 to 12
    // never take a start in the game).
    static std::uint8_t WrittenOwner(int player, std::uint8_t ownerType, bool hasStartLocation);

    // A new scenario (see the new-map values): base terrain group, tileset, size.
    void NewMap(int terrainGroup, int tileset, int width, int height, CStarcraftTileset* tilesetSlot);

    // Links the tileset of the record's tileset number and notes which doodads fit their
    // terrain as loaded (those that do not are never removed for it).
    void LinkTileset(CStarcraftTileset* tileset);

    // 1 StarCraft (VER 59), 2 hybrid (63), 4 Brood War (205). The remastered versions are
    // written as their 1.16 counterparts (64 as 63, 206 as 205); other values by their
    // range (below 63: 59; 63 to 204: 63; above: 205; a missing VER: 205).
    int FormatKind() const;

    // The extension a new file name for this scenario gets: ".scx" when it needs Brood War
    // (format 205, or the hybrid format with an expansion tileset or expansion units),
    // else ".scm".
    std::string ProposedExtension() const;

    // The start-location check: per player, whether it has a start location; shows the
    // warnings through the prompter.
    // Which players have a start location; `tell`: show the problems found in one message.
    std::array<bool, 12> CheckStartLocations(bool tell) const;
    Result<std::vector<std::uint8_t>> WriteBytes(bool tell) const;

    // The highest string number the scenario refers to.
    std::size_t HighestStringReference() const;

private:
    void Clear();
    bool DoodadFits(const DoodadRecord& d) const;
    void StampDoodad(const DoodadRecord& d, const TileRect* clip);

    Prompter& m_prompter;
    const std::vector<std::uint8_t>* m_unitsDat;
    bool m_terrainEdited = false;
    bool m_isomEdited = false;
    std::uint32_t m_lastKey = 0;
    bool m_newMap = false;
    std::vector<std::uint8_t> m_tileBytes;
    std::vector<std::uint8_t> m_maskBytes;
    std::vector<std::uint8_t> m_isomBytes;
    std::set<std::string> m_present; // names of the sections the file held
    std::set<std::string> m_created; // sections made since, to be written
    bool Present(const char* name) const { return m_present.count(name) != 0; }
    // Whether the writer emits an optional section: the map had it, it was made since, or a
    // new map of this kind has it.
    bool Writes(const char* name, bool newMapHasIt) const;
    void FillNewSection(const std::string& name);
};

} // namespace orv
