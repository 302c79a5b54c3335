#include "scenario/CCHKFile.h"

#include "app/Debugunit.h"
#include "archive/MapArchiveReader.h"
#include "base/FileUtil.h"
#include "base/Random.h"
#include "graphics/CTileset.h"
#include "graphics/RuleTables.h"
#include "scenario/NewMapDefaults.h"
#include "scenario/ScenarioLimits.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <unordered_set>

namespace orv {
namespace {

constexpr const char* kSettingsSections[] = {"PUNI", "UPGR", "PTEC", "UNIS", "UPGS", "TECS", "PUPx",
                                             "PTEx", "UNIx", "UPGx", "TECx", "COLR", "UPRP", "UPUS"};

using Name = std::array<char, 4>;

Name MakeName(const char* text) {
    return {text[0], text[1], text[2], text[3]};
}

bool Is(const Name& name, const char* text) {
    return std::memcmp(name.data(), text, 4) == 0;
}

template <std::size_t N> bool CopyFixed(std::array<std::uint8_t, N>& into, Bytes data) {
    if (data.size() < N) {
        return false; // shorter than its layout: the game ignores it
    }
    std::copy_n(data.begin(), N, into.begin());
    return true;
}

// Overwrites the start of `buffer` with `data`, growing it when the copy is longer.
void Stack(std::vector<std::uint8_t>& buffer, Bytes data) {
    if (buffer.size() < data.size()) {
        buffer.resize(data.size(), 0);
    }
    std::copy(data.begin(), data.end(), buffer.begin());
}

class Writer {
public:
    void Section(const char* name, const std::vector<std::uint8_t>& data) { Section(MakeName(name), data); }
    void Section(const Name& name, const std::vector<std::uint8_t>& data) {
        out.insert(out.end(), name.begin(), name.end());
        Put32(static_cast<std::uint32_t>(data.size()));
        out.insert(out.end(), data.begin(), data.end());
    }
    template <std::size_t N> void Section(const char* name, const std::array<std::uint8_t, N>& data) {
        Section(name, std::vector<std::uint8_t>(data.begin(), data.end()));
    }
    void Put32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        }
    }
    std::vector<std::uint8_t> out;
};

void Put8(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
}
void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put8(out, v);
    Put8(out, v >> 8);
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

} // namespace

TCHK::TCHK(Prompter& prompter, const std::vector<std::uint8_t>* unitsDat)
    : m_prompter(prompter), m_unitsDat(unitsDat) {
    Clear();
}

void TCHK::Clear() {
    const std::size_t cells = static_cast<std::size_t>(kGridSide) * kGridSide;
    TerrainGrid.assign(cells, 0);
    TileMap.assign(cells, 0);
    FogGrid.assign(cells, 0);
    IsoMap.reset();
    Units.clear();
    Doodads.clear();
    Sprites.clear();
    Strings = {};
    Locations = {};
    Triggers.clear();
    Briefings.clear();
    KeptSections.clear();
    SectionsRead.clear();
    HasExpansionUpgradeCosts = HasExpansionTechCosts = false;
    HadTileSection = false;
    m_terrainEdited = false;
    m_isomEdited = false;
    m_newMap = false;
    m_present.clear();
    m_created.clear();
}

bool HoldsMapArchive(Bytes file) {
    // The game looks for the archive header at every 512-byte boundary and skips those whose
    // header size is below 32.
    for (std::size_t pos = 0; pos + 32 <= file.size(); pos += 512) {
        if (ReadLEOr<std::uint32_t>(file, pos, 0) == 0x1A51504D &&
            ReadLEOr<std::uint32_t>(file, pos + 4, 0) >= 32) {
            return true;
        }
    }
    return false;
}

Status TCHK::LoadFromFile(const std::string& path) {
    auto read = ReadWholeFile(path);
    if (!read) {
        return MakeError(read.error());
    }
    std::vector<std::uint8_t> bytes = std::move(read).value();
    LoadedFromArchive = HoldsMapArchive(bytes);
    if (LoadedFromArchive) {
        auto archive = MapArchiveReader::FromBytes(std::move(bytes));
        if (!archive) {
            return MakeError(path + ": " + archive.error());
        }
        auto scenario = archive.value().ReadFile("staredit\\scenario.chk");
        if (!scenario) {
            return MakeError(path + ": " + scenario.error());
        }
        DebugLog("Extracted staredit\\scenario.chk from MPQ archive " + path);
        bytes = std::move(scenario).value();
    }
    Status parsed = ReadSections(bytes);
    if (!parsed) {
        const bool neither = !LoadedFromArchive && parsed.error().starts_with("not a scenario file");
        return MakeError(path + ": " + (neither ? "not a map archive (no archive header found) and " : "") +
                         parsed.error());
    }
    return {};
}

