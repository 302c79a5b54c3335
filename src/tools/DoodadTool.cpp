#include "tools/DoodadTool.h"

#include "graphics/CTileset.h"
#include "tools/RecordEdits.h"

namespace orv {

int TDoodadTool::HalfHeight(const TToolContext& ctx, int doodad) {
    if (!ctx.Chk.TilesetLink || doodad < 0 || doodad >= kDoodadCount || !ctx.Edit.SheetHalfHeight) {
        return 0;
    }
    const int sheet = ctx.Chk.TilesetLink->DoodadInfo(doodad).SheetIndex;
    return sheet != 0 ? ctx.Edit.SheetHalfHeight(sheet) : 0;
}

void TDoodadTool::Aim(TToolContext& ctx, int x, int y) {
    TEditState& e = ctx.Edit;
    if (e.CurrentDoodad < 0) {
        e.DoodadPlaceable = false;
        return;
    }
    e.DoodadCursor = DoodadCursorAt(ctx.Chk, e.CurrentDoodad, x, y, HalfHeight(ctx, e.CurrentDoodad));
    e.DoodadPlaceable = CanPlaceDoodad(ctx.Chk, e.CurrentDoodad, e.DoodadCursor);
}

void TDoodadTool::Move(TToolContext& ctx, const TPointerEvent& event, TToolReply&) {
    Aim(ctx, event.MapX(), event.MapY());
}

void TDoodadTool::ClickAction(TToolContext& ctx, TToolReply& reply) {
    TEditState& e = ctx.Edit;
    if (e.CurrentDoodad >= 0) {
        Aim(ctx, e.ClickX, e.ClickY);
        if (e.DoodadPlaceable) {
            e.DoodadPlaceable = false;
            const TMapPoint at =
                DoodadPosition(ctx.Chk, e.CurrentDoodad, e.DoodadCursor, HalfHeight(ctx, e.CurrentDoodad));
            // The doodad is recorded only when it stayed (the display's rebuild keeps a
            // doodad only where its terrain matches).
            const int index = ctx.Chk.DoodadIndex(ctx.Chk.AddDoodad(at.X, at.Y, e.CurrentDoodad));
            if (index >= 0) {
                auto edit = std::make_unique<TDoodadsAddedEdit>(std::vector<TCHK::RemovedDoodad>{
                    {index, ctx.Chk.Doodads[static_cast<std::size_t>(index)]}});
                reply.Change.Merge(edit->Change(ctx.Chk));
                ctx.History.Record("Place Doodad", std::move(edit));
            }
        }
    }
    // Every click selects what it covers, the doodad just placed included.
    e.Selection.Doodads.clear();
    for (int index :
         DoodadsInRect(ctx.Chk, TSelectRect::Between(e.PressX, e.PressY, e.ReleaseX, e.ReleaseY))) {
        e.Selection.Doodads.push_back(ctx.Chk.Doodads[static_cast<std::size_t>(index)].Key);
    }
    reply.Redraw = true;
}

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
