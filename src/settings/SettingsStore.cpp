#include "settings/SettingsStore.h"

#include "app/GameData.h"
#include "graphics/OrvistadTypes.h"
#include "scenario/NewMapDefaults.h"
#include "tools/RecordEdits.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>

namespace orv {

TSettingsTables TSettingsTables::From(const TGameData& data) {
    TSettingsTables t;
    t.UnitsDat = data.UnitsDat;
    t.WeaponsDat = data.WeaponsDat;
    t.UpgradesDat = data.UpgradesDat;
    t.TechdataDat = data.TechdataDat;
    t.StatTxt = &data.StatTxt;
    return t;
}

std::string TSettingsTables::Stat(int number) const {
    if (!StatTxt || number <= 0 || static_cast<std::size_t>(number) > StatTxt->size()) {
        return {};
    }
    return (*StatTxt)[static_cast<std::size_t>(number - 1)];
}

const char* UnitUseText(TUnitUse use) {
    switch (use) {
    case TUnitUse::Yes:
        return "Yes";
    case TUnitUse::No:
        return "No";
    case TUnitUse::Default:
        return "Default";
    case TUnitUse::Other:
        break;
    }
    return "Other";
}

const char* TechUseText(TTechUse use) {
    switch (use) {
    case TTechUse::Enabled:
        return "Enabled";
    case TTechUse::Disabled:
        return "Disabled";
    case TTechUse::Researched:
        return "Researched";
    case TTechUse::Default:
        return "Default";
    case TTechUse::Other:
        break;
    }
    return "Other";
}

namespace {

std::uint32_t Get(const std::uint8_t* base, std::size_t at, int width) {
    std::uint32_t v = 0;
    for (int i = width - 1; i >= 0; --i) {
        v = (v << 8) | base[at + static_cast<std::size_t>(i)];
    }
    return v;
}

void Set(std::uint8_t* base, std::size_t at, int width, std::uint32_t value) {
    for (int i = 0; i < width; ++i) {
        base[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// A rule table's value; 0 past its end.
std::uint32_t Rule(Bytes table, std::size_t at, int width) {
    return at + static_cast<std::size_t>(width) <= table.size() ? Get(table.data(), at, width) : 0;
}

// The statistics sections: 228 units, then the weapons' damage and bonus.
struct UnitSection {
    std::uint8_t* bytes;
    int weapons;
    std::size_t Damage(int w) const { return 3648 + 2 * static_cast<std::size_t>(w); }
    std::size_t Bonus(int w) const { return 3648 + 2 * static_cast<std::size_t>(weapons + w); }
};

// Upgrade costs: uses-default bytes, then six u16 arrays (the expansion's has one spare byte
// after the first array).
struct UpgradeCostSection {
    std::uint8_t* bytes;
    int count;
    std::size_t Array(int k, int i) const {
        const std::size_t first = static_cast<std::size_t>(count) + (count == kExpansionUpgradeCount ? 1 : 0);
        return first + 2 * (static_cast<std::size_t>(k) * static_cast<std::size_t>(count) +
                            static_cast<std::size_t>(i));
    }
};

// Player sections of five arrays: [12][n], [12][n], [n], [n], [12][n].
struct PlayerSection {
    std::uint8_t* bytes;
    int count;
    std::size_t n() const { return static_cast<std::size_t>(count); }
    std::uint8_t& First(int p, int i) const {
        return bytes[static_cast<std::size_t>(p) * n() + static_cast<std::size_t>(i)];
    }
    std::uint8_t& Second(int p, int i) const {
        return bytes[12 * n() + static_cast<std::size_t>(p) * n() + static_cast<std::size_t>(i)];
    }
    std::uint8_t& GlobalFirst(int i) const { return bytes[24 * n() + static_cast<std::size_t>(i)]; }
    std::uint8_t& GlobalSecond(int i) const { return bytes[25 * n() + static_cast<std::size_t>(i)]; }
    std::uint8_t& UsesGlobal(int p, int i) const {
        return bytes[26 * n() + static_cast<std::size_t>(p) * n() + static_cast<std::size_t>(i)];
    }
};

// Tech costs: uses-default bytes, then minerals, gas, time, energy as u16 arrays.
struct TechCostSection {
    std::uint8_t* bytes;
    int count;
    std::size_t Array(int k, int i) const {
        return static_cast<std::size_t>(count) +
               2 * (static_cast<std::size_t>(k) * static_cast<std::size_t>(count) +
                    static_cast<std::size_t>(i));
    }
};

struct Range {
    const char* field;
    std::uint32_t value;
    std::uint32_t high;
};

Status Check(std::initializer_list<Range> ranges) {
    for (const Range& r : ranges) {
        if (r.value > r.high) {
            return MakeError(std::string(r.field) + " must be from 0 to " + std::to_string(r.high) + ".");
        }
    }
    return {};
}

} // namespace

TSettingsStore::TSettingsStore(TCHK& chk, TMapText& text, Prompter& ask, TSettingsTables tables)
    : m_chk(chk), m_text(text), m_ask(ask), m_tables(tables), m_width(chk.Width), m_height(chk.Height),
      m_tileset(chk.Tileset()), m_stringsBefore(chk.Strings.Entries), m_createdBefore(chk.CreatedSections()) {
    m_before = TSettingsEdit::Fields(chk);
}

void TSettingsStore::Need(const char* section) {
    if (!m_chk.HasSection(section)) {
        m_chk.CreateSection(section);
    }
}

std::string TSettingsStore::StringBytes(std::uint32_t number) const {
    return m_chk.Strings.Text(number);
}

bool TSettingsStore::EnterString(std::uint16_t& number, const std::string& text, bool tagged) {
    const std::string& current = m_chk.Strings.Text(number);
    const std::string shown = tagged ? m_text.ShowTagged(current) : m_text.Show(current);
    if (text == shown) {
        return true; // unchanged: the string keeps its bytes
    }
    const std::optional<std::string> bytes = m_text.Enter(text, tagged, m_ask);
    if (!bytes) {
        return false;
    }
    if (number != 0 && number <= m_chk.Strings.Entries.size()) {
        m_chk.Strings.Entries[number - 1u] = *bytes;
        return true;
    }
    if (bytes->empty()) {
        return true; // no string, and none needed
    }
    const int added = m_chk.AddString(*bytes);
    if (added < 0 || added + 1 > 0xFFFF) {
        m_ask.ShowMessage("The text cannot be stored: the string table is full.");
        return false;
    }
    number = static_cast<std::uint16_t>(added + 1);
    return true;
}

bool TSettingsStore::SetName(const std::string& text, bool tagged) {
    return EnterString(m_chk.ScenarioName, text, tagged);
}

bool TSettingsStore::SetDescription(const std::string& text, bool tagged) {
    return EnterString(m_chk.ScenarioDescription, text, tagged);
}

Status TSettingsStore::SetColour(int player, int colour) {
    if (player < 0 || player >= 8) {
        return MakeError("Only players 1 to 8 have a colour.");
    }
    if (colour < 0 || colour > 11) {
        return MakeError("Color must be from 0 to 11.");
    }
    if (m_chk.Colours[static_cast<std::size_t>(player)] != colour) {
        Need("COLR");
        m_chk.Colours[static_cast<std::size_t>(player)] = static_cast<std::uint8_t>(colour);
    }
    return {};
}

Status TSettingsStore::SetRace(int player, int race) {
    if (player < 0 || player >= 12) {
        return MakeError("The player must be from 1 to 12.");
    }
    if (race < 0 || race > 7) {
        return MakeError("Race must be from 0 to 7.");
    }
    m_chk.Races[static_cast<std::size_t>(player)] = static_cast<std::uint8_t>(race);
    return {};
}

Status TSettingsStore::SetOwner(int player, int owner) {
    if (player < 0 || player >= 12) {
        return MakeError("The player must be from 1 to 12.");
    }
    if (owner < 0 || owner > 8) {
        return MakeError("Owner must be from 0 to 8.");
    }
    m_chk.OwnerTypes[static_cast<std::size_t>(player)] = static_cast<std::uint8_t>(owner);
    return {};
}

Status TSettingsStore::SetWidth(int width) {
    if (width != m_chk.Width) {
        if (const std::string problem = NewMapSizeProblem("width", width); !problem.empty()) {
            return MakeError(problem);
        }
    }
    m_width = width;
    return {};
}

Status TSettingsStore::SetHeight(int height) {
    if (height != m_chk.Height) {
        if (const std::string problem = NewMapSizeProblem("height", height); !problem.empty()) {
            return MakeError(problem);
        }
    }
    m_height = height;
    return {};
}

Status TSettingsStore::SetTileset(int tileset) {
    if (tileset < 0 || tileset > 7) {
        return MakeError("Tileset must be from 0 to 7.");
    }
    if (tileset != m_tileset) {
        m_baseTerrain = 0; // the list shows the new tileset's terrains
    }
    m_tileset = tileset;
    return {};
}

Status TSettingsStore::SetBaseTerrain(int row) {
    if (row < 0 || row >= kTerrainTypesPerTileset ||
        TerrainTypeNames[static_cast<std::size_t>(m_tileset)][static_cast<std::size_t>(row)].empty()) {
        return MakeError("There is no such base terrain in this tileset.");
    }
    m_baseTerrain = row;
    return {};
}

Result<std::int64_t> TSettingsStore::Number(const std::string& field, const std::string& text,
                                            std::int64_t low, std::int64_t high) {
    std::string t = text;
    while (!t.empty() && std::isspace(static_cast<unsigned char>(t.back()))) {
        t.pop_back();
    }
    std::size_t at = 0;
    while (at < t.size() && std::isspace(static_cast<unsigned char>(t[at]))) {
        ++at;
    }
    t = t.substr(at);
    std::int64_t value = 0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
    if (t.empty() || ec != std::errc() || end != t.data() + t.size()) {
        return MakeError(field + ": \"" + text + "\" is not a whole number.");
    }
    if (value < low || value > high) {
        return MakeError(field + " must be from " + std::to_string(low) + " to " + std::to_string(high) +
                         ".");
    }
    return value;
}

Status TSettingsStore::SetPlayerForce(int player, int force) {
    if (player < 0 || player >= 8) {
        return MakeError("Only players 1 to 8 belong to a force.");
    }
    if (force < 0 || force > 3) {
        return MakeError("The force must be from 1 to 4.");
    }
    m_chk.PlayerForces[static_cast<std::size_t>(player)] = static_cast<std::uint8_t>(force);
    return {};
}

bool TSettingsStore::SetForceName(int force, const std::string& text, bool tagged) {
    if (force < 0 || force > 3) {
        return false;
    }
    return EnterString(m_chk.ForceNames[static_cast<std::size_t>(force)], text, tagged);
}

Status TSettingsStore::SetForceFlags(int force, int flags) {
    if (force < 0 || force > 3) {
        return MakeError("The force must be from 1 to 4.");
    }
    if (flags < 0 || flags > 255) {
        return MakeError("The force options must be from 0 to 255.");
    }
    m_chk.ForceFlags[static_cast<std::size_t>(force)] = static_cast<std::uint8_t>(flags);
    return {};
}

// --- units ---

bool TSettingsStore::ExpansionOnlyUnit(int unit) const {
    return unit >= 0 && unit < kSettingsUnitCount &&
           Rule(m_tables.UnitsDat, 19192 + static_cast<std::size_t>(unit), 1) != 0;
}

namespace {

// The game's name of a unit: the first part of its text (the others are its subtitle and
// group, each after a zero byte).
std::string GameUnitName(const TSettingsTables& tables, int unit) {
    const std::string text = tables.Stat(unit + 1);
    return text.substr(0, text.find('\0'));
}

// The unit's weapons as a section holds them: a weapon past its arrays counts as none.
void UnitWeapons(Bytes unitsDat, int unit, int weapons, TUnitStats& s) {
    auto weapon = [&](std::size_t at) {
        const int w = static_cast<int>(Rule(unitsDat, at + static_cast<std::size_t>(unit), 1));
        return unitsDat.size() > at + static_cast<std::size_t>(unit) && w < weapons ? w : kNoWeapon;
    };
    s.GroundWeapon = weapon(5892);
    s.AirWeapon = weapon(6348);
}

} // namespace

TUnitStats TSettingsStore::LoadUnit(int unit, int mode) const {
    TUnitStats s;
    if (unit < 0 || unit >= kSettingsUnitCount) {
        return s;
    }
    const UnitSection sec = mode == 0 ? UnitSection{const_cast<std::uint8_t*>(m_chk.Unis.data()), 100}
                                      : UnitSection{const_cast<std::uint8_t*>(m_chk.Unix.data()), 130};
    const auto u = static_cast<std::size_t>(unit);
    s.UseDefault = sec.bytes[u] != 0;
    s.HitPoints = Get(sec.bytes, 228 + 4 * u, 4) >> 8;
    s.Shields = Get(sec.bytes, 1140 + 2 * u, 2);
    s.Armor = sec.bytes[1596 + u];
    s.BuildTime = Get(sec.bytes, 1824 + 2 * u, 2);
    s.Minerals = Get(sec.bytes, 2280 + 2 * u, 2);
    s.Gas = Get(sec.bytes, 2736 + 2 * u, 2);
    UnitWeapons(m_tables.UnitsDat, unit, sec.weapons, s);
    if (s.GroundWeapon != kNoWeapon) {
        s.GroundDamage = Get(sec.bytes, sec.Damage(s.GroundWeapon), 2);
        s.GroundBonus = Get(sec.bytes, sec.Bonus(s.GroundWeapon), 2);
    }
    if (s.AirWeapon != kNoWeapon) {
        s.AirDamage = Get(sec.bytes, sec.Damage(s.AirWeapon), 2);
        s.AirBonus = Get(sec.bytes, sec.Bonus(s.AirWeapon), 2);
    }
    const std::uint32_t name = Get(sec.bytes, 3192 + 2 * u, 2);
    s.CustomName = name != 0;
    s.Name = s.CustomName ? m_text.ShowTagged(m_chk.Strings.Text(name))
                          : m_text.Show(GameUnitName(m_tables, unit));
    return s;
}

TUnitStats TSettingsStore::DefaultUnit(int unit, int mode) const {
    TUnitStats s;
    if (unit < 0 || unit >= kSettingsUnitCount) {
        return s;
    }
    const Bytes dat = m_tables.UnitsDat;
    const auto u = static_cast<std::size_t>(unit);
    s.UseDefault = true;
    s.HitPoints = Rule(dat, 3156 + 4 * u, 4) >> 8;
    s.Shields = Rule(dat, 2472 + u, 1) != 0 ? Rule(dat, 2700 + 2 * u, 2) : 0;
    s.Armor = Rule(dat, 8856 + u, 1);
    s.BuildTime = Rule(dat, 15772 + 2 * u, 2);
    s.Minerals = Rule(dat, 14860 + 2 * u, 2);
    s.Gas = Rule(dat, 15316 + 2 * u, 2);
    UnitWeapons(dat, unit, mode == 0 ? 100 : 130, s);
    const Bytes weapons = m_tables.WeaponsDat;
    auto damage = [&](int w) { return Rule(weapons, 3640 + 2 * static_cast<std::size_t>(w), 2); };
    auto bonus = [&](int w) { return Rule(weapons, 3900 + 2 * static_cast<std::size_t>(w), 2); };
    if (s.GroundWeapon != kNoWeapon) {
        s.GroundDamage = damage(s.GroundWeapon);
        s.GroundBonus = bonus(s.GroundWeapon);
    }
    if (s.AirWeapon != kNoWeapon) {
        s.AirDamage = damage(s.AirWeapon);
        s.AirBonus = bonus(s.AirWeapon);
    }
    s.CustomName = false;
    s.Name = m_text.Show(GameUnitName(m_tables, unit));
    return s;
}

TUnitAvailability TSettingsStore::LoadAvailability(int unit) const {
    TUnitAvailability a;
    if (unit < 0 || unit >= kSettingsUnitCount) {
        return a;
    }
    const auto u = static_cast<std::size_t>(unit);
    a.Global = m_chk.Puni[12 * 228 + u] == 1;
    for (std::size_t p = 0; p < 12; ++p) {
        const std::uint8_t uses = m_chk.Puni[12 * 228 + 228 + p * 228 + u];
        const std::uint8_t available = m_chk.Puni[p * 228 + u];
        a.Players[p] = uses == 1        ? TUnitUse::Default
                       : uses != 0      ? TUnitUse::Other
                       : available == 0 ? TUnitUse::No
                       : available == 1 ? TUnitUse::Yes
                                        : TUnitUse::Other;
    }
    return a;
}

Status TSettingsStore::StoreUnit(int unit, int mode, const TUnitStats& s,
                                 const TUnitAvailability& availability) {
    if (unit < 0 || unit >= kSettingsUnitCount) {
        return MakeError("There is no unit type " + std::to_string(unit) + ".");
    }
    if (Status ok = Check({{"Hit Points", s.HitPoints, 0xFFFFFF},
                           {"Shields", s.Shields, 0xFFFF},
                           {"Armor", s.Armor, 0xFF},
                           {"Time", s.BuildTime, 0xFFFF},
                           {"Minerals", s.Minerals, 0xFFFF},
                           {"Gas", s.Gas, 0xFFFF},
                           {"Ground damage", s.GroundDamage, 0xFFFF},
                           {"Ground bonus", s.GroundBonus, 0xFFFF},
                           {"Air damage", s.AirDamage, 0xFFFF},
                           {"Air bonus", s.AirBonus, 0xFFFF}});
        !ok) {
        return ok;
    }
    const auto u = static_cast<std::size_t>(unit);
    std::vector<UnitSection> sections;
    if (mode == 0 || mode == 2) {
        Need("UNIS");
        sections.push_back({m_chk.Unis.data(), 100});
    }
    if (mode != 0) {
        Need("UNIx");
        sections.push_back({m_chk.Unix.data(), 130});
    }
    // The name first: the one step that can stop (the encoding question).
    std::uint16_t name = static_cast<std::uint16_t>(Get(sections.front().bytes, 3192 + 2 * u, 2));
    if (s.CustomName) {
        if (!EnterString(name, s.Name, true)) {
            return MakeError("");
        }
    } else {
        name = 0; // the game's own name
    }
    for (const UnitSection& sec : sections) {
        sec.bytes[u] = 0;
        Set(sec.bytes, 228 + 4 * u, 4, s.HitPoints << 8);
        Set(sec.bytes, 1140 + 2 * u, 2, s.Shields);
        sec.bytes[1596 + u] = static_cast<std::uint8_t>(s.Armor);
        Set(sec.bytes, 1824 + 2 * u, 2, s.BuildTime);
        Set(sec.bytes, 2280 + 2 * u, 2, s.Minerals);
        Set(sec.bytes, 2736 + 2 * u, 2, s.Gas);
        Set(sec.bytes, 3192 + 2 * u, 2, name);
        TUnitStats weapons;
        UnitWeapons(m_tables.UnitsDat, unit, sec.weapons, weapons);
        if (weapons.GroundWeapon != kNoWeapon) {
            Set(sec.bytes, sec.Damage(weapons.GroundWeapon), 2, s.GroundDamage);
            Set(sec.bytes, sec.Bonus(weapons.GroundWeapon), 2, s.GroundBonus);
        }
        if (weapons.AirWeapon != kNoWeapon) {
            Set(sec.bytes, sec.Damage(weapons.AirWeapon), 2, s.AirDamage);
            Set(sec.bytes, sec.Bonus(weapons.AirWeapon), 2, s.AirBonus);
        }
    }
    StoreAvailability(unit, availability);
    return {};
}

void TSettingsStore::StoreAvailability(int unit, const TUnitAvailability& availability) {
    if (unit < 0 || unit >= kSettingsUnitCount) {
        return;
    }
    const auto u = static_cast<std::size_t>(unit);
    const TUnitAvailability now = LoadAvailability(unit);
    if (now.Global != availability.Global || now.Players != availability.Players) {
        Need("PUNI");
        m_chk.Puni[12 * 228 + u] = availability.Global ? 1 : 0;
        for (std::size_t p = 0; p < 12; ++p) {
            std::uint8_t& uses = m_chk.Puni[12 * 228 + 228 + p * 228 + u];
            std::uint8_t& available = m_chk.Puni[p * 228 + u];
            switch (availability.Players[p]) {
            case TUnitUse::Default:
                uses = 1;
                break;
            case TUnitUse::No:
                uses = 0, available = 0;
                break;
            case TUnitUse::Yes:
                uses = 0, available = 1;
                break;
            case TUnitUse::Other:
                break; // a value of its own stays
            }
        }
    }
}

void TSettingsStore::StoreUnitDefault(int unit, int mode) {
    if (unit < 0 || unit >= kSettingsUnitCount) {
        return;
    }
    const auto u = static_cast<std::size_t>(unit);
    if ((mode == 0 || mode == 2) && m_chk.Unis[u] != 1) {
        Need("UNIS");
        m_chk.Unis[u] = 1;
    }
    if (mode != 0 && m_chk.Unix[u] != 1) {
        Need("UNIx");
        m_chk.Unix[u] = 1;
    }
}

// --- upgrades ---

bool TSettingsStore::ExpansionOnlyUpgrade(int upgrade) const {
    return upgrade >= kBaseUpgradeCount ||
           Rule(m_tables.UpgradesDat, 1220 + static_cast<std::size_t>(std::max(upgrade, 0)), 1) != 0;
}

TUpgradeCosts TSettingsStore::LoadUpgradeCosts(int upgrade, int mode) const {
    TUpgradeCosts c;
    const bool base = mode == 0;
    if (upgrade < 0 || upgrade >= (base ? kBaseUpgradeCount : kExpansionUpgradeCount)) {
        return c;
    }
    const UpgradeCostSection sec = base
                                       ? UpgradeCostSection{const_cast<std::uint8_t*>(m_chk.Upgs.data()), 46}
                                       : UpgradeCostSection{const_cast<std::uint8_t*>(m_chk.Upgx.data()), 61};
    c.UseDefault = sec.bytes[upgrade] != 0;
    c.MineralBase = Get(sec.bytes, sec.Array(0, upgrade), 2);
    c.MineralFactor = Get(sec.bytes, sec.Array(1, upgrade), 2);
    c.GasBase = Get(sec.bytes, sec.Array(2, upgrade), 2);
    c.GasFactor = Get(sec.bytes, sec.Array(3, upgrade), 2);
    c.TimeBase = Get(sec.bytes, sec.Array(4, upgrade), 2);
    c.TimeFactor = Get(sec.bytes, sec.Array(5, upgrade), 2);
    return c;
}

TUpgradeLevels TSettingsStore::LoadUpgradeLevels(int upgrade, int mode) const {
    TUpgradeLevels l;
    const bool base = mode == 0;
    if (upgrade < 0 || upgrade >= (base ? kBaseUpgradeCount : kExpansionUpgradeCount)) {
        return l;
    }
    const PlayerSection sec = base ? PlayerSection{const_cast<std::uint8_t*>(m_chk.Upgr.data()), 46}
                                   : PlayerSection{const_cast<std::uint8_t*>(m_chk.Pupx.data()), 61};
    l.GlobalMax = sec.GlobalFirst(upgrade);
    l.GlobalStart = sec.GlobalSecond(upgrade);
    for (int p = 0; p < 12; ++p) {
        TUpgradePlayer& player = l.Players[static_cast<std::size_t>(p)];
        player.Custom = sec.UsesGlobal(p, upgrade) == 0;
        player.Max = sec.First(p, upgrade);
        player.Start = sec.Second(p, upgrade);
    }
    return l;
}

namespace {

Status CheckLevels(const TUpgradeLevels& l) {
    if (Status ok = Check({{"Default level", l.GlobalStart, 0xFF}, {"Default Max", l.GlobalMax, 0xFF}});
        !ok) {
        return ok;
    }
    for (std::size_t p = 0; p < 12; ++p) {
        const TUpgradePlayer& player = l.Players[p];
        const std::string who = "Player " + std::to_string(p + 1);
        if (player.Custom) {
            if (Status ok = Check({{(who + " default upgrade").c_str(), player.Start, 0xFF},
                                   {(who + " max upgrade").c_str(), player.Max, 0xFF}});
                !ok) {
                return ok;
            }
        }
    }
    return {};
}

// The levels as the game reads them: a player's own levels count only when it has them.
bool SameLevels(const TUpgradeLevels& a, const TUpgradeLevels& b) {
    if (a.GlobalStart != b.GlobalStart || a.GlobalMax != b.GlobalMax) {
        return false;
    }
    for (std::size_t p = 0; p < 12; ++p) {
        const TUpgradePlayer &x = a.Players[p], &y = b.Players[p];
        if (x.Custom != y.Custom || (x.Custom && (x.Start != y.Start || x.Max != y.Max))) {
            return false;
        }
    }
    return true;
}

} // namespace

Status TSettingsStore::StoreUpgrade(int upgrade, int mode, const TUpgradeCosts& c, const TUpgradeLevels& l) {
    if (upgrade < 0 || upgrade >= kExpansionUpgradeCount) {
        return MakeError("There is no upgrade " + std::to_string(upgrade) + ".");
    }
    if (Status ok = Check({{"Mineral cost base", c.MineralBase, 0xFFFF},
                           {"Mineral cost factor", c.MineralFactor, 0xFFFF},
                           {"Gas cost base", c.GasBase, 0xFFFF},
                           {"Gas cost factor", c.GasFactor, 0xFFFF},
                           {"Time cost base", c.TimeBase, 0xFFFF},
                           {"Time cost factor", c.TimeFactor, 0xFFFF}});
        !ok) {
        return ok;
    }
    if (Status ok = CheckLevels(l); !ok) {
        return ok;
    }
    auto store = [&](UpgradeCostSection cost) {
        cost.bytes[upgrade] = 0;
        Set(cost.bytes, cost.Array(0, upgrade), 2, c.MineralBase);
        Set(cost.bytes, cost.Array(1, upgrade), 2, c.MineralFactor);
        Set(cost.bytes, cost.Array(2, upgrade), 2, c.GasBase);
        Set(cost.bytes, cost.Array(3, upgrade), 2, c.GasFactor);
        Set(cost.bytes, cost.Array(4, upgrade), 2, c.TimeBase);
        Set(cost.bytes, cost.Array(5, upgrade), 2, c.TimeFactor);
    };
    // The original game's sections hold the first 46 upgrades only.
    if ((mode == 0 || mode == 2) && upgrade < kBaseUpgradeCount) {
        Need("UPGS");
        store({m_chk.Upgs.data(), 46});
    }
    if (mode != 0) {
        Need("UPGx");
        store({m_chk.Upgx.data(), 61});
    }
    return StoreUpgradeLevels(upgrade, mode, l);
}

Status TSettingsStore::StoreUpgradeLevels(int upgrade, int mode, const TUpgradeLevels& l) {
    if (upgrade < 0 || upgrade >= kExpansionUpgradeCount) {
        return MakeError("There is no upgrade " + std::to_string(upgrade) + ".");
    }
    if (Status ok = CheckLevels(l); !ok) {
        return ok;
    }
    auto store = [&](const char* name, PlayerSection levels, int sectionMode) {
        if (SameLevels(LoadUpgradeLevels(upgrade, sectionMode), l)) {
            return; // a section is made only for a change
        }
        Need(name);
        levels.GlobalSecond(upgrade) = static_cast<std::uint8_t>(l.GlobalStart);
        levels.GlobalFirst(upgrade) = static_cast<std::uint8_t>(l.GlobalMax);
        for (int p = 0; p < 12; ++p) {
            const TUpgradePlayer& player = l.Players[static_cast<std::size_t>(p)];
            if (player.Custom) {
                levels.UsesGlobal(p, upgrade) = 0;
                levels.Second(p, upgrade) = static_cast<std::uint8_t>(player.Start);
                levels.First(p, upgrade) = static_cast<std::uint8_t>(player.Max);
            } else {
                levels.UsesGlobal(p, upgrade) = 1;
            }
        }
    };
    if ((mode == 0 || mode == 2) && upgrade < kBaseUpgradeCount) {
        store("UPGR", {m_chk.Upgr.data(), 46}, 0);
    }
    if (mode != 0) {
        store("PUPx", {m_chk.Pupx.data(), 61}, 1);
    }
    return {};
}

void TSettingsStore::StoreUpgradeDefault(int upgrade, int mode) {
    if ((mode == 0 || mode == 2) && upgrade >= 0 && upgrade < kBaseUpgradeCount &&
        m_chk.Upgs[static_cast<std::size_t>(upgrade)] != 1) {
        Need("UPGS");
        m_chk.Upgs[static_cast<std::size_t>(upgrade)] = 1;
    }
    if (mode != 0 && upgrade >= 0 && upgrade < kExpansionUpgradeCount &&
        m_chk.Upgx[static_cast<std::size_t>(upgrade)] != 1) {
        Need("UPGx");
        m_chk.Upgx[static_cast<std::size_t>(upgrade)] = 1;
    }
}

void TSettingsStore::UpgradeLoadDefaults(int mode) {
    for (int g = 0; g < kExpansionUpgradeCount; ++g) {
        StoreUpgradeDefault(g, mode);
    }
}

void TSettingsStore::SetAllUpgradeTimesZero() {
    auto zero = [&](const char* name, UpgradeCostSection sec) {
        bool any = false;
        for (int g = 0; g < sec.count; ++g) {
            any = any || Get(sec.bytes, sec.Array(4, g), 2) != 0 || Get(sec.bytes, sec.Array(5, g), 2) != 0;
        }
        if (!any) {
            return;
        }
        Need(name);
        for (int g = 0; g < sec.count; ++g) {
            Set(sec.bytes, sec.Array(4, g), 2, 0);
            Set(sec.bytes, sec.Array(5, g), 2, 0);
        }
    };
    zero("UPGS", {m_chk.Upgs.data(), 46});
    zero("UPGx", {m_chk.Upgx.data(), 61});
}

// --- technologies ---

bool TSettingsStore::ExpansionOnlyTech(int tech) const {
    return tech >= kBaseTechCount ||
           Rule(m_tables.TechdataDat, 792 + static_cast<std::size_t>(std::max(tech, 0)), 1) != 0;
}

TTechCosts TSettingsStore::LoadTechCosts(int tech, int mode) const {
    TTechCosts c;
    const bool base = mode == 0;
    if (tech < 0 || tech >= (base ? kBaseTechCount : kExpansionTechCount)) {
        return c;
    }
    const TechCostSection sec = base ? TechCostSection{const_cast<std::uint8_t*>(m_chk.Tecs.data()), 24}
                                     : TechCostSection{const_cast<std::uint8_t*>(m_chk.Tecx.data()), 44};
    c.UseDefault = sec.bytes[tech] != 0;
    c.Minerals = Get(sec.bytes, sec.Array(0, tech), 2);
    c.Gas = Get(sec.bytes, sec.Array(1, tech), 2);
    c.Time = Get(sec.bytes, sec.Array(2, tech), 2);
    c.Energy = Get(sec.bytes, sec.Array(3, tech), 2);
    return c;
}

TTechAvailability TSettingsStore::LoadTechAvailability(int tech, int mode) const {
    TTechAvailability a;
    const bool base = mode == 0;
    if (tech < 0 || tech >= (base ? kBaseTechCount : kExpansionTechCount)) {
        return a;
    }
    const PlayerSection sec = base ? PlayerSection{const_cast<std::uint8_t*>(m_chk.Ptec.data()), 24}
                                   : PlayerSection{const_cast<std::uint8_t*>(m_chk.Ptex.data()), 44};
    a.Global = sec.GlobalSecond(tech) == 1  ? TTechUse::Researched
               : sec.GlobalFirst(tech) == 1 ? TTechUse::Enabled
                                            : TTechUse::Disabled;
    for (int p = 0; p < 12; ++p) {
        const std::uint8_t uses = sec.UsesGlobal(p, tech);
        const std::uint8_t available = sec.First(p, tech), researched = sec.Second(p, tech);
        TTechUse& use = a.Players[static_cast<std::size_t>(p)];
        if (uses == 1) {
            use = TTechUse::Default;
        } else if (uses != 0 || available > 1 || researched > 1) {
            use = TTechUse::Other;
        } else {
            use = researched == 1  ? TTechUse::Researched
                  : available == 1 ? TTechUse::Enabled
                                   : TTechUse::Disabled;
        }
    }
    return a;
}

Status TSettingsStore::StoreTech(int tech, int mode, const TTechCosts& c, const TTechAvailability& a) {
    if (tech < 0 || tech >= kExpansionTechCount) {
        return MakeError("There is no technology " + std::to_string(tech) + ".");
    }
    if (Status ok = Check({{"Minerals", c.Minerals, 0xFFFF},
                           {"Gas", c.Gas, 0xFFFF},
                           {"Time", c.Time, 0xFFFF},
                           {"Energy", c.Energy, 0xFFFF}});
        !ok) {
        return ok;
    }
    auto store = [&](TechCostSection cost) {
        cost.bytes[tech] = 0;
        Set(cost.bytes, cost.Array(0, tech), 2, c.Minerals);
        Set(cost.bytes, cost.Array(1, tech), 2, c.Gas);
        Set(cost.bytes, cost.Array(2, tech), 2, c.Time);
        Set(cost.bytes, cost.Array(3, tech), 2, c.Energy);
    };
    if ((mode == 0 || mode == 2) && tech < kBaseTechCount) {
        Need("TECS");
        store({m_chk.Tecs.data(), 24});
    }
    if (mode != 0) {
        Need("TECx");
        store({m_chk.Tecx.data(), 44});
    }
    StoreTechAvailability(tech, mode, a);
    return {};
}

void TSettingsStore::StoreTechAvailability(int tech, int mode, const TTechAvailability& a) {
    if (tech < 0 || tech >= kExpansionTechCount) {
        return;
    }
    auto store = [&](const char* name, PlayerSection players, int sectionMode) {
        const TTechAvailability now = LoadTechAvailability(tech, sectionMode);
        if (now.Global == a.Global && now.Players == a.Players) {
            return; // a section is made only for a change
        }
        Need(name);
        players.GlobalFirst(tech) = a.Global == TTechUse::Enabled ? 1 : 0;
        players.GlobalSecond(tech) = a.Global == TTechUse::Researched ? 1 : 0;
        for (int p = 0; p < 12; ++p) {
            const TTechUse use = a.Players[static_cast<std::size_t>(p)];
            if (use == TTechUse::Other) {
                continue; // a value of its own stays
            }
            players.UsesGlobal(p, tech) = use == TTechUse::Default ? 1 : 0;
            players.First(p, tech) = use == TTechUse::Enabled ? 1 : 0;
            players.Second(p, tech) = use == TTechUse::Researched ? 1 : 0;
        }
    };
    if ((mode == 0 || mode == 2) && tech < kBaseTechCount) {
        store("PTEC", {m_chk.Ptec.data(), 24}, 0);
    }
    if (mode != 0) {
        store("PTEx", {m_chk.Ptex.data(), 44}, 1);
    }
}

void TSettingsStore::StoreTechDefault(int tech, int mode) {
    if ((mode == 0 || mode == 2) && tech >= 0 && tech < kBaseTechCount &&
        m_chk.Tecs[static_cast<std::size_t>(tech)] != 1) {
        Need("TECS");
        m_chk.Tecs[static_cast<std::size_t>(tech)] = 1;
    }
    if (mode != 0 && tech >= 0 && tech < kExpansionTechCount &&
        m_chk.Tecx[static_cast<std::size_t>(tech)] != 1) {
        Need("TECx");
        m_chk.Tecx[static_cast<std::size_t>(tech)] = 1;
    }
}

void TSettingsStore::TechLoadDefaults(int mode) {
    for (int t = 0; t < kExpansionTechCount; ++t) {
        StoreTechDefault(t, mode);
    }
}

// --- strings and sounds ---

bool TSettingsStore::SetString(std::size_t index, const std::string& text, bool tagged) {
    if (index >= m_chk.Strings.Entries.size() || index >= 0xFFFF) {
        return false;
    }
    auto number = static_cast<std::uint16_t>(index + 1);
    return EnterString(number, text, tagged);
}

std::vector<std::string> TSettingsStore::SoundLines() const {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < m_chk.Wavs.size(); ++i) {
        if (m_chk.Wavs[i] != 0) {
            char number[8];
            std::snprintf(number, sizeof number, "%03zu", i);
            lines.push_back(std::string(number) + " : " + m_text.Show(m_chk.Strings.Text(m_chk.Wavs[i])));
        }
    }
    return lines;
}

Result<int> TSettingsStore::AddSound(const std::string& file, const std::string& archiveName, bool fromGame) {
    if (file.empty()) {
        return MakeError("Choose a sound file to add.");
    }
    const auto slot = std::find(m_chk.Wavs.begin(), m_chk.Wavs.end(), 0u);
    if (slot == m_chk.Wavs.end()) {
        return MakeError("All 512 sound slots are in use.");
    }
    if (!fromGame && archiveName.empty() && !CanAddFiles) {
        return MakeError("This map has no archive to hold sound files: save it as a .scm or .scx map first, "
                         "or name a sound of the game's archives.");
    }
    std::string name = archiveName;
    bool queue = false;
    if (name.empty()) {
        if (fromGame) {
            name = file; // a path inside the game's archives
        } else {
            // The file's own name, whichever separator its path uses.
            const std::size_t cut = file.find_last_of("/\\");
            name = "staredit\\wav\\" + (cut == std::string::npos ? file : file.substr(cut + 1));
            queue = true;
        }
    }
    const std::optional<std::string> bytes = m_text.Enter(name, false, m_ask);
    if (!bytes) {
        return MakeError("");
    }
    const int added = m_chk.AddString(*bytes);
    if (added < 0) {
        return MakeError("The sound cannot be added: the string table is full.");
    }
    *slot = static_cast<std::uint32_t>(added + 1);
    if (queue) {
        m_queuedNames.push_back(name);
        m_queuedSources.push_back(file);
    }
    return static_cast<int>(slot - m_chk.Wavs.begin());
}

// --- closing ---

void TSettingsStore::TellOutside(int oldWidth, int oldHeight) {
    // Only what the new size leaves outside: things a map kept outside its edges before are
    // not news.
    const int right = m_chk.Width * 32, bottom = m_chk.Height * 32;
    const int oldRight = oldWidth * 32, oldBottom = oldHeight * 32;
    auto leftOut = [&](int x, int y, bool edgeInclusive) {
        const bool wasIn = edgeInclusive ? x <= oldRight && y <= oldBottom : x < oldRight && y < oldBottom;
        const bool isIn = edgeInclusive ? x <= right && y <= bottom : x < right && y < bottom;
        return wasIn && !isIn ? 1u : 0u;
    };
    std::size_t units = 0, doodads = 0, locations = 0;
    for (const UnitRecord& u : m_chk.Units) {
        units += leftOut(u.X, u.Y, false);
    }
    for (const DoodadRecord& d : m_chk.Doodads) {
        doodads += leftOut(d.X, d.Y, false);
    }
    for (std::size_t slot = 0; slot < m_chk.Locations.size(); ++slot) {
        const LocationSlot& l = m_chk.Locations[slot];
        if (slot != kAnywhereSlot && !l.Empty()) {
            locations += leftOut(std::max(l.Left, l.Right), std::max(l.Top, l.Bottom), true);
        }
    }
    std::vector<std::string> parts;
    auto count = [&](std::size_t n, const char* one, const char* many) {
        if (n > 0) {
            parts.push_back(std::to_string(n) + " " + (n == 1 ? one : many));
        }
    };
    count(units, "unit", "units");
    count(doodads, "doodad", "doodads");
    count(locations, "location", "locations");
    if (parts.empty()) {
        return;
    }
    std::string list = parts[0];
    for (std::size_t i = 1; i < parts.size(); ++i) {
        list += (i + 1 == parts.size() ? " and " : ", ") + parts[i];
    }
    const bool one = units + doodads + locations == 1;
    m_ask.ShowMessage("The map is now " + std::to_string(m_chk.Width) + " x " + std::to_string(m_chk.Height) +
                      " tiles. " + list +
                      (one ? " lies outside it and is kept as it is: move or delete it"
                           : " lie outside it and are kept as they are: move or delete them") +
                      ", or undo the change.");
}

TEditChange TSettingsStore::Finish(TEditHistory& history,
                                   const std::function<CStarcraftTileset*(int)>& tilesetFor) {
    TEditChange change;
    std::unique_ptr<TMapShapeEdit> shape;
    if (m_width != m_chk.Width || m_height != m_chk.Height || m_tileset != m_chk.Tileset()) {
        TMapShapeEdit::Shape before = TMapShapeEdit::Shape::Of(m_chk);
        if (m_tileset != m_chk.Tileset()) {
            m_chk.Era = static_cast<std::uint16_t>((m_chk.Era & ~7u) | static_cast<unsigned>(m_tileset));
            if (CStarcraftTileset* tileset = tilesetFor ? tilesetFor(m_tileset) : nullptr) {
                m_chk.LinkTileset(tileset);
            }
        }
        if (m_width != m_chk.Width || m_height != m_chk.Height) {
            const auto& groups = TerrainTypeGroups[static_cast<std::size_t>(m_chk.Tileset())];
            const int fill =
                groups[static_cast<std::size_t>(std::clamp(m_baseTerrain, 0, kTerrainTypesPerTileset - 1))] *
                16;
            const int oldWidth = m_chk.Width, oldHeight = m_chk.Height;
            m_chk.Resize(m_width, m_height, static_cast<std::uint16_t>(fill));
            TellOutside(oldWidth, oldHeight);
        }
        // The displayed tiles stay: the game shows those tile numbers in the new tileset, and
        // rebuilding them from the terrain and the doodads would lose the tiles that only the
        // displayed grid holds (maps made with other tools). New cells show their terrain.
        shape = TMapShapeEdit::Between(std::move(before), TMapShapeEdit::Shape::Of(m_chk));
    }
    auto settings = TSettingsEdit::Between(m_before, m_createdBefore, m_chk);
    auto strings = TStringsEdit::Between(m_stringsBefore, m_chk.Strings.Entries);
    if (!settings && !strings && !shape) {
        return change;
    }
    history.Begin("Scenario Settings");
    if (settings) {
        change.Merge(settings->Redo(m_chk));
        history.Add(std::move(settings));
    }
    if (strings) {
        change.Merge(strings->Redo(m_chk));
        history.Add(std::move(strings));
    }
    if (shape) {
        change.Merge(shape->Redo(m_chk));
        history.Add(std::move(shape));
    }
    history.Commit();
    // The next step starts from here.
    m_width = m_chk.Width;
    m_height = m_chk.Height;
    m_tileset = m_chk.Tileset();
    m_stringsBefore = m_chk.Strings.Entries;
    m_createdBefore = m_chk.CreatedSections();
    m_before = TSettingsEdit::Fields(m_chk);
    return change;
}

} // namespace orv
