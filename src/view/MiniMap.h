#pragma once

// The mini-map picture: the whole map at one pixel per tile (terrain colours, fog in Fog of
// War mode, a box per unit), shown stretched into a 128 x 128 square with the view rectangle
// and the hover rectangle outlined on the square itself, so that no edge is lost when a
// large map is reduced.

#include "view/MapRenderer.h"
#include "view/Overlays.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

namespace orv {

class CMiniMap {
public:
    static constexpr int kSide = 128;
    static constexpr int kFogOfWarMode = 5;

    struct Rect {
        int Left = 0, Top = 0, Right = 0, Bottom = 0; // right and bottom excluded
        bool operator==(const Rect&) const = default;
    };

    int Width = 0, Height = 0;
    std::vector<std::uint32_t> Base;  // terrain, one pixel per tile (0x00RRGGBB)
    std::vector<std::uint32_t> Image; // terrain, fog and units, one pixel per tile
    // The rectangles Display outlines, in tiles: the view (white) and, while the pointer is
    // over the mini-map, the view a click there would give (green).
    Rect ViewTiles;
    std::optional<Rect> HoverTiles;

    // The terrain layer: each tile's mini-map pixel (tiles without graphics stay as they were).
    void BuildBase(const TCHK& chk, const CStarcraftTileset& tileset);
    // Only the tiles of `rect` again (after an edit there); the whole layer when the map's
    // size changed.
    void BuildBase(const TCHK& chk, const CStarcraftTileset& tileset, const TileRect& rect);
    // Composes Image (terrain, fog in Fog of War mode, unit boxes), takes the view rectangle
    // from `view` and drops the hover rectangle.
    void Draw(const TCHK& chk, const CStarcraftTileset& tileset, const TGameData& data, const ViewState& view,
              int editMode, int currentPlayer);
    // The hover rectangle for a pointer at (x, y) on the 128 x 128 square: the view a click
    // there would give, in tiles.
    static Rect HoverRect(int x, int y, double scale, const ViewState& view);
    // Shows the hover rectangle for a pointer at (x, y) until the next Draw.
    void DrawHover(int x, int y, const ViewState& view);

    // Mini-map pixels per tile: 128 / the longer side.
    double Scale() const { return Width > 0 || Height > 0 ? 128.0 / std::max(Width, Height) : 1.0; }
    // The pixels of the 128 x 128 square that show the tiles of `tiles`, at least one each way.
    Rect ToPixels(const Rect& tiles) const;
    // The 128 x 128 picture shown: the square of the longer side stretched onto it, then the
    // view and hover rectangles outlined one pixel wide.
    std::vector<std::uint32_t> Display() const;

private:
    void Fill(const Rect& rect, std::uint32_t colour);
};

} // namespace orv