Status TCHK::ReadSections(Bytes data) {
    Clear();
    DebugLogSession logSession; // one open of the log for the whole walk
    std::vector<std::uint8_t> mtxm, str, strx;
    std::optional<std::vector<std::uint8_t>> tile, mask, isom, dd2;
    std::optional<std::array<std::uint8_t, 12>> ownr;
    bool sawDim = false, sawStr = false, sawStrx = false;
    std::unordered_set<std::int64_t> visited;
    // Every step below costs at most the bytes of its section, so bounding the sections and
    // the bytes they cover in all bounds the walk: linear in the file however it jumps.
    const std::uint64_t sectionBudget = kMaxSectionBytesPerFileByte * data.size() + 65536;
    std::uint64_t sectionBytes = 0;
    auto refuse = [&](const std::string& reason) {
        Clear();
        return MakeError("the scenario " + reason + "; no real map comes near that, so it is not read");
    };

    std::int64_t pos = 0;
    const auto size = static_cast<std::int64_t>(data.size());
    while (pos + 8 <= size) {
        if (!visited.insert(pos).second) {
            break; // a jump back to a place already read would loop for ever
        }
        if (SectionsRead.size() >= kMaxScenarioSections) {
            return refuse("has more than " + std::to_string(kMaxScenarioSections) + " section headers");
        }
        Name name;
        std::memcpy(name.data(), data.data() + pos, 4);
        const auto declared =
            static_cast<std::int32_t>(ReadLEOr<std::uint32_t>(data, static_cast<std::uint64_t>(pos) + 4, 0));
        const std::int64_t start = pos + 8;
        SectionsRead.push_back({name, declared});
        if (declared < 0) {
            pos = start + declared; // a negative size moves the walk back
            if (pos < 0) {
                break;
            }
            continue;
        }
        const Bytes s = Clip(data, start, static_cast<std::uint64_t>(declared));
        sectionBytes += s.size();
        if (sectionBytes > sectionBudget) {
            return refuse("reuses its bytes in overlapping sections more than " +
                          std::to_string(kMaxSectionBytesPerFileByte) + " times over");
        }
        m_present.insert(std::string(name.data(), 4));
        if (SectionsRead.size() <= kLoggedSections) {
            DebugLog(std::string(name.data(), 4) + "  " + std::to_string(declared));
        }
        pos = start + declared;

        if (Is(name, "UNIT") && Units.size() + s.size() / 36 > kMaxScenarioUnits) {
            return refuse("places more than " + std::to_string(kMaxScenarioUnits) + " units");
        }
        if (Is(name, "THG2") && Sprites.size() + s.size() / 10 > kMaxScenarioSprites) {
            return refuse("places more than " + std::to_string(kMaxScenarioSprites) + " sprites");
        }
        if (Is(name, "TYPE")) {
            if (s.size() >= 4)
                std::copy_n(s.begin(), 4, TypeTag.begin());
        } else if (Is(name, "VER ")) {
            if (s.size() >= 2)
                Version = ReadLEOr<std::uint16_t>(s, 0, 0);
        } else if (Is(name, "IVER") || Is(name, "IVE2")) {
            if (s.size() >= 2)
                EditorVersion = ReadLEOr<std::uint16_t>(s, 0, 0);
        } else if (Is(name, "VCOD")) {
            CopyFixed(Vcod, s);
        } else if (Is(name, "IOWN")) {
            CopyFixed(OwnerTypes, s);
        } else if (Is(name, "OWNR")) {
            std::array<std::uint8_t, 12> owners{};
            if (CopyFixed(owners, s)) {
                ownr = owners;
            }
        } else if (Is(name, "ERA ")) {
            if (s.size() >= 2)
                Era = ReadLEOr<std::uint16_t>(s, 0, 0);
        } else if (Is(name, "DIM ")) {
            if (s.size() >= 4) {
                Width = ReadLEOr<std::uint16_t>(s, 0, 0);
                Height = ReadLEOr<std::uint16_t>(s, 2, 0);
                sawDim = true;
            }
        } else if (Is(name, "SIDE")) {
            CopyFixed(Races, s);
        } else if (Is(name, "MTXM")) {
            Stack(mtxm, s);
        } else if (Is(name, "PUNI")) {
            CopyFixed(Puni, s);
        } else if (Is(name, "UPGR")) {
            CopyFixed(Upgr, s);
        } else if (Is(name, "PTEC")) {
            CopyFixed(Ptec, s);
        } else if (Is(name, "UNIT")) {
            for (std::size_t at = 0; at + 36 <= s.size(); at += 36) {
                ByteReader in(s.subspan(at, 36));
                UnitRecord u;
                u.Serial = in.u32();
                u.X = in.u16();
                u.Y = in.u16();
                u.Type = in.u16();
                u.Link = in.u16();
                u.ValidState = in.u16();
                u.ValidProps = in.u16();
                u.Owner = in.u8();
                u.HitPoints = in.u8();
                u.Shields = in.u8();
                u.Energy = in.u8();
                u.Resources = in.u32();
                u.Hangar = in.u16();
                u.State = in.u16();
                const Bytes tail = in.bytes(8);
                std::copy(tail.begin(), tail.end(), u.Tail.begin());
                Units.push_back(u);
            }
        } else if (Is(name, "ISOM")) {
            isom.emplace(s.begin(), s.end());
        } else if (Is(name, "TILE")) {
            tile.emplace(s.begin(), s.end());
        } else if (Is(name, "DD2 ")) {
            dd2.emplace(s.begin(), s.end());
        } else if (Is(name, "THG2")) {
            for (std::size_t at = 0; at + 10 <= s.size(); at += 10) {
                SpriteRecord r;
                std::copy_n(s.begin() + static_cast<std::ptrdiff_t>(at), 10, r.Bytes.begin());
                Sprites.push_back(r);
            }
        } else if (Is(name, "MASK")) {
            mask.emplace(s.begin(), s.end());
        } else if (Is(name, "STR ")) {
            Stack(str, s);
            sawStr = true;
        } else if (Is(name, "STRx")) {
            Stack(strx, s);
            sawStrx = true;
        } else if (Is(name, "UPRP")) {
            CopyFixed(UnitPresets, s);
        } else if (Is(name, "UPUS")) {
            CopyFixed(UnitPresetsUsed, s);
        } else if (Is(name, "MRGN")) {
            Locations = {};
            for (std::size_t i = 0; i < kLocationSlots && (i + 1) * 20 <= s.size(); ++i) {
                ByteReader in(s.subspan(i * 20, 20));
                LocationSlot& l = Locations[i];
                l.Left = in.i32();
                l.Top = in.i32();
                l.Right = in.i32();
                l.Bottom = in.i32();
                l.Name = in.u16();
                l.Flags = in.u16();
                l.InUse = !l.Empty();
            }
        } else if (Is(name, "TRIG")) {
            Triggers.insert(Triggers.end(), s.begin(),
                            s.begin() + static_cast<std::ptrdiff_t>(s.size() / 2400 * 2400));
        } else if (Is(name, "MBRF")) {
            Briefings.insert(Briefings.end(), s.begin(),
                             s.begin() + static_cast<std::ptrdiff_t>(s.size() / 2400 * 2400));
        } else if (Is(name, "SPRP")) {
            if (s.size() >= 4) {
                ScenarioName = ReadLEOr<std::uint16_t>(s, 0, 0);
                ScenarioDescription = ReadLEOr<std::uint16_t>(s, 2, 0);
            }
        } else if (Is(name, "FORC")) {
            // Shorter copies are accepted; the missing bytes read as zero.
            std::array<std::uint8_t, 20> forc{};
            std::copy_n(s.begin(), std::min<std::size_t>(20, s.size()), forc.begin());
            std::copy_n(forc.begin(), 8, PlayerForces.begin());
            for (std::size_t i = 0; i < 4; ++i) {
                ForceNames[i] = static_cast<std::uint16_t>(forc[8 + 2 * i] | (forc[9 + 2 * i] << 8));
            }
            std::copy_n(forc.begin() + 16, 4, ForceFlags.begin());
        } else if (Is(name, "WAV ")) {
            if (s.size() >= 2048) {
                for (std::size_t i = 0; i < 512; ++i)
                    Wavs[i] = ReadLEOr<std::uint32_t>(s, 4 * i, 0);
            }
        } else if (Is(name, "SWNM")) {
            if (s.size() >= 1024) {
                for (std::size_t i = 0; i < 256; ++i)
                    SwitchNames[i] = ReadLEOr<std::uint32_t>(s, 4 * i, 0);
            }
        } else if (Is(name, "COLR")) {
            CopyFixed(Colours, s);
        } else if (Is(name, "UNIS")) {
            CopyFixed(Unis, s);
        } else if (Is(name, "UPGS")) {
            CopyFixed(Upgs, s);
        } else if (Is(name, "TECS")) {
            CopyFixed(Tecs, s);
        } else if (Is(name, "PUPx")) {
            CopyFixed(Pupx, s);
        } else if (Is(name, "PTEx")) {
            CopyFixed(Ptex, s);
        } else if (Is(name, "UNIx")) {
            CopyFixed(Unix, s);
        } else if (Is(name, "UPGx")) {
            HasExpansionUpgradeCosts = CopyFixed(Upgx, s) || HasExpansionUpgradeCosts;
        } else if (Is(name, "TECx")) {
            HasExpansionTechCosts = CopyFixed(Tecx, s) || HasExpansionTechCosts;
        } else {
            KeptSections.push_back({name, std::vector<std::uint8_t>(s.begin(), s.end())});
        }
    }
    if (SectionsRead.size() > kLoggedSections) {
        DebugLog("... and " + std::to_string(SectionsRead.size() - kLoggedSections) +
                 " more section headers");
    }
    if (dd2 && dd2->size() / 8 > kMaxScenarioDoodads) {
        return refuse("places more than " + std::to_string(kMaxScenarioDoodads) + " doodads");
    }

    // A settings section the map lacks shows a new map's values (what it starts from when it
    // is created); it is still not written unless it is.
    for (const char* section : kSettingsSections) {
        if (!Present(section)) {
            FillNewSection(section);
        }
    }

    // The game plays the slots as OWNR says; IOWN, where a map has it, is what the editor
    // keeps and OWNR is derived from it.
    if (!Present("IOWN") && ownr) {
        OwnerTypes = *ownr;
    }
    if (!sawDim || Width <= 0 || Height <= 0) {
        return MakeError("not a scenario file (it has no map size)");
    }
    if (Width > 256 || Height > 256) {
        return MakeError("the map size " + std::to_string(Width) + " x " + std::to_string(Height) +
                         " is larger than 256 x 256");
    }
    // The displayed grid is what the game shows: the stacked MTXM, null tiles where it ends.
    for (int r = 0; r < Height; ++r) {
        for (int c = 0; c < Width; ++c) {
            const std::size_t at = 2 * (static_cast<std::size_t>(r) * static_cast<std::size_t>(Width) +
                                        static_cast<std::size_t>(c));
            Displayed(c, r) = ReadLEOr<std::uint16_t>(mtxm, at, 0);
            Fog(c, r) = mask ? ReadLEOr<std::uint8_t>(*mask, at / 2, 0xFF) : 0xFF;
        }
    }
    // The terrain grid: TILE when it is whole, else what MTXM shows.
    HadTileSection = tile.has_value();
    const bool wholeTile =
        tile && tile->size() >= 2 * static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height);
    for (int r = 0; r < Height; ++r) {
        for (int c = 0; c < Width; ++c) {
            const std::size_t at = 2 * (static_cast<std::size_t>(r) * static_cast<std::size_t>(Width) +
                                        static_cast<std::size_t>(c));
            Terrain(c, r) = wholeTile ? ReadLEOr<std::uint16_t>(*tile, at, 0) : Displayed(c, r);
        }
    }
    m_tileBytes = tile.value_or(std::vector<std::uint8_t>{});
    m_maskBytes = mask.value_or(std::vector<std::uint8_t>{});
    if (isom) {
        IsoMap = std::make_unique<CIsoMap>(Width, Height);
        std::size_t at = 0;
        for (int r = 0; r < IsoMap->Rows(); ++r) {
            for (int c = 0; c < IsoMap->Columns(); ++c, at += 8) {
                CIsoMap::Entry e{};
                const Bytes part = Clip(*isom, static_cast<std::int64_t>(at), 8);
                std::copy(part.begin(), part.end(), e.begin());
                IsoMap->SetIsom(c, r, e);
            }
        }
        m_isomBytes = std::move(*isom);
    }
    if (sawStr) {
        Strings = StringTable::Read(str);
    } else if (sawStrx) {
        Strings = StringTable::Read(strx, true);
    }
    // A table that declared more entries than its section holds (65535 in protected maps)
    // keeps the standard 1024 and every entry something refers to; the rest is noise read
    // from the string data, which would only bloat the table when it is written.
    if (Strings.CountOverrun && Strings.Entries.size() > StringTable::kStandardCount) {
        const std::size_t keep = std::max<std::size_t>(StringTable::kStandardCount, HighestStringReference());
        if (Strings.Entries.size() > keep) {
            Strings.Entries.resize(keep);
        }
    }
    if (sawStr) {
        Strings.KeepOriginal(std::move(str));
    }
    // A sound entry is kept while it names a string of the table.
    for (auto& wav : Wavs) {
        if (wav > Strings.Entries.size()) {
            wav = 0;
        }
    }
    if (dd2) {
        for (std::size_t at = 0; at + 8 <= dd2->size(); at += 8) {
            DoodadRecord d;
            d.Number = ReadLEOr<std::uint16_t>(*dd2, at, 0);
            d.X = ReadLEOr<std::uint16_t>(*dd2, at + 2, 0);
            d.Y = ReadLEOr<std::uint16_t>(*dd2, at + 4, 0);
            d.Owner = (*dd2)[at + 6];
            d.Enabled = (*dd2)[at + 7];
            Doodads.push_back(d);
        }
    }
    // A sprite record belongs to the doodad that sits at its position (the first record
    // there not yet taken, in file order).
    std::map<std::uint32_t, std::vector<int>> spritesAt;
    for (std::size_t i = Sprites.size(); i-- > 0;) {
        spritesAt[(std::uint32_t{Sprites[i].X()} << 16) | Sprites[i].Y()].push_back(static_cast<int>(i));
    }
    for (DoodadRecord& d : Doodads) {
        auto at = spritesAt.find((std::uint32_t{d.X} << 16) | d.Y);
        if (at != spritesAt.end() && !at->second.empty()) {
            d.Sprite = at->second.back();
            at->second.pop_back();
        }
    }
    AssignKeys();
    CreepMap.SetSize(Width, Height);
    return {};
}

