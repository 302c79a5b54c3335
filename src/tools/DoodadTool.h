#pragma once

// Doodads mode: with a doodad chosen, the cursor follows the pointer on even columns and a
// click places the doodad where its footprint matches the terrain (one step); every click
// then selects the doodads under it or in the drag. The selected doodads' menu, deleting
// them; the right button or Escape ends placing.

#include "tools/ModeTool.h"

namespace orv {

class TDoodadTool : public TModeTool {
public:
    void Move(TToolContext& ctx, const TPointerEvent& event, TToolReply& reply) override;
    void ClickAction(TToolContext& ctx, TToolReply& reply) override;
    // With doodads selected and none being placed the menu opens; otherwise the right
    // button ends placing and empties the selection.
    TPopupMenu RightRelease(TToolContext& ctx, const TPointerEvent& event) override;
    void Choose(TToolContext& ctx, TPopupItem item, TToolReply& reply) override;
    void DeleteSelection(TToolContext& ctx, TToolReply& reply) override;
    void Escape(TToolContext& ctx, TToolReply& reply) override;

    // Half the frame height of the current doodad's sprite (0 without one).
    static int HalfHeight(const TToolContext& ctx, int doodad);
    // The cursor and whether the doodad fits there, for the pointer at map pixel (x, y).
    static void Aim(TToolContext& ctx, int x, int y);
};

} // namespace orv
