#pragma once

// Locations mode: the selected location's menu and properties, and deleting it.

#include "tools/ModeTool.h"

namespace orv {

class TLocationTool : public TModeTool {
public:
    // The menu opens when the right release lies strictly inside the selected location.
    TPopupMenu RightRelease(TToolContext& ctx, const TPointerEvent& event) override;
    void DoubleClick(TToolContext& ctx, TToolReply& reply) override;
    void Choose(TToolContext& ctx, TPopupItem item, TToolReply& reply) override;
    void DeleteSelection(TToolContext& ctx, TToolReply& reply) override;
};

} // namespace orv