std::size_t TCHK::HighestStringReference() const {
    std::size_t highest = std::max<std::size_t>(ScenarioName, ScenarioDescription);
    for (std::uint16_t n : ForceNames)
        highest = std::max<std::size_t>(highest, n);
    for (const LocationSlot& l : Locations)
        highest = std::max<std::size_t>(highest, l.Name);
    for (std::uint32_t n : Wavs)
        highest = std::max<std::size_t>(highest, n);
    for (std::uint32_t n : SwitchNames)
        highest = std::max<std::size_t>(highest, n);
    for (std::size_t u = 0; u < 228; ++u) {
        highest = std::max<std::size_t>(highest, ReadLEOr<std::uint16_t>(Unis, 3192 + 2 * u, 0));
        highest = std::max<std::size_t>(highest, ReadLEOr<std::uint16_t>(Unix, 3192 + 2 * u, 0));
    }
    // Trigger and briefing actions name their text and sound strings.
    for (const std::vector<std::uint8_t>* records : {&Triggers, &Briefings}) {
        for (std::size_t t = 0; t + 2400 <= records->size(); t += 2400) {
            for (std::size_t a = 0; a < 64; ++a) {
                const std::size_t action = t + 320 + 32 * a;
                for (std::size_t field : {std::size_t{4}, std::size_t{8}}) {
                    const std::uint32_t n = ReadLEOr<std::uint32_t>(*records, action + field, 0);
                    if (n < 0x10000) {
                        highest = std::max<std::size_t>(highest, n);
                    }
                }
            }
        }
    }
    return highest;
}

