#pragma once

// Units mode: leaving placing, the selected units' menu and properties, deleting them.

#include "tools/ModeTool.h"

namespace orv {

class TUnitTool : public TModeTool {
public:
    // With units selected the menu opens; otherwise the right button ends placing.
    TPopupMenu RightRelease(TToolContext& ctx, const TPointerEvent& event) override;
    void DoubleClick(TToolContext& ctx, TToolReply& reply) override;
    void Choose(TToolContext& ctx, TPopupItem item, TToolReply& reply) override;
    void DeleteSelection(TToolContext& ctx, TToolReply& reply) override;
    void Escape(TToolContext& ctx, TToolReply& reply) override;
};

} // namespace orv
