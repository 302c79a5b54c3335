#pragma once

// The mini-map picture: the whole map at one pixel per tile (terrain colours, fog in Fog of
// War mode, a box per unit, the view rectangle), shown stretched into a 128 x 128 square.

#include "view/MapRenderer.h"
#include "view/Overlays.h"

#include <cstdint>
#include <vector>

namespace orv {

class CMiniMap {
public:
    static constexpr int kSide = 128;
    static constexpr int kFogOfWarMode = 5;

    struct Rect {
        int Left = 0, Top = 0, Right = 0, Bottom = 0; // right and bottom excluded
    };

    int Width = 0, Height = 0;
    std::vector<std::uint32_t> Base;  // terrain, one pixel per tile (0x00RRGGBB)
    std::vector<std::uint32_t> Image; // the composed picture

    // The terrain layer: each tile's mini-map pixel (tiles without graphics stay as they were).
    void BuildBase(const TCHK& chk, const CStarcraftTileset& tileset);
    // Composes Image: terrain, fog (Fog of War mode), unit boxes, the view rectangle.
    void Draw(const TCHK& chk, const CStarcraftTileset& tileset, const TGameData& data, const ViewState& view,
              int editMode, int currentPlayer);
    // The hover rectangle for a pointer at (x, y) on the 128 x 128 square: the view a click
    // there would give, in tiles; drawn in green over the view rectangle.
    static Rect HoverRect(int x, int y, double scale, const ViewState& view);
    void DrawHover(int x, int y, const ViewState& view);

    // Mini-map pixels per tile: 128 / the longer side.
    double Scale() const { return Width > 0 || Height > 0 ? 128.0 / std::max(Width, Height) : 1.0; }
    // The 128 x 128 picture shown: the square of the longer side stretched onto it.
    std::vector<std::uint32_t> Display() const;

    void Outline(const Rect& rect, std::uint32_t colour);

private:
    void Fill(const Rect& rect, std::uint32_t colour);
};

} // namespace orv