void TCHK::LinkTileset(CStarcraftTileset* tileset) {
    TilesetLink = tileset;
    for (DoodadRecord& d : Doodads) {
        d.MatchedOnLoad = DoodadFits(d);
    }
}

namespace {

// "Player 3" or "Players 1, 2 and 4".
std::string PlayerList(const std::vector<int>& players) {
    std::string text = players.size() == 1 ? "Player " : "Players ";
    for (std::size_t i = 0; i < players.size(); ++i) {
        if (i > 0) {
            text += i + 1 == players.size() ? " and " : ", ";
        }
        text += std::to_string(players[i]);
    }
    return text;
}

} // namespace

std::uint8_t TCHK::WrittenOwner(int player, std::uint8_t ownerType, bool hasStartLocation) {
    const bool playsFromStart = ownerType == 1 || ownerType == 2 || ownerType == 5 || ownerType == 6;
    return player < 8 && playsFromStart && !hasStartLocation ? 0 : ownerType;
}

std::array<bool, 12> TCHK::CheckStartLocations(bool tell) const {
    std::array<bool, 12> hasStart{};
    std::array<bool, 12> ownsUnit{};
    std::array<bool, 12> several{};
    for (const UnitRecord& u : Units) {
        if (u.Owner >= 12) {
            continue;
        }
        ownsUnit[u.Owner] = true;
        if (u.Type == kStartLocationType) {
            several[u.Owner] = several[u.Owner] || hasStart[u.Owner];
            hasStart[u.Owner] = true;
        }
    }
    // One message for the whole check, naming every player concerned.
    std::vector<int> duplicates, missing;
    for (int p = 0; p < 12; ++p) {
        const auto i = static_cast<std::size_t>(p);
        if (several[i]) {
            duplicates.push_back(p + 1);
        }
        if (!hasStart[i] && ownsUnit[i] && WrittenOwner(p, OwnerTypes[i], false) != OwnerTypes[i]) {
            missing.push_back(p + 1);
        }
    }
    std::string message;
    if (!duplicates.empty()) {
        message = PlayerList(duplicates) + (duplicates.size() == 1 ? " already has" : " already have") +
                  " atleast one start location, please reduce to one or SC may have errors";
    }
    if (!missing.empty()) {
        message += (message.empty() ? "" : "\n") + PlayerList(missing) +
                   (missing.size() == 1 ? " is missing a startlocation" : " are missing a startlocation");
    }
    if (!message.empty() && tell) {
        m_prompter.ShowMessage(message);
    }
    return hasStart;
}

Status TCHK::WriteToFile() {
    auto bytes = WriteToBytes();
    if (!bytes) {
        return MakeError(bytes.error());
    }
    return WriteWholeFile(FileName, bytes.value());
}

std::string TCHK::ProposedExtension() const {
    const int kind = FormatKind();
    if (kind == 4) {
        return ".scx";
    }
    if (kind == 2) {
        // Desert, Ice and Twilight came with the expansion, as did these units (medic,
        // valkyrie, cocoon, corsair, dark templar, devourer, dark archon, lurker egg, the
        // expansion's heroes, lurker, disruption web, the two crystals).
        constexpr int kExpansionUnits[] = {34, 58,  59,  60,  61,  62,  63,  97, 98,
                                           99, 100, 102, 103, 104, 105, 128, 129};
        const bool expansionUnit = std::any_of(Units.begin(), Units.end(), [&](const UnitRecord& u) {
            return std::find(std::begin(kExpansionUnits), std::end(kExpansionUnits), u.Type) !=
                   std::end(kExpansionUnits);
        });
        if (Tileset() >= 5 || expansionUnit) {
            return ".scx";
        }
    }
    return ".scm";
}

int TCHK::FormatKind() const {
    if (Version == 59 || (Version < 63 && Version != 0)) {
        return 1;
    }
    if (Version == 63 || Version == 64) {
        return 2;
    }
    if (Version == 0) {
        return 4;
    }
    return Version < 205 ? 2 : 4;
}

Result<std::vector<std::uint8_t>> TCHK::Snapshot() const {
    return WriteBytes(false);
}

Result<std::vector<std::uint8_t>> TCHK::WriteToBytes() const {
    return WriteBytes(true);
}

