#pragma once

// Doodads mode: leaving placing, the selected doodads' menu, deleting them.

#include "tools/ModeTool.h"

namespace orv {

class TDoodadTool : public TModeTool {
public:
    // With doodads selected and none being placed the menu opens; otherwise the right
    // button ends placing and empties the selection.
    TPopupMenu RightRelease(TToolContext& ctx, const TPointerEvent& event) override;
    void Choose(TToolContext& ctx, TPopupItem item, TToolReply& reply) override;
    void DeleteSelection(TToolContext& ctx, TToolReply& reply) override;
    void Escape(TToolContext& ctx, TToolReply& reply) override;
};

} // namespace orv
