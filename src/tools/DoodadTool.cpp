#include "tools/DoodadTool.h"

#include "tools/RecordEdits.h"

namespace orv {

TPopupMenu TDoodadTool::RightRelease(TToolContext& ctx, const TPointerEvent&) {
    if (ctx.Edit.Selection.AnyDoodad(ctx.Chk) && ctx.Edit.CurrentDoodad == -1) {
        return TPopupMenu::Doodad;
    }
    ctx.Edit.CurrentDoodad = -1;
    ctx.Edit.Selection.Doodads.clear();
    return TPopupMenu::None;
}

void TDoodadTool::Choose(TToolContext& ctx, TPopupItem item, TToolReply& reply) {
    if (item == TPopupItem::DeleteDoodad) {
        DeleteSelection(ctx, reply);
    }
}

void TDoodadTool::DeleteSelection(TToolContext& ctx, TToolReply& reply) {
    if (auto edit = TDoodadsRemovedEdit::Remove(ctx.Chk, ctx.Edit.Selection.DoodadIndices(ctx.Chk))) {
        reply.Change.Merge(edit->Change(ctx.Chk));
        ctx.History.Record("Delete Doodad", std::move(edit));
    }
    ctx.Edit.Selection.Doodads.clear();
}

void TDoodadTool::Escape(TToolContext& ctx, TToolReply& reply) {
    ctx.Edit.CurrentDoodad = -1;
    ctx.Edit.Selection.Doodads.clear();
    reply.Redraw = true;
}

} // namespace orv
