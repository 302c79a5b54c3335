#pragma once

// Terrain mode: a left drag paints the chosen terrain with the brush of the current shape,
// one step of the history. The brush follows the pointer: the nearest diamond's centre for
// the isometric (Normal) shape, a tile whose column is rounded down to an even one for the
// Rectangular shape (its tiles come in pairs), the tile itself for the Square shape.
//
// Every terrain group pair draws a left tile (even group 2p) and a right tile (odd group
// 2p + 1) of the same slot, so a left value v always has v + 16 beside it.

#include "tools/ModeTool.h"
#include "tools/TerrainEdit.h"

#include <memory>
#include <optional>
#include <utility>

namespace orv {

class TTerrainTool : public TModeTool {
public:
    void Press(TToolContext& ctx, const TPointerEvent& event, TToolReply& reply) override;
    void Move(TToolContext& ctx, const TPointerEvent& event, TToolReply& reply) override;
    void LeftRelease(TToolContext& ctx, const TPointerEvent& event, TToolReply& reply) override;
    bool InGesture() const override { return m_write != nullptr; }

    // Where the brush outline is drawn for a pointer event: the diamond's centre point (grid
    // point (x, y) is map pixel (64 x, 32 y)) for the Normal shape, else a tile.
    static void BrushTile(const TEditState& edit, const TPointerEvent& event, int& column, int& row);

    // The brushes, writing into `write`: Rectangular covers 2n x n tiles centred on the pair
    // under the point, a variant per pair; Square covers n x n tiles centred on the tile, a
    // variant per even column's tile. Tiles outside the map are skipped one by one.
    static void RectangularBrush(const TCHK& chk, const TEditState& edit, int column, int row,
                                 TTerrainWrite& write);
    static void SquareBrush(const TCHK& chk, const TEditState& edit, int column, int row,
                            TTerrainWrite& write);

    // The isometric brush's model of the map (made on first use); null when the tileset's
    // terrains do not form a tree, so that the brush cannot paint them.
    TIsoModel* IsoModel(const TCHK& chk);

private:
    void Paint(TToolContext& ctx, const TPointerEvent& event, TToolReply& reply);
    void IsometricBrush(TToolContext& ctx, const TPointerEvent& event);
    std::unique_ptr<TTerrainWrite> m_write;
    std::shared_ptr<TIsoModel> m_iso;
    const CStarcraftTileset* m_isoTileset = nullptr;
    std::optional<std::pair<int, int>> m_last; // the tile the brush last painted at
};

// A random drawable variant of the chosen terrain's group (its first tile without a tileset).
std::uint16_t TerrainVariant(const TCHK& chk, int selectedTerrain);

} // namespace orv