Result<std::vector<std::uint8_t>> TCHK::WriteBytes(bool tell) const {
    // The strings first: a table that no longer fits fails the write before anything else.
    auto strings = Strings.Write();
    if (!strings) {
        return MakeError(strings.error());
    }
    const std::array<bool, 12> hasStart = CheckStartLocations(tell);

    const int kind = FormatKind();
    std::array<std::uint8_t, 4> typeTag{'R', 'A', 'W', 'B'};
    std::uint16_t version = 205, editorVersion = 11;
    if (kind == 1) {
        typeTag = {0, 0, 0, 0};
        version = 59;
        editorVersion = 10;
    } else if (kind == 2) {
        typeTag = {'R', 'A', 'W', 'S'};
        version = 63;
    }
    const auto w = static_cast<std::size_t>(Width), h = static_cast<std::size_t>(Height);
    Writer out;
    std::vector<std::uint8_t> v;
    if (kind != 1) {
        out.Section("TYPE", typeTag);
    }
    Put16(v, version);
    out.Section("VER ", v);
    v.clear();
    Put16(v, editorVersion);
    out.Section(kind == 1 ? "IVER" : "IVE2", v);
    out.Section("VCOD", Vcod);
    out.Section("IOWN", OwnerTypes);
    v.clear();
    for (std::size_t i = 0; i < 12; ++i) {
        Put8(v, WrittenOwner(static_cast<int>(i), OwnerTypes[i], hasStart[i]));
    }
    out.Section("OWNR", v);
    v.clear();
    Put16(v, Era);
    out.Section("ERA ", v);
    v.clear();
    Put16(v, static_cast<std::uint32_t>(Width));
    Put16(v, static_cast<std::uint32_t>(Height));
    out.Section("DIM ", v);
    out.Section("SIDE", Races);
    v.clear();
    for (std::size_t r = 0; r < h; ++r) {
        for (std::size_t c = 0; c < w; ++c) {
            Put16(v, TileMap[c * kGridSide + r]);
        }
    }
    out.Section("MTXM", v);
    // Settings sections: those the map had (a VER 59 map may carry the Brood War ones
    // too), those made since, and on a new map those of its kind.
    if (Writes("PUNI", true)) {
        out.Section("PUNI", Puni);
    }
    if (Writes("UPGR", kind != 4)) {
        out.Section("UPGR", Upgr);
    }
    if (Writes("PTEC", kind != 4)) {
        out.Section("PTEC", Ptec);
    }
    v.clear();
    for (const UnitRecord& u : Units) {
        Put32(v, u.Serial);
        Put16(v, static_cast<std::uint32_t>(u.X));
        Put16(v, static_cast<std::uint32_t>(u.Y));
        Put16(v, static_cast<std::uint32_t>(u.Type));
        Put16(v, static_cast<std::uint32_t>(u.Link));
        Put16(v, static_cast<std::uint32_t>(u.ValidState));
        Put16(v, static_cast<std::uint32_t>(u.ValidProps));
        Put8(v, u.Owner);
        Put8(v, u.HitPoints);
        Put8(v, u.Shields);
        Put8(v, u.Energy);
        Put32(v, u.Resources);
        Put16(v, static_cast<std::uint32_t>(u.Hangar));
        Put16(v, static_cast<std::uint32_t>(u.State));
        v.insert(v.end(), u.Tail.begin(), u.Tail.end());
    }
    out.Section("UNIT", v);
    // ISOM: as read when the map had it, the size still fits and no brush wrote the store;
    // else from the store, or zero entries for a map that has none.
    const std::size_t isomSize = 8 * (h + 1) * (w / 2 + 1);
    if (IsoMap && m_isomBytes.size() == isomSize && !m_isomEdited) {
        out.Section("ISOM", m_isomBytes);
    } else {
        v.assign(isomSize, 0);
        if (IsoMap) {
            std::size_t at = 0;
            for (int r = 0; r <= Height; ++r) {
                for (int c = 0; c <= Width / 2; ++c, at += 8) {
                    const CIsoMap::Entry e = IsoMap->GetIsom(c, r);
                    std::copy(e.begin(), e.end(), v.begin() + static_cast<std::ptrdiff_t>(at));
                }
            }
        }
        out.Section("ISOM", v);
    }
    // TILE: as read unless the terrain was painted; none when the map had none.
    if (m_terrainEdited || !HadTileSection) {
        if (m_terrainEdited || m_newMap) {
            v.clear();
            for (std::size_t r = 0; r < h; ++r) {
                for (std::size_t c = 0; c < w; ++c) {
                    Put16(v, TerrainGrid[c * kGridSide + r]);
                }
            }
            out.Section("TILE", v);
        }
    } else {
        out.Section("TILE", m_tileBytes);
    }
    v.clear();
    for (const DoodadRecord& d : Doodads) {
        Put16(v, d.Number);
        Put16(v, d.X);
        Put16(v, d.Y);
        Put8(v, d.Owner);
        Put8(v, d.Enabled);
    }
    out.Section("DD2 ", v);
    // THG2: every record as read (a doodad's own record goes with its doodad), then one for
    // each doodad placed in this editor whose group has an overlay sprite.
    v.clear();
    for (const SpriteRecord& s : GameSprites()) {
        v.insert(v.end(), s.Bytes.begin(), s.Bytes.end());
    }
    out.Section("THG2", v);
    // MASK: as read when it was whole and the fog was not painted. A map without one is
    // fogged everywhere for the game, so it gets one only when that changed.
    v.clear();
    bool fogged = true;
    for (std::size_t r = 0; r < h; ++r) {
        for (std::size_t c = 0; c < w; ++c) {
            Put8(v, FogGrid[c * kGridSide + r]);
            fogged = fogged && FogGrid[c * kGridSide + r] == 0xFF;
        }
    }
    if (Present("MASK") || m_newMap || !fogged) {
        out.Section("MASK",
                    m_maskBytes.size() > v.size() && std::equal(v.begin(), v.end(), m_maskBytes.begin())
                        ? m_maskBytes
                        : v);
    }
    out.Section("STR ", strings.value());
    if (Writes("UPRP", true)) {
        out.Section("UPRP", UnitPresets);
    }
    if (Writes("UPUS", true)) {
        out.Section("UPUS", UnitPresetsUsed);
    }
    v.clear();
    const std::size_t slots = kind == 1 ? 64 : 255;
    for (std::size_t i = 0; i < slots; ++i) {
        const LocationSlot& l = Locations[i];
        Put32(v, static_cast<std::uint32_t>(l.Left));
        Put32(v, static_cast<std::uint32_t>(l.Top));
        Put32(v, static_cast<std::uint32_t>(l.Right));
        Put32(v, static_cast<std::uint32_t>(l.Bottom));
        Put16(v, l.Name);
        Put16(v, l.Flags);
    }
    const bool anyLocation =
        std::any_of(Locations.begin(), Locations.end(), [](const LocationSlot& l) { return !l.Empty(); });
    if (Present("MRGN") || m_newMap || anyLocation) {
        out.Section("MRGN", v);
    }
    if (Present("TRIG") || m_newMap || !Triggers.empty()) {
        out.Section("TRIG", Triggers);
    }
    if (Present("MBRF") || m_newMap || !Briefings.empty()) {
        out.Section("MBRF", Briefings);
    }
    v.clear();
    Put16(v, ScenarioName);
    Put16(v, ScenarioDescription);
    out.Section("SPRP", v);
    v.assign(PlayerForces.begin(), PlayerForces.end());
    for (std::uint16_t n : ForceNames) {
        Put16(v, n);
    }
    v.insert(v.end(), ForceFlags.begin(), ForceFlags.end());
    out.Section("FORC", v);
    v.clear();
    for (std::uint32_t n : Wavs) {
        Put32(v, n);
    }
    out.Section("WAV ", v);
    if (Writes("UNIS", kind != 4)) {
        out.Section("UNIS", Unis);
    }
    if (Writes("UPGS", kind != 4)) {
        out.Section("UPGS", Upgs);
    }
    if (Writes("TECS", kind != 4)) {
        out.Section("TECS", Tecs);
    }
    v.clear();
    for (std::uint32_t n : SwitchNames) {
        Put32(v, n);
    }
    out.Section("SWNM", v);
    if (Writes("COLR", kind == 4)) {
        out.Section("COLR", Colours);
    }
    if (Writes("PUPx", kind != 1)) {
        out.Section("PUPx", Pupx);
    }
    if (Writes("PTEx", kind != 1)) {
        out.Section("PTEx", Ptex);
    }
    if (Writes("UNIx", kind != 1)) {
        out.Section("UNIx", Unix);
    }
    if (Writes("UPGx", kind != 1)) {
        out.Section("UPGx", Upgx); // the unused byte after the first array as read (0 in new maps)
    }
    if (Writes("TECx", kind != 1)) {
        out.Section("TECx", Tecx);
    }
    for (const KeptSection& kept : KeptSections) {
        out.Section(kept.Name, kept.Data);
    }
    return std::move(out.out);
}

