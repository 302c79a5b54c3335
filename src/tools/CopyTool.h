#pragma once

// Copy / Paste mode: a right click opens the Copy, Cut, Paste menu.

#include "tools/ModeTool.h"

namespace orv {

class TCopyTool : public TModeTool {
public:
    TPopupMenu RightRelease(TToolContext&, const TPointerEvent&) override { return TPopupMenu::CopyPaste; }
};

} // namespace orv
