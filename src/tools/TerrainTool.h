#pragma once

// Terrain mode: the brush follows the pointer, a tile whose column is rounded down to an even
// one for the Normal and Rectangular shapes (the tiles they paint come in pairs).

#include "tools/ModeTool.h"

namespace orv {

class TTerrainTool : public TModeTool {
public:
    void Move(TToolContext& ctx, const TPointerEvent& event, TToolReply& reply) override;

    // The tile the brush outline is drawn at for a pointer event.
    static void BrushTile(const TEditState& edit, const TPointerEvent& event, int& column, int& row);
};

} // namespace orv
