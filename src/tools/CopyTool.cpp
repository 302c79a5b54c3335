#include "tools/CopyTool.h"

#include "tools/TerrainEdit.h"

#include <algorithm>

namespace orv {

void TCopyTool::Press(TToolContext& ctx, const TPointerEvent& event, TToolReply&) {
    ctx.Edit.CopyDrag = event.button == TPointerEvent::Button::Left;
}

void TCopyTool::LeftRelease(TToolContext& ctx, const TPointerEvent&, TToolReply& reply) {
    ctx.Edit.CopyDrag = false;
    reply.Redraw = true;
    const TEditState& e = ctx.Edit;
    if (e.ReleaseColumn == e.PressColumn || e.ReleaseRow == e.PressRow) {
        return;
    }
    ctx.Edit.CopyTiles = {std::min(e.PressColumn, e.ReleaseColumn), std::min(e.PressRow, e.ReleaseRow),
                          std::max(e.PressColumn, e.ReleaseColumn), std::max(e.PressRow, e.ReleaseRow)};
}

void TCopyTool::Choose(TToolContext& ctx, TPopupItem item, TToolReply& reply) {
    ctx.Edit.PopupShown = false;
    if (item == TPopupItem::Copy) {
        Copy(ctx.Chk, ctx.Edit.CopyTiles, *ctx.Clipboard);
    } else if (item == TPopupItem::Cut) {
        Cut(ctx, reply);
    } else if (item == TPopupItem::Paste) {
        Paste(ctx, reply);
    }
}

void TCopyTool::Copy(const TCHK& chk, const TileRect& tiles, TTileClipboard& clipboard) {
    clipboard.Tileset = chk.Tileset();
    clipboard.Columns.clear();
    for (int c = tiles.Left; c <= tiles.Right; ++c) {
        std::vector<std::uint16_t>& column = clipboard.Columns.emplace_back();
        for (int r = tiles.Top; r <= tiles.Bottom; ++r) {
            // The rectangle comes from the map's own tiles; a cell outside the grid reads 0.
            const bool inside = c >= 0 && r >= 0 && c < kGridSide && r < kGridSide;
            column.push_back(inside ? chk.TileMap[TCHK::Cell(c, r)] : 0);
        }
    }
}

void TCopyTool::Cut(TToolContext& ctx, TToolReply& reply) {
    const TileRect& tiles = ctx.Edit.CopyTiles;
    Copy(ctx.Chk, tiles, *ctx.Clipboard);
    TTerrainWrite write(ctx.Chk);
    const auto v = static_cast<std::uint16_t>(ctx.Edit.SelectedTerrain);
    for (int c = tiles.Left; c <= tiles.Right; ++c) {
        for (int r = tiles.Top; r <= tiles.Bottom; ++r) {
            write.Set(c, r, (c & 1) == 0 ? v : static_cast<std::uint16_t>(v + 16));
        }
    }
    reply.Change.Merge(write.Apply());
    if (auto edit = write.Finish()) {
        ctx.History.Record("Cut", std::move(edit));
    }
}

void TCopyTool::Paste(TToolContext& ctx, TToolReply& reply) {
    const TTileClipboard& clipboard = *ctx.Clipboard;
    if (clipboard.Tileset != ctx.Chk.Tileset()) {
        ctx.Ask.ShowMessage("Cannot use portions of maps with a different tileset [may be added]");
        return;
    }
    const int left = ctx.Edit.ReleaseColumn - 1, top = ctx.Edit.ReleaseRow - 1;
    TTerrainWrite write(ctx.Chk);
    for (std::size_t i = 0; i < clipboard.Columns.size(); ++i) {
        const std::vector<std::uint16_t>& column = clipboard.Columns[i];
        for (std::size_t j = 0; j < column.size(); ++j) {
            write.Set(left + static_cast<int>(i), top + static_cast<int>(j), column[j]);
        }
    }
    if (!clipboard.Columns.empty()) {
        ctx.Edit.CopyTiles = {left, top, left + static_cast<int>(clipboard.Columns.size()) - 1,
                              top + static_cast<int>(clipboard.Columns[0].size()) - 1};
    }
    reply.Change.Merge(write.Apply());
    reply.Redraw = true;
    if (auto edit = write.Finish()) {
        ctx.History.Record("Paste", std::move(edit));
    }
}

} // namespace orv
