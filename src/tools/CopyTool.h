#pragma once

// Copy / Paste mode: a left drag selects a rectangle of tiles (a drag along one row or one
// column keeps the rectangle as it was); a right click opens the Copy, Cut, Paste menu. Only
// tiles travel, through the clipboard every map window shares; a paste goes one column left
// and one row up of the tile the menu was opened on, clipped to the map.

#include "tools/ModeTool.h"

namespace orv {

class TCopyTool : public TModeTool {
public:
    void Press(TToolContext& ctx, const TPointerEvent& event, TToolReply& reply) override;
    void LeftRelease(TToolContext& ctx, const TPointerEvent& event, TToolReply& reply) override;
    TPopupMenu RightRelease(TToolContext&, const TPointerEvent&) override { return TPopupMenu::CopyPaste; }
    void Choose(TToolContext& ctx, TPopupItem item, TToolReply& reply) override;

    // The displayed tiles of the rectangle (doodads' tiles as plain tiles).
    static void Copy(const TCHK& chk, const TileRect& tiles, TTileClipboard& clipboard);
    // Cut: copies, then fills the rectangle's terrain with the chosen terrain (even columns
    // its left tile, odd columns its right tile), so that what shows is what is saved.
    static void Cut(TToolContext& ctx, TToolReply& reply);
    static void Paste(TToolContext& ctx, TToolReply& reply);
};

} // namespace orv
