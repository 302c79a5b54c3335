#pragma once

// Fog of War painting. The fog grid holds one byte per tile, bit p for player p + 1. A stroke
// flips the current player's bit: begun on a tile where that bit is clear it sets the bit
// under the whole stroke, else it clears it; the other players' bits stay as they are.
// Players 9 to 12 have no bit: their strokes change nothing.

#include "tools/EditHistory.h"
#include "tools/ModeTool.h"

#include <memory>
#include <optional>
#include <unordered_map>

namespace orv {

// The fog bit of a player index (0 to 11); 0 for players 9 to 12.
std::uint8_t FogBit(int player);

class TFogStroke {
public:
    // `radius`: the square painted around each tile reaches this many tiles each way.
    TFogStroke(TCHK& chk, int player, int radius);
    // Paints the square around a tile, limited to the map. The first tile decides whether
    // the stroke sets or clears the bit.
    void Paint(int column, int row);
    // The stroke as one edit of the rectangle it touched; null when it changed nothing.
    std::unique_ptr<TFogEdit> Finish();

private:
    TCHK& m_chk;
    std::uint8_t m_bit;
    int m_radius;
    std::optional<bool> m_set;
    std::unordered_map<std::size_t, std::uint8_t> m_before; // cell -> its byte before the stroke
    TileRect m_touched{0, 0, 0, 0};
};

// Fog of War mode: a left drag is one stroke, one step of the history.
class TFogTool : public TModeTool {
public:
    void Press(TToolContext& ctx, const TPointerEvent& event, TToolReply& reply) override;
    void Move(TToolContext& ctx, const TPointerEvent& event, TToolReply& reply) override;
    void LeftRelease(TToolContext& ctx, const TPointerEvent& event, TToolReply& reply) override;
    bool InGesture() const override { return m_stroke != nullptr; }

private:
    std::unique_ptr<TFogStroke> m_stroke;
};

// Sets (`on`) or clears the player's bit on every tile of the map; returns the edit, or null
// when nothing changed.
std::unique_ptr<TFogEdit> FogAll(TCHK& chk, int player, bool on);

} // namespace orv
