#include "tools/RecordEdits.h"

#include <algorithm>

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

} // namespace orv
