#include "tools/UnitTool.h"

#include "tools/RecordEdits.h"

namespace orv {

TPopupMenu TUnitTool::RightRelease(TToolContext& ctx, const TPointerEvent&) {
    if (ctx.Edit.Selection.AnyUnit(ctx.Chk)) {
        return TPopupMenu::Unit;
    }
    ctx.Edit.CurrentUnitType = -1;
    return TPopupMenu::None;
}

void TUnitTool::DoubleClick(TToolContext& ctx, TToolReply& reply) {
    if (ctx.Edit.Selection.AnyUnit(ctx.Chk)) {
        reply.Dialog = TToolDialog::UnitProperties;
    }
}

void TUnitTool::Choose(TToolContext& ctx, TPopupItem item, TToolReply& reply) {
    if (item == TPopupItem::EditUnitProperties) {
        DoubleClick(ctx, reply);
    } else if (item == TPopupItem::DeleteUnit) {
        DeleteSelection(ctx, reply);
    }
}

void TUnitTool::DeleteSelection(TToolContext& ctx, TToolReply& reply) {
    if (auto edit = TUnitsRemovedEdit::Remove(ctx.Chk, ctx.Edit.Selection.UnitIndices(ctx.Chk))) {
        ctx.History.Record("Delete Unit", std::move(edit));
        reply.Change.Units = true;
    }
}

void TUnitTool::Escape(TToolContext& ctx, TToolReply& reply) {
    ctx.Edit.CurrentUnitType = -1;
    reply.Redraw = true;
}

} // namespace orv
