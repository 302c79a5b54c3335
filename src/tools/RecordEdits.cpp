#include "tools/RecordEdits.h"

#include <algorithm>
#include <cstring>

namespace orv {
namespace {

// The doodads and the cells under them.
TEditChange DoodadsChange(const TCHK& chk, const std::vector<TCHK::RemovedDoodad>& doodads) {
    TEditChange change;
    change.Doodads = true;
    for (const TCHK::RemovedDoodad& d : doodads) {
        TEditChange cells;
        cells.Cells = chk.FootprintRect(d.Record);
        change.Merge(cells);
    }
    return change;
}

// Takes the doodads out again by their keys, their tiles with them.
void TakeOut(TCHK& chk, const std::vector<TCHK::RemovedDoodad>& doodads) {
    for (const TCHK::RemovedDoodad& d : doodads) {
        chk.DeleteDoodad(chk.DoodadIndex(d.Record.Key), true);
    }
}

TEditChange UnitsChanged() {
    TEditChange change;
    change.Units = true;
    return change;
}

} // namespace

TEditChange TUnitsAddedEdit::Undo(TCHK& chk) {
    for (auto u = m_units.rbegin(); u != m_units.rend(); ++u) {
        chk.DeleteUnit(chk.UnitIndex(u->Key));
    }
    return UnitsChanged();
}

TEditChange TUnitsAddedEdit::Redo(TCHK& chk) {
    chk.Units.insert(chk.Units.end(), m_units.begin(), m_units.end());
    return UnitsChanged();
}

std::unique_ptr<TUnitsRemovedEdit> TUnitsRemovedEdit::Remove(TCHK& chk, std::vector<int> indices) {
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    auto edit = std::make_unique<TUnitsRemovedEdit>();
    for (int index : indices) {
        if (index >= 0 && static_cast<std::size_t>(index) < chk.Units.size()) {
            edit->m_units.emplace_back(index, chk.Units[static_cast<std::size_t>(index)]);
        }
    }
    if (edit->m_units.empty()) {
        return nullptr;
    }
    edit->Redo(chk);
    return edit;
}

TEditChange TUnitsRemovedEdit::Undo(TCHK& chk) {
    // In increasing order each index is where the unit stood among those before it.
    for (const auto& [index, unit] : m_units) {
        const std::size_t at = std::min(static_cast<std::size_t>(index), chk.Units.size());
        chk.Units.insert(chk.Units.begin() + static_cast<std::ptrdiff_t>(at), unit);
    }
    return UnitsChanged();
}

TEditChange TUnitsRemovedEdit::Redo(TCHK& chk) {
    for (auto u = m_units.rbegin(); u != m_units.rend(); ++u) {
        chk.DeleteUnit(chk.UnitIndex(u->second.Key));
    }
    return UnitsChanged();
}

std::unique_ptr<TDoodadsRemovedEdit> TDoodadsRemovedEdit::Remove(TCHK& chk, std::vector<int> indices) {
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    auto edit = std::make_unique<TDoodadsRemovedEdit>();
    for (auto index = indices.rbegin(); index != indices.rend(); ++index) {
        if (*index >= 0 && static_cast<std::size_t>(*index) < chk.Doodads.size()) {
            edit->m_removed.push_back({*index, chk.Doodads[static_cast<std::size_t>(*index)]});
            chk.DeleteDoodad(*index, true);
        }
    }
    if (edit->m_removed.empty()) {
        return nullptr;
    }
    return edit;
}

TEditChange TDoodadsRemovedEdit::Change(const TCHK& chk) const {
    return DoodadsChange(chk, m_removed);
}

TEditChange TDoodadsRemovedEdit::Undo(TCHK& chk) {
    chk.RestoreDoodads(m_removed);
    return Change(chk);
}

TEditChange TDoodadsRemovedEdit::Redo(TCHK& chk) {
    TakeOut(chk, m_removed);
    return Change(chk);
}

TEditChange TDoodadsAddedEdit::Change(const TCHK& chk) const {
    return DoodadsChange(chk, m_added);
}

TEditChange TDoodadsAddedEdit::Undo(TCHK& chk) {
    TakeOut(chk, m_added);
    return Change(chk);
}

TEditChange TDoodadsAddedEdit::Redo(TCHK& chk) {
    chk.RestoreDoodads(m_added);
    return Change(chk);
}

TEditChange TUnitsChangedEdit::Put(TCHK& chk, bool after) const {
    for (const auto& [before, now] : m_units) {
        const int index = chk.UnitIndex(before.Key);
        if (index >= 0) {
            chk.Units[static_cast<std::size_t>(index)] = after ? now : before;
        }
    }
    TEditChange change;
    change.Units = true;
    return change;
}

TEditChange TUnitsChangedEdit::Undo(TCHK& chk) {
    return Put(chk, false);
}

TEditChange TUnitsChangedEdit::Redo(TCHK& chk) {
    return Put(chk, true);
}

TEditChange TLocationEdit::Undo(TCHK& chk) {
    chk.Locations[static_cast<std::size_t>(m_slot)] = m_before;
    TEditChange change;
    change.Locations = true;
    return change;
}

TEditChange TLocationEdit::Redo(TCHK& chk) {
    chk.Locations[static_cast<std::size_t>(m_slot)] = m_after;
    TEditChange change;
    change.Locations = true;
    return change;
}

std::unique_ptr<TStringsEdit> TStringsEdit::Between(const std::vector<std::string>& before,
                                                    const std::vector<std::string>& after) {
    auto edit = std::make_unique<TStringsEdit>();
    edit->m_sizeBefore = before.size();
    edit->m_sizeAfter = after.size();
    static const std::string kNone;
    for (std::size_t i = 0; i < std::max(before.size(), after.size()); ++i) {
        const std::string& b = i < before.size() ? before[i] : kNone;
        const std::string& a = i < after.size() ? after[i] : kNone;
        if (a != b) {
            edit->m_entries.push_back({i, b, a});
        }
    }
    if (edit->m_entries.empty() && before.size() == after.size()) {
        return nullptr;
    }
    return edit;
}

TEditChange TStringsEdit::Put(TCHK& chk, bool after) const {
    std::vector<std::string>& entries = chk.Strings.Entries;
    entries.resize(std::max({entries.size(), m_sizeBefore, m_sizeAfter}));
    for (const Entry& e : m_entries) {
        entries[e.Index] = after ? e.After : e.Before;
    }
    entries.resize(after ? m_sizeAfter : m_sizeBefore);
    TEditChange change;
    change.Strings = true;
    return change;
}

TEditChange TStringsEdit::Undo(TCHK& chk) {
    return Put(chk, false);
}

TEditChange TStringsEdit::Redo(TCHK& chk) {
    return Put(chk, true);
}

std::size_t TStringsEdit::Bytes() const {
    std::size_t bytes = sizeof(*this);
    for (const Entry& e : m_entries) {
        bytes += sizeof(e) + e.Before.size() + e.After.size();
    }
    return bytes;
}

namespace {

// The settings fields of the record as byte images, in a fixed order.
template <typename F> void ForEachSettingsField(TCHK& chk, F&& f) {
    f(&chk.OwnerTypes, sizeof chk.OwnerTypes);
    f(&chk.Races, sizeof chk.Races);
    f(&chk.Colours, sizeof chk.Colours);
    f(&chk.PlayerForces, sizeof chk.PlayerForces);
    f(&chk.ForceNames, sizeof chk.ForceNames);
    f(&chk.ForceFlags, sizeof chk.ForceFlags);
    f(&chk.Wavs, sizeof chk.Wavs);
    f(&chk.ScenarioName, sizeof chk.ScenarioName);
    f(&chk.ScenarioDescription, sizeof chk.ScenarioDescription);
    f(&chk.Puni, sizeof chk.Puni);
    f(&chk.Upgr, sizeof chk.Upgr);
    f(&chk.Ptec, sizeof chk.Ptec);
    f(&chk.Unis, sizeof chk.Unis);
    f(&chk.Upgs, sizeof chk.Upgs);
    f(&chk.Tecs, sizeof chk.Tecs);
    f(&chk.Pupx, sizeof chk.Pupx);
    f(&chk.Ptex, sizeof chk.Ptex);
    f(&chk.Unix, sizeof chk.Unix);
    f(&chk.Upgx, sizeof chk.Upgx);
    f(&chk.Tecx, sizeof chk.Tecx);
}

} // namespace

std::vector<std::vector<std::uint8_t>> TSettingsEdit::Fields(const TCHK& chk) {
    std::vector<std::vector<std::uint8_t>> fields;
    ForEachSettingsField(const_cast<TCHK&>(chk), [&](const void* data, std::size_t size) {
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        fields.emplace_back(bytes, bytes + size);
    });
    return fields;
}

std::unique_ptr<TSettingsEdit> TSettingsEdit::Between(const std::vector<std::vector<std::uint8_t>>& before,
                                                      const std::set<std::string>& createdBefore,
                                                      const TCHK& after) {
    auto edit = std::unique_ptr<TSettingsEdit>(new TSettingsEdit());
    const auto now = Fields(after);
    for (std::size_t i = 0; i < now.size() && i < before.size(); ++i) {
        if (now[i] != before[i]) {
            edit->m_fields.push_back({i, before[i], now[i]});
        }
    }
    edit->m_createdBefore = createdBefore;
    edit->m_createdAfter = after.CreatedSections();
    if (edit->m_fields.empty() && edit->m_createdBefore == edit->m_createdAfter) {
        return nullptr;
    }
    return edit;
}

TEditChange TSettingsEdit::Put(TCHK& chk, bool after) const {
    std::size_t index = 0;
    auto field = m_fields.begin();
    ForEachSettingsField(chk, [&](void* data, std::size_t size) {
        if (field != m_fields.end() && field->Index == index) {
            const std::vector<std::uint8_t>& bytes = after ? field->After : field->Before;
            std::memcpy(data, bytes.data(), std::min(size, bytes.size()));
            ++field;
        }
        ++index;
    });
    chk.SetCreatedSections(after ? m_createdAfter : m_createdBefore);
    TEditChange change;
    change.Settings = true;
    change.Units = true; // player colours and owners show on the units
    return change;
}

TEditChange TSettingsEdit::Undo(TCHK& chk) {
    return Put(chk, false);
}

TEditChange TSettingsEdit::Redo(TCHK& chk) {
    return Put(chk, true);
}

std::size_t TSettingsEdit::Bytes() const {
    std::size_t bytes = sizeof(*this);
    for (const Field& f : m_fields) {
        bytes += sizeof(f) + f.Before.size() + f.After.size();
    }
    return bytes;
}

TMapShapeEdit::Shape TMapShapeEdit::Shape::Of(const TCHK& chk) {
    Shape s;
    s.Width = chk.Width;
    s.Height = chk.Height;
    s.Era = chk.Era;
    s.TerrainEdited = chk.TerrainEdited();
    s.IsomEdited = chk.IsomEdited();
    s.Terrain = chk.TerrainGrid;
    s.Tiles = chk.TileMap;
    s.Fog = chk.FogGrid;
    if (chk.IsoMap) {
        s.Iso = std::make_shared<const CIsoMap>(*chk.IsoMap);
    }
    s.Anywhere = chk.Locations[kAnywhereSlot];
    return s;
}

std::unique_ptr<TMapShapeEdit> TMapShapeEdit::Between(Shape before, Shape after) {
    if (before.Width == after.Width && before.Height == after.Height && before.Era == after.Era &&
        before.Tiles == after.Tiles && before.Terrain == after.Terrain && before.Fog == after.Fog) {
        return nullptr;
    }
    // What stayed the same is not kept twice: an empty grid is left as it stands.
    if (before.Terrain == after.Terrain) {
        before.Terrain.clear();
        after.Terrain.clear();
    }
    if (before.Fog == after.Fog) {
        before.Fog.clear();
        after.Fog.clear();
    }
    auto edit = std::unique_ptr<TMapShapeEdit>(new TMapShapeEdit());
    edit->m_before = std::move(before);
    edit->m_after = std::move(after);
    return edit;
}

TEditChange TMapShapeEdit::Put(TCHK& chk, const Shape& shape) const {
    chk.Width = shape.Width;
    chk.Height = shape.Height;
    chk.Era = shape.Era;
    chk.SetTerrainEdited(shape.TerrainEdited);
    chk.SetIsomEdited(shape.IsomEdited);
    if (!shape.Terrain.empty()) {
        chk.TerrainGrid = shape.Terrain;
    }
    chk.TileMap = shape.Tiles;
    if (!shape.Fog.empty()) {
        chk.FogGrid = shape.Fog;
    }
    chk.IsoMap = shape.Iso ? std::make_unique<CIsoMap>(*shape.Iso) : nullptr;
    chk.Locations[kAnywhereSlot] = shape.Anywhere;
    TEditChange change;
    change.Shape = true;
    change.Terrain = change.Fog = change.Units = change.Doodads = change.Locations = true;
    change.Cells = {0, 0, 256, 256};
    return change;
}

std::size_t TMapShapeEdit::Bytes() const {
    auto size = [](const Shape& s) {
        return s.Terrain.size() * 2 + s.Tiles.size() * 2 + s.Fog.size() +
               (s.Iso ? sizeof(CIsoMap::Entry) * CIsoMap::kSide * CIsoMap::kSide : 0);
    };
    return sizeof(*this) + size(m_before) + size(m_after);
}

} // namespace orv
