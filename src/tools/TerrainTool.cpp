#include "tools/TerrainTool.h"

namespace orv {

void TTerrainTool::BrushTile(const TEditState& edit, const TPointerEvent& event, int& column, int& row) {
    column = event.Column();
    row = event.Row();
    if (edit.BrushShape != 3) {
        column = event.MapX() / 64 * 2;
    }
}

void TTerrainTool::Move(TToolContext& ctx, const TPointerEvent& event, TToolReply&) {
    BrushTile(ctx.Edit, event, ctx.Edit.OverlayX, ctx.Edit.OverlayY);
}

} // namespace orv