int TCHK::AddUnit(int x, int y, int owner, int type) {
    if (Units.size() >= static_cast<std::size_t>(kMaxUnits)) {
        return -1;
    }
    UnitRecord u;
    u.X = x;
    u.Y = y;
    u.Type = type;
    u.Owner = static_cast<std::uint8_t>(owner);
    const UnitsTable units(m_unitsDat ? Bytes(*m_unitsDat) : Bytes());
    const std::uint32_t flags = units.Flags(type);
    int state = 8;
    if (flags & 0x20)
        state += 4;
    if (flags & 0x200)
        state += 1;
    if (flags & 0x100000)
        state += 2;
    if (flags & 0x20014000)
        state += 8;
    u.ValidState = state;
    int props = 35;
    if (flags & UnitsTable::kSpellcaster)
        props += 8;
    if (flags & UnitsTable::kResourceContainer)
        props += 16;
    if (units.HasShields(type))
        props += 4;
    u.ValidProps = props;
    u.Key = ++m_lastKey;
    Units.push_back(u);
    return static_cast<int>(Units.size() - 1);
}

void TCHK::AssignKeys() {
    for (UnitRecord& u : Units) {
        if (u.Key == 0) {
            u.Key = ++m_lastKey;
        }
    }
    for (DoodadRecord& d : Doodads) {
        if (d.Key == 0) {
            d.Key = ++m_lastKey;
        }
    }
}

int TCHK::UnitIndex(std::uint32_t key) const {
    const auto found =
        std::find_if(Units.begin(), Units.end(), [key](const UnitRecord& u) { return u.Key == key; });
    return key != 0 && found != Units.end() ? static_cast<int>(found - Units.begin()) : -1;
}

int TCHK::DoodadIndex(std::uint32_t key) const {
    const auto found =
        std::find_if(Doodads.begin(), Doodads.end(), [key](const DoodadRecord& d) { return d.Key == key; });
    return key != 0 && found != Doodads.end() ? static_cast<int>(found - Doodads.begin()) : -1;
}

void TCHK::DeleteUnit(int index) {
    if (index >= 0 && static_cast<std::size_t>(index) < Units.size()) {
        Units.erase(Units.begin() + index);
    }
}

std::vector<SpriteRecord> TCHK::GameSprites() const {
    std::vector<SpriteRecord> sprites;
    sprites.reserve(Sprites.size());
    for (const SpriteRecord& s : Sprites) {
        if (!s.Removed) {
            sprites.push_back(s);
        }
    }
    for (const DoodadRecord& d : Doodads) {
        if (!d.PlacedHere || d.Sprite >= 0 || !TilesetLink || d.Number >= kDoodadCount) {
            continue;
        }
        const DoodadInfoRecord& info = TilesetLink->DoodadInfo(d.Number);
        const std::uint16_t overlay = info.FirstGroup ? TilesetLink->Header(info.FirstGroup).OverlayId() : 0;
        if (overlay != 0) {
            std::vector<std::uint8_t> v;
            Put16(v, overlay);
            Put16(v, d.X);
            Put16(v, d.Y);
            Put8(v, d.Owner);
            Put8(v, d.Enabled);
            Put16(v, SpriteRecord::kSpriteNumber);
            SpriteRecord record;
            std::copy(v.begin(), v.end(), record.Bytes.begin());
            sprites.push_back(record);
        }
    }
    return sprites;
}

std::uint32_t TCHK::AddDoodad(int x, int y, int number) {
    DoodadRecord d;
    d.Number = static_cast<std::uint16_t>(number);
    d.X = static_cast<std::uint16_t>(x);
    d.Y = static_cast<std::uint16_t>(y);
    d.PlacedHere = true;
    d.Key = ++m_lastKey;
    Doodads.push_back(d);
    RebuildTileMap(FootprintRect(d));
    return d.Key;
}

TileRect TCHK::FootprintRect(const DoodadRecord& d) const {
    if (!TilesetLink || d.Number >= kDoodadCount) {
        return {};
    }
    const DoodadInfoRecord& info = TilesetLink->DoodadInfo(d.Number);
    const int left = d.X / 32 - info.Width / 2, top = d.Y / 32 - info.Height / 2;
    return {left, top, left + info.Width, top + info.Height};
}

std::vector<TCHK::RemovedDoodad> TCHK::TerrainChanged(const TileRect& rect) {
    m_terrainEdited = true;
    return RebuildTileMap(rect);
}

void TCHK::DeleteDoodad(int index, bool rebuild) {
    if (index < 0 || static_cast<std::size_t>(index) >= Doodads.size()) {
        return;
    }
    if (Doodads[static_cast<std::size_t>(index)].Sprite >= 0) {
        Sprites[static_cast<std::size_t>(Doodads[static_cast<std::size_t>(index)].Sprite)].Removed = true;
    }
    const TileRect footprint = FootprintRect(Doodads[static_cast<std::size_t>(index)]);
    Doodads.erase(Doodads.begin() + index);
    if (rebuild) {
        RebuildTileMap(footprint);
    }
}

int TCHK::FreeLocationSlot(int count) const {
    int slot = -1;
    for (int i = std::min(count, kLocationSlots) - 1; i >= 1; --i) {
        if (i != kAnywhereSlot && Locations[static_cast<std::size_t>(i)].Empty()) {
            slot = i;
        }
    }
    return slot;
}

std::string TCHK::DefaultLocationName(int slot, int left, int top, int right, int bottom) {
    return "location" + std::to_string(slot) + " " + std::to_string(left) + " " + std::to_string(right) +
           " " + std::to_string(top) + " " + std::to_string(bottom);
}

int TCHK::AddLocation(int left, int top, int right, int bottom, int count, int scale,
                      const std::string& name) {
    const int slot = FreeLocationSlot(count);
    if (slot < 0) {
        return -1;
    }
    LocationSlot& l = Locations[static_cast<std::size_t>(slot)];
    auto scaled = [scale](int value) {
        return static_cast<std::int32_t>(
            std::clamp<std::int64_t>(std::int64_t{value} * scale, INT32_MIN, INT32_MAX));
    };
    l.Left = scaled(left);
    l.Top = scaled(top);
    l.Right = scaled(right);
    l.Bottom = scaled(bottom);
    l.Flags = 0;
    l.InUse = true;
    // An empty name is no string: an empty entry is a free one.
    const int index = name.empty() ? -1 : AddString(name);
    l.Name = static_cast<std::uint16_t>(index + 1);
    return slot;
}

void TCHK::DeleteLocation(int slot) {
    if (slot >= 0 && slot < kLocationSlots) {
        // The name string stays in the table; the slot is free again.
        Locations[static_cast<std::size_t>(slot)] = LocationSlot{};
    }
}

