#pragma once

// Terrain edits: cells of the terrain grid written by a brush drag, a cut or a paste. The
// displayed grid is rebuilt over what was written, and doodads the new terrain no longer
// suits go with the edit (undo puts them back).

#include "terrain/IsoTerrain.h"
#include "tools/EditHistory.h"

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

namespace orv {

// The isometric brush's model of one map: the tileset's terrain rules and the map's corner
// grid.
struct TIsoModel {
    CTerrainRules Rules;
    CIsoTerrain Terrain;
    TIsoModel(const CStarcraftTileset& tileset, int tilesetNumber, int width, int height)
        : Rules(tileset), Terrain(Rules, tileset, tilesetNumber, width, height) {}
};

// What isometric painting changed besides the tiles: corners of the model and ISOM entries.
struct TIsoChanges {
    std::shared_ptr<TIsoModel> Model;
    std::vector<CIsoTerrain::CornerChange> Corners; // in the order made
    std::vector<CIsoTerrain::IsomWrite> Isom;       // in the order made
    bool IsomEditedBefore = false;
    bool Empty() const { return Corners.empty() && Isom.empty(); }
};

class TTerrainEdit : public TEdit {
public:
    struct CellChange {
        std::uint32_t Index; // the cell of the 256 x 256 grid
        std::uint16_t Before, After;
    };
    TTerrainEdit(std::vector<CellChange> cells, TileRect rect, std::vector<TCHK::RemovedDoodad> removed,
                 bool editedBefore, TIsoChanges iso = {})
        : m_cells(std::move(cells)), m_rect(rect), m_removed(std::move(removed)),
          m_editedBefore(editedBefore), m_iso(std::move(iso)) {}
    TEditChange Undo(TCHK& chk) override;
    TEditChange Redo(TCHK& chk) override;
    std::size_t Bytes() const override {
        return m_cells.size() * sizeof(CellChange) + m_removed.size() * sizeof(m_removed[0]) +
               m_iso.Corners.size() * sizeof(m_iso.Corners[0]) + m_iso.Isom.size() * sizeof(m_iso.Isom[0]) +
               sizeof(*this);
    }

private:
    TEditChange Change(const TCHK& chk) const;
    std::vector<CellChange> m_cells;
    TileRect m_rect;
    std::vector<TCHK::RemovedDoodad> m_removed;
    bool m_editedBefore;
    TIsoChanges m_iso;
};

// Terrain writes gathered into one edit.
class TTerrainWrite {
public:
    explicit TTerrainWrite(TCHK& chk);
    // Writes a tile value at (column, row) of the map; cells outside the map are skipped.
    void Set(int column, int row, std::uint16_t value);
    // Rebuilds the displayed grid over what was written since the last call (removing the
    // doodads the new terrain does not suit) and says what changed.
    TEditChange Apply();
    // What an isometric placement changed in the model and the ISOM store (its tiles come
    // through Set).
    void AddIso(const std::shared_ptr<TIsoModel>& model, const CIsoTerrain::PaintResult& result);
    // Everything written as one edit; null when nothing changed (the record is then as it was).
    std::unique_ptr<TTerrainEdit> Finish();

private:
    TCHK& m_chk;
    bool m_editedBefore;
    std::unordered_map<std::uint32_t, std::uint16_t> m_before; // cell -> its value before
    TileRect m_pending{0, 0, 0, 0}, m_touched{0, 0, 0, 0};
    bool m_pendingChange = false;
    std::vector<TCHK::RemovedDoodad> m_removed;
    TIsoChanges m_iso;
};

} // namespace orv
