#include "tools/LocationTool.h"

#include "tools/RecordEdits.h"

#include <algorithm>

namespace orv {

TPopupMenu TLocationTool::RightRelease(TToolContext& ctx, const TPointerEvent& event) {
    if (!ctx.Edit.Selection.HasLocation(ctx.Chk)) {
        return TPopupMenu::None;
    }
    const LocationSlot& l = ctx.Chk.Locations[static_cast<std::size_t>(ctx.Edit.Selection.Location)];
    const std::int64_t x = event.MapX(), y = event.MapY();
    const bool inside =
        x > std::min<std::int64_t>(l.Left, l.Right) && x < std::max<std::int64_t>(l.Left, l.Right) &&
        y > std::min<std::int64_t>(l.Top, l.Bottom) && y < std::max<std::int64_t>(l.Top, l.Bottom);
    return inside ? TPopupMenu::Location : TPopupMenu::None;
}

void TLocationTool::DoubleClick(TToolContext& ctx, TToolReply& reply) {
    if (ctx.Edit.Selection.HasLocation(ctx.Chk)) {
        reply.Dialog = TToolDialog::LocationProperties;
    }
}

void TLocationTool::Choose(TToolContext& ctx, TPopupItem item, TToolReply& reply) {
    if (item == TPopupItem::EditLocationProperties) {
        DoubleClick(ctx, reply);
    } else if (item == TPopupItem::DeleteLocation) {
        DeleteSelection(ctx, reply);
    }
}

void TLocationTool::DeleteSelection(TToolContext& ctx, TToolReply& reply) {
    const int slot = ctx.Edit.Selection.Location;
    if (!ctx.Edit.Selection.HasLocation(ctx.Chk) || slot == kAnywhereSlot) {
        return;
    }
    // The slot is freed; its name stays in the string table.
    const LocationSlot before = ctx.Chk.Locations[static_cast<std::size_t>(slot)];
    ctx.Chk.DeleteLocation(slot);
    auto edit =
        std::make_unique<TLocationEdit>(slot, before, ctx.Chk.Locations[static_cast<std::size_t>(slot)]);
    ctx.History.Record("Delete Location", std::move(edit));
    ctx.Edit.Selection.Location = -1;
    reply.Change.Locations = true;
}

} // namespace orv
