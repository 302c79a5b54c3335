#include "settings/SettingsStore.h"

#include "app/GameData.h"

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

TSettingsStore::TSettingsStore(TCHK& chk, TMapText& text, Prompter& ask, TSettingsTables tables)
    : m_chk(chk), m_text(text), m_ask(ask), m_tables(tables), m_width(chk.Width), m_height(chk.Height),
      m_tileset(chk.Tileset()) {}

// STUB: the implementation follows.
std::string TSettingsStore::StringBytes(std::uint32_t) const {
    return {};
}
bool TSettingsStore::SetName(const std::string&, bool) {
    return true;
}
bool TSettingsStore::SetDescription(const std::string&, bool) {
    return true;
}
Status TSettingsStore::SetColour(int, int) {
    return {};
}
Status TSettingsStore::SetRace(int, int) {
    return {};
}
Status TSettingsStore::SetOwner(int, int) {
    return {};
}
Status TSettingsStore::SetWidth(int) {
    return {};
}
Status TSettingsStore::SetHeight(int) {
    return {};
}
Status TSettingsStore::SetTileset(int) {
    return {};
}
Result<std::int64_t> TSettingsStore::Number(const std::string&, const std::string&, std::int64_t,
                                            std::int64_t) {
    return std::int64_t{0};
}
Status TSettingsStore::SetPlayerForce(int, int) {
    return {};
}
bool TSettingsStore::SetForceName(int, const std::string&, bool) {
    return true;
}
Status TSettingsStore::SetForceFlags(int, int) {
    return {};
}
bool TSettingsStore::ExpansionOnlyUnit(int) const {
    return false;
}
TUnitStats TSettingsStore::LoadUnit(int, int) const {
    return {};
}
TUnitStats TSettingsStore::DefaultUnit(int, int) const {
    return {};
}
TUnitAvailability TSettingsStore::LoadAvailability(int) const {
    return {};
}
Status TSettingsStore::StoreUnit(int, int, const TUnitStats&, const TUnitAvailability&) {
    return {};
}
void TSettingsStore::StoreUnitDefault(int, int) {}
bool TSettingsStore::ExpansionOnlyUpgrade(int) const {
    return false;
}
TUpgradeCosts TSettingsStore::LoadUpgradeCosts(int, int) const {
    return {};
}
TUpgradeLevels TSettingsStore::LoadUpgradeLevels(int, int) const {
    return {};
}
Status TSettingsStore::StoreUpgrade(int, int, const TUpgradeCosts&, const TUpgradeLevels&) {
    return {};
}
void TSettingsStore::StoreUpgradeDefault(int, int) {}
void TSettingsStore::UpgradeLoadDefaults(int) {}
void TSettingsStore::SetAllUpgradeTimesZero() {}
bool TSettingsStore::ExpansionOnlyTech(int) const {
    return false;
}
TTechCosts TSettingsStore::LoadTechCosts(int, int) const {
    return {};
}
TTechAvailability TSettingsStore::LoadTechAvailability(int, int) const {
    return {};
}
Status TSettingsStore::StoreTech(int, int, const TTechCosts&, const TTechAvailability&) {
    return {};
}
void TSettingsStore::StoreTechDefault(int, int) {}
void TSettingsStore::TechLoadDefaults(int) {}
bool TSettingsStore::SetString(std::size_t, const std::string&, bool) {
    return true;
}
std::vector<std::string> TSettingsStore::SoundLines() const {
    return {};
}
Result<int> TSettingsStore::AddSound(const std::string&, const std::string&, bool) {
    return 0;
}
bool TSettingsStore::Changed() const {
    return false;
}
TEditChange TSettingsStore::Finish(TEditHistory&, const std::function<CStarcraftTileset*(int)>&) {
    return {};
}

} // namespace orv