bool TCHK::DoodadFits(const DoodadRecord& d) const {
    if (!TilesetLink || d.Number >= kDoodadCount) {
        return true;
    }
    const DoodadInfoRecord& info = TilesetLink->DoodadInfo(d.Number);
    const int cx = d.X / 32, cy = d.Y / 32;
    for (int r = 0; r < info.Height; ++r) {
        for (int c = 0; c < info.Width; ++c) {
            const std::uint16_t required = TilesetLink->DoodadPlacement(d.Number, c, r);
            const int column = cx + c - info.Width / 2, row = cy + r - info.Height / 2;
            if (required == 0 || column < 0 || row < 0 || column >= kGridSide || row >= kGridSide) {
                continue;
            }
            if (TerrainGrid[Cell(column, row)] / 16 != required) {
                return false;
            }
        }
    }
    return true;
}

void TCHK::StampDoodad(const DoodadRecord& d, const TileRect* clip) {
    if (!TilesetLink || d.Number >= kDoodadCount) {
        return;
    }
    const DoodadInfoRecord& info = TilesetLink->DoodadInfo(d.Number);
    if (info.Width == 0 || info.Height == 0) {
        return;
    }
    const int cx = d.X / 32, cy = d.Y / 32;
    for (int r = 0; r < info.Height; ++r) {
        for (int c = 0; c < info.Width; ++c) {
            const int column = cx + c - info.Width / 2, row = cy + r - info.Height / 2;
            if (column < 0 || row < 0 || column > 255 || row > 255) {
                continue;
            }
            if (clip &&
                (column < clip->Left || column >= clip->Right || row < clip->Top || row >= clip->Bottom)) {
                continue;
            }
            const int value = (info.FirstGroup + r) * 16 + c;
            if (TilesetLink->TileHasGraphics(value)) {
                TileMap[Cell(column, row)] = static_cast<std::uint16_t>(value);
            }
        }
    }
}

std::vector<TCHK::RemovedDoodad> TCHK::RebuildTileMap() {
    return RebuildTileMap(TileRect{0, 0, 256, 256});
}

void TCHK::RestoreDoodads(const std::vector<RemovedDoodad>& removed) {
    TileRect redraw{256, 256, 0, 0};
    for (auto it = removed.rbegin(); it != removed.rend(); ++it) {
        const auto at =
            static_cast<std::size_t>(std::clamp<int>(it->Index, 0, static_cast<int>(Doodads.size())));
        Doodads.insert(Doodads.begin() + static_cast<std::ptrdiff_t>(at), it->Record);
        if (it->Record.Sprite >= 0 && static_cast<std::size_t>(it->Record.Sprite) < Sprites.size()) {
            Sprites[static_cast<std::size_t>(it->Record.Sprite)].Removed = false;
        }
        const TileRect f = FootprintRect(it->Record);
        redraw = {std::min(redraw.Left, f.Left), std::min(redraw.Top, f.Top), std::max(redraw.Right, f.Right),
                  std::max(redraw.Bottom, f.Bottom)};
    }
    if (redraw.Left < redraw.Right) {
        RebuildTileMap(redraw);
    }
}

std::vector<TCHK::RemovedDoodad> TCHK::RebuildTileMap(const TileRect& area) {
    std::vector<RemovedDoodad> removed;
    const TileRect rect{std::max(0, area.Left), std::max(0, area.Top), std::min(256, area.Right),
                        std::min(256, area.Bottom)};
    for (int c = rect.Left; c < rect.Right; ++c) {
        for (int r = rect.Top; r < rect.Bottom; ++r) {
            TileMap[Cell(c, r)] = TerrainGrid[Cell(c, r)];
        }
    }
    // Doodads whose footprint overlaps the area: drop those the edit made unfit (only those
    // that fitted when the map was opened), then lay the rest over the area, first to last.
    auto overlaps = [&](const DoodadRecord& d) {
        if (!TilesetLink || d.Number >= kDoodadCount) {
            return false;
        }
        const DoodadInfoRecord& info = TilesetLink->DoodadInfo(d.Number);
        const int left = d.X / 32 - info.Width / 2, top = d.Y / 32 - info.Height / 2;
        return left < rect.Right && left + info.Width > rect.Left && top < rect.Bottom &&
               top + info.Height > rect.Top;
    };
    // A removed doodad's whole footprint shows the terrain again, also outside the area.
    TileRect redraw = rect;
    for (int i = static_cast<int>(Doodads.size()) - 1; i >= 0; --i) {
        const DoodadRecord& d = Doodads[static_cast<std::size_t>(i)];
        if (d.MatchedOnLoad && overlaps(d) && !DoodadFits(d)) {
            const TileRect footprint = FootprintRect(d);
            redraw = {std::max(0, std::min(redraw.Left, footprint.Left)),
                      std::max(0, std::min(redraw.Top, footprint.Top)),
                      std::min(256, std::max(redraw.Right, footprint.Right)),
                      std::min(256, std::max(redraw.Bottom, footprint.Bottom))};
            removed.push_back({i, d});
            DeleteDoodad(i, false);
        }
    }
    for (int c = redraw.Left; c < redraw.Right; ++c) {
        for (int r = redraw.Top; r < redraw.Bottom; ++r) {
            if (c < rect.Left || c >= rect.Right || r < rect.Top || r >= rect.Bottom) {
                TileMap[Cell(c, r)] = TerrainGrid[Cell(c, r)];
            }
        }
    }
    for (const DoodadRecord& d : Doodads) {
        const TileRect f = FootprintRect(d);
        if (f.Left < redraw.Right && f.Right > redraw.Left && f.Top < redraw.Bottom &&
            f.Bottom > redraw.Top) {
            StampDoodad(d, &redraw);
        }
    }
    RebuildCreep();
    return removed;
}

void TCHK::RebuildCreep() {
    CreepMap.SetSize(Width, Height);
    if (!TilesetLink) {
        CreepMap.ClearCreep();
        return;
    }
    std::vector<std::pair<int, int>> producers;
    for (const UnitRecord& u : Units) {
        if (u.Type == 131 || u.Type == 132 || u.Type == 133 || u.Type == 146 || u.Type == 144 ||
            u.Type == 143) {
            producers.push_back({u.X / 32, u.Y / 32});
        }
    }
    CreepMap.Rebuild(
        producers, [&](int c, int r) { return TilesetLink->Header(TileMap[Cell(c, r)] / 16).Flags & 0xFF; });
}

bool TCHK::Writes(const char* name, bool newMapHasIt) const {
    return Present(name) || m_created.count(name) != 0 || (m_newMap && newMapHasIt);
}

bool TCHK::HasSection(const char* name) const {
    return Present(name) || m_created.count(name) != 0 || m_newMap;
}

void TCHK::CreateSection(const char* name) {
    if (HasSection(name)) {
        return;
    }
    FillNewSection(name);
    m_created.insert(name);
}

