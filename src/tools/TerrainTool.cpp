#include "tools/TerrainTool.h"

#include "app/Debugunit.h"
#include "graphics/CTileset.h"

#include <span>
#include <string>

namespace orv {

std::uint16_t TerrainVariant(const TCHK& chk, int selectedTerrain) {
    const int group = selectedTerrain / 16 * 16;
    const int value = chk.TilesetLink ? chk.TilesetLink->RandomTileInGroup(group) : group;
    return static_cast<std::uint16_t>(value);
}

void TTerrainTool::BrushTile(const TEditState& edit, const TPointerEvent& event, int& column, int& row) {
    if (edit.BrushShape == 1) {
        // The isometric brush is centred on the diamond nearest to the point.
        CIsoTerrain::NearestDiamond(event.MapX(), event.MapY(), column, row);
        return;
    }
    column = event.Column();
    row = event.Row();
    if (edit.BrushShape != 3) {
        column = event.MapX() / 64 * 2;
    }
}

void TTerrainTool::RectangularBrush(const TCHK& chk, const TEditState& edit, int column, int row,
                                    TTerrainWrite& write) {
    const int n = edit.BrushWidth;
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            const std::uint16_t v = TerrainVariant(chk, edit.SelectedTerrain);
            const int y = row + j - n / 2;
            const int left = column + 2 * i + 1 - n;
            write.Set(left, y, v);
            write.Set(left + 1, y, static_cast<std::uint16_t>(v + 16));
        }
    }
}

void TTerrainTool::SquareBrush(const TCHK& chk, const TEditState& edit, int column, int row,
                               TTerrainWrite& write) {
    const int n = edit.BrushWidth;
    std::uint16_t v = TerrainVariant(chk, edit.SelectedTerrain);
    for (int i = 0; i < n; ++i) {
        const int x = column + i - n / 2;
        for (int j = 0; j < n; ++j) {
            const int y = row + j - n / 2;
            if ((x & 1) == 0) {
                v = TerrainVariant(chk, edit.SelectedTerrain);
                write.Set(x, y, v);
            } else {
                // The right half of the pair begun in the column before (its bottom row's
                // variant), or of the first variant for a leading odd column.
                write.Set(x, y, static_cast<std::uint16_t>(v + 16));
            }
        }
    }
}

TIsoModel* TTerrainTool::IsoModel(const TCHK& chk) {
    if (!chk.TilesetLink) {
        return nullptr;
    }
    if (!m_iso || m_isoTileset != chk.TilesetLink || m_iso->Terrain.Width() != chk.Width ||
        m_iso->Terrain.Height() != chk.Height) {
        m_iso = std::make_shared<TIsoModel>(*chk.TilesetLink, chk.Tileset(), chk.Width, chk.Height);
        m_isoTileset = chk.TilesetLink;
        if (m_iso->Terrain.Available()) {
            m_iso->Terrain.Load(chk.IsoMap.get(), std::span<const std::uint16_t>(chk.TerrainGrid));
        }
    }
    return m_iso->Terrain.Available() ? m_iso.get() : nullptr;
}

void TTerrainTool::IsometricBrush(TToolContext& ctx, const TPointerEvent& event) {
    TIsoModel* model = IsoModel(ctx.Chk);
    if (!model) {
        return;
    }
    const CIsoTerrain::PaintResult result = model->Terrain.Paint(
        ctx.Edit.SelectedTerrain / 32 * 2, event.MapX(), event.MapY(), ctx.Edit.BrushWidth,
        std::span<const std::uint16_t>(ctx.Chk.TerrainGrid), ctx.Chk.IsoMap.get());
    // Cells whose terrain no tile of the tileset draws keep their tiles (maps made elsewhere).
    if (!result.noCandidate.empty()) {
        const CIsoTerrain::Cell& first = result.noCandidate.front();
        DebugLog("Normal brush: no tile fits " + std::to_string(result.noCandidate.size()) +
                 " cell(s), which keep their tiles (the first at column " + std::to_string(first.column) +
                 ", row " + std::to_string(first.row) + ")");
    }
    for (const CIsoTerrain::TileWrite& tile : result.tiles) {
        m_write->Set(tile.column, tile.row, tile.value);
    }
    m_write->AddIso(m_iso, result);
}

void TTerrainTool::Paint(TToolContext& ctx, const TPointerEvent& event, TToolReply& reply) {
    int column = 0, row = 0;
    BrushTile(ctx.Edit, event, column, row);
    if (m_last == std::pair{column, row}) {
        return; // the brush has not moved to another tile
    }
    m_last = {column, row};
    if (ctx.Edit.BrushShape == 1) {
        IsometricBrush(ctx, event);
    } else if (ctx.Edit.BrushShape == 2) {
        RectangularBrush(ctx.Chk, ctx.Edit, column, row, *m_write);
    } else if (ctx.Edit.BrushShape == 3) {
        SquareBrush(ctx.Chk, ctx.Edit, column, row, *m_write);
    }
    reply.Change.Merge(m_write->Apply());
}

void TTerrainTool::Press(TToolContext& ctx, const TPointerEvent& event, TToolReply& reply) {
    if (event.button != TPointerEvent::Button::Left) {
        return;
    }
    m_write = std::make_unique<TTerrainWrite>(ctx.Chk);
    m_last.reset();
    Paint(ctx, event, reply);
}

void TTerrainTool::Move(TToolContext& ctx, const TPointerEvent& event, TToolReply& reply) {
    BrushTile(ctx.Edit, event, ctx.Edit.OverlayX, ctx.Edit.OverlayY);
    if (m_write && event.leftHeld) {
        Paint(ctx, event, reply);
    }
}

void TTerrainTool::LeftRelease(TToolContext& ctx, const TPointerEvent&, TToolReply& reply) {
    if (!m_write) {
        return;
    }
    // The whole drag is one step.
    if (auto edit = m_write->Finish()) {
        ctx.History.Record("Paint Terrain", std::move(edit));
        reply.Change.Terrain = true;
    }
    m_write.reset();
    reply.Redraw = true;
}

} // namespace orv
