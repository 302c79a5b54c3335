#include "tools/TerrainEdit.h"

#include <algorithm>

namespace orv {
namespace {

bool Empty(const TileRect& r) {
    return r.Right <= r.Left || r.Bottom <= r.Top;
}

TileRect Union(const TileRect& a, const TileRect& b) {
    if (Empty(a)) {
        return b;
    }
    if (Empty(b)) {
        return a;
    }
    return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
            std::max(a.Bottom, b.Bottom)};
}

} // namespace

TEditChange TTerrainEdit::Change(const TCHK& chk) const {
    TEditChange change;
    change.Terrain = true;
    change.Cells = m_rect;
    for (const TCHK::RemovedDoodad& removed : m_removed) {
        change.Cells = Union(change.Cells, chk.FootprintRect(removed.Record));
        change.Doodads = true;
    }
    return change;
}

TEditChange TTerrainEdit::Undo(TCHK& chk) {
    for (const CellChange& cell : m_cells) {
        chk.TerrainGrid[cell.Index] = cell.Before;
    }
    if (m_iso.Model) {
        for (auto it = m_iso.Corners.rbegin(); it != m_iso.Corners.rend(); ++it) {
            m_iso.Model->Terrain.SetCorner(it->x, it->y, it->before);
        }
    }
    if (chk.IsoMap) {
        for (auto it = m_iso.Isom.rbegin(); it != m_iso.Isom.rend(); ++it) {
            chk.IsoMap->SetIsom(it->column, it->row, it->before);
        }
    }
    if (!m_iso.Isom.empty()) {
        chk.SetIsomEdited(m_iso.IsomEditedBefore);
    }
    chk.SetTerrainEdited(m_editedBefore);
    chk.RebuildTileMap(m_rect);
    chk.RestoreDoodads(m_removed);
    return Change(chk);
}

TEditChange TTerrainEdit::Redo(TCHK& chk) {
    for (const CellChange& cell : m_cells) {
        chk.TerrainGrid[cell.Index] = cell.After;
    }
    if (m_iso.Model) {
        for (const CIsoTerrain::CornerChange& corner : m_iso.Corners) {
            m_iso.Model->Terrain.SetCorner(corner.x, corner.y, corner.after);
        }
    }
    if (chk.IsoMap) {
        for (const CIsoTerrain::IsomWrite& write : m_iso.Isom) {
            chk.IsoMap->SetIsom(write.column, write.row, write.after);
        }
    }
    if (!m_iso.Isom.empty()) {
        chk.SetIsomEdited(true);
    }
    // The same terrain removes the same doodads again.
    m_removed = chk.TerrainChanged(m_rect);
    return Change(chk);
}

TTerrainWrite::TTerrainWrite(TCHK& chk) : m_chk(chk), m_editedBefore(chk.TerrainEdited()) {}

void TTerrainWrite::Set(int column, int row, std::uint16_t value) {
    if (column < 0 || row < 0 || column >= m_chk.Width || row >= m_chk.Height) {
        return;
    }
    const auto cell = static_cast<std::uint32_t>(m_chk.Cell(column, row));
    std::uint16_t& tile = m_chk.TerrainGrid[cell];
    if (tile == value) {
        return;
    }
    m_before.try_emplace(cell, tile);
    tile = value;
    m_pending = Union(m_pending, TileRect{column, row, column + 1, row + 1});
    m_pendingChange = true;
}

TEditChange TTerrainWrite::Apply() {
    TEditChange change;
    if (!m_pendingChange) {
        return change;
    }
    m_pendingChange = false;
    std::vector<TCHK::RemovedDoodad> removed = m_chk.TerrainChanged(m_pending);
    change.Terrain = true;
    change.Cells = m_pending;
    for (const TCHK::RemovedDoodad& doodad : removed) {
        change.Cells = Union(change.Cells, m_chk.FootprintRect(doodad.Record));
        change.Doodads = true;
    }
    m_removed.insert(m_removed.end(), removed.begin(), removed.end());
    m_touched = Union(m_touched, m_pending);
    m_pending = {0, 0, 0, 0};
    return change;
}

void TTerrainWrite::AddIso(const std::shared_ptr<TIsoModel>& model, const CIsoTerrain::PaintResult& result) {
    if (m_iso.Empty()) {
        m_iso.IsomEditedBefore = m_chk.IsomEdited();
    }
    m_iso.Model = model;
    m_iso.Corners.insert(m_iso.Corners.end(), result.corners.begin(), result.corners.end());
    m_iso.Isom.insert(m_iso.Isom.end(), result.isom.begin(), result.isom.end());
    if (!result.isom.empty()) {
        m_chk.SetIsomEdited(true);
    }
}

std::unique_ptr<TTerrainEdit> TTerrainWrite::Finish() {
    Apply();
    std::vector<TTerrainEdit::CellChange> cells;
    for (const auto& [cell, before] : m_before) {
        if (m_chk.TerrainGrid[cell] != before) {
            cells.push_back({cell, before, m_chk.TerrainGrid[cell]});
        }
    }
    if (cells.empty() && m_removed.empty() && m_iso.Empty()) {
        // Written back to what it was: nothing to keep, not even the painted mark.
        m_chk.SetTerrainEdited(m_editedBefore);
        if (!Empty(m_touched)) {
            m_chk.RebuildTileMap(m_touched);
        }
        return nullptr;
    }
    std::sort(cells.begin(), cells.end(), [](const auto& a, const auto& b) { return a.Index < b.Index; });
    return std::make_unique<TTerrainEdit>(std::move(cells), m_touched, std::move(m_removed), m_editedBefore,
                                          std::move(m_iso));
}

} // namespace orv