void TCHK::Resize(int width, int height, std::uint16_t fill) {
    width = std::clamp(width, 1, 256);
    height = std::clamp(height, 1, 256);
    const int oldWidth = Width, oldHeight = Height;
    for (int c = 0; c < width; ++c) {
        for (int r = 0; r < height; ++r) {
            if (c < oldWidth && r < oldHeight) {
                continue;
            }
            Terrain(c, r) = static_cast<std::uint16_t>(c % 2 == 0 ? fill : fill + 16);
            Displayed(c, r) = Terrain(c, r);
            Fog(c, r) = 0xFF;
        }
    }
    if (IsoMap) {
        auto resized = std::make_unique<CIsoMap>(width, height);
        for (int c = 0; c < std::min(IsoMap->Columns(), resized->Columns()); ++c) {
            for (int r = 0; r < std::min(IsoMap->Rows(), resized->Rows()); ++r) {
                resized->SetIsom(c, r, IsoMap->GetIsom(c, r));
            }
        }
        IsoMap = std::move(resized);
        m_isomEdited = true;
    }
    LocationSlot& anywhere = Locations[kAnywhereSlot];
    if (anywhere.Left == 0 && anywhere.Top == 0 && anywhere.Right == oldWidth * 32 &&
        anywhere.Bottom == oldHeight * 32) {
        anywhere.Right = width * 32;
        anywhere.Bottom = height * 32;
    }
    Width = width;
    Height = height;
    m_terrainEdited = true; // TILE and MASK are written at the new size
    CreepMap.SetSize(Width, Height);
}

void TCHK::FillNewSection(const std::string& name) {
    if (name == "UNIS") {
        Unis = {};
        std::fill_n(Unis.begin(), 228, 1);
    } else if (name == "UNIx") {
        Unix = {};
        std::fill_n(Unix.begin(), 228, 1);
    } else if (name == "UPGS") {
        Upgs = {};
        std::fill_n(Upgs.begin(), 46, 1);
    } else if (name == "UPGx") {
        Upgx = {};
        std::fill_n(Upgx.begin(), 61, 1);
    } else if (name == "TECS") {
        Tecs = {};
        std::fill_n(Tecs.begin(), 24, 1);
    } else if (name == "TECx") {
        Tecx = {};
        std::fill_n(Tecx.begin(), 44, 1);
    } else if (name == "PUNI") {
        Puni.fill(1); // every unit available for every player and globally; players use the global setting
    } else if (name == "UPGR") {
        Upgr = {};
        std::copy(kUpgradeMaxima.begin(), kUpgradeMaxima.end(), Upgr.begin() + 12 * 46 * 2);
        std::fill(Upgr.begin() + 12 * 46 * 2 + 2 * 46, Upgr.end(), 1);
    } else if (name == "PUPx") {
        Pupx = {};
        std::copy(kExpansionUpgradeMaxima.begin(), kExpansionUpgradeMaxima.end(), Pupx.begin() + 12 * 61 * 2);
        std::fill(Pupx.begin() + 12 * 61 * 2 + 2 * 61, Pupx.end(), 1);
    } else if (name == "PTEC") {
        Ptec = {};
        std::fill_n(Ptec.begin() + 12 * 24 * 2, 24, 1);
        for (int t : kResearchedTechs) {
            Ptec[static_cast<std::size_t>(12 * 24 * 2 + 24 + t)] = 1;
        }
        std::fill(Ptec.begin() + 12 * 24 * 2 + 2 * 24, Ptec.end(), 1);
    } else if (name == "PTEx") {
        Ptex = {};
        std::fill_n(Ptex.begin() + 12 * 44 * 2, 44, 1);
        for (int t : kExpansionResearchedTechs) {
            Ptex[static_cast<std::size_t>(12 * 44 * 2 + 44 + t)] = 1;
        }
        std::fill(Ptex.begin() + 12 * 44 * 2 + 2 * 44, Ptex.end(), 1);
    } else if (name == "COLR") {
        for (std::size_t p = 0; p < 8; ++p) {
            Colours[p] = static_cast<std::uint8_t>(p);
        }
    } else if (name == "UPRP") {
        UnitPresets = {};
    } else if (name == "UPUS") {
        UnitPresetsUsed = {};
    }
}

void TCHK::NewMap(int terrainGroup, int tileset, int width, int height, CStarcraftTileset* tilesetSlot) {
    Clear();
    FileName.clear();
    TypeTag = {'R', 'A', 'W', 'B'};
    Version = 205;
    EditorVersion = 11;
    // Players 1 to 8 human, 9 to 12 inactive: placing start locations makes it playable.
    OwnerTypes = {6, 6, 6, 6, 6, 6, 6, 6, 0, 0, 0, 0};
    Era = static_cast<std::uint16_t>(tileset);
    Width = std::clamp(width, 1, 256);
    Height = std::clamp(height, 1, 256);
    for (int p = 0; p < 12; ++p) {
        Races[static_cast<std::size_t>(p)] = static_cast<std::uint8_t>(p % 3);
    }
    TilesetLink = tilesetSlot;
    for (int c = 0; c < Width / 2; ++c) {
        for (int r = 0; r < Height; ++r) {
            const int t = TilesetLink ? TilesetLink->RandomTileInGroup(terrainGroup * 16) : terrainGroup * 16;
            Terrain(2 * c, r) = static_cast<std::uint16_t>(t);
            Terrain(2 * c + 1, r) = static_cast<std::uint16_t>(t + 16);
        }
    }
    for (int c = 0; c < Width; ++c) {
        for (int r = 0; r < Height; ++r) {
            Fog(c, r) = 255;
        }
    }
    UnitPresetsUsed = {};
    Strings.Entries.assign(StringTable::kStandardCount, std::string());
    ScenarioName = static_cast<std::uint16_t>(AddString("Map Name") + 1);
    ScenarioDescription = static_cast<std::uint16_t>(AddString("Map Description") + 1);
    PlayerForces = {};
    for (int f = 0; f < 4; ++f) {
        ForceNames[static_cast<std::size_t>(f)] =
            static_cast<std::uint16_t>(AddString("Force " + std::to_string(f + 1)) + 1);
    }
    ForceFlags = {};
    Wavs = {};
    SwitchNames = {};
    for (int p = 0; p < 8; ++p) {
        Colours[static_cast<std::size_t>(p)] = static_cast<std::uint8_t>(p);
    }
    // The settings of an unmodified map, so the game accepts and plays the new one.
    Vcod = kStandardVcod;
    for (const char* name : kSettingsSections) {
        FillNewSection(name);
    }
    // The game's whole-map location, as maps made by the game's own tools have it.
    const int anywhere = AddString("Anywhere");
    Locations[kAnywhereSlot] = {0, 0,   Width * 32, Height * 32, static_cast<std::uint16_t>(anywhere + 1),
                                0, true};
    m_newMap = true;
    CreepMap.SetSize(Width, Height);
    RebuildTileMap();
}

} // namespace orv
