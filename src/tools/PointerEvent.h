#pragma once

// A pointer event of a map display as the tools take it: the button, the buttons and keys
// held, the point in the display's own pixels and the view it was made in. Every tool turns
// the point into a tile or a map pixel the same way, at every zoom level.

#include <algorithm>
#include <cstdint>

namespace orv {

// What the display showed: screen pixels per map tile and the tile at its top-left corner.
struct TPointerView {
    int TileScreenSize = 32;
    int ScrollTileX = 0, ScrollTileY = 0;
};

struct TPointerEvent {
    enum class Button { None, Left, Right, Middle };
    Button button = Button::None; // the button pressed or released; None for a move
    bool leftHeld = false, rightHeld = false;
    bool shift = false, ctrl = false, alt = false;
    int x = 0, y = 0; // the point in the display (client pixels)
    TPointerView view;

    // The tile under the point: column x div T + scroll (division truncates toward zero).
    int Column() const { return x / Size() + view.ScrollTileX; }
    int Row() const { return y / Size() + view.ScrollTileY; }
    // The map pixel under the point.
    int MapX() const { return Clamp(std::int64_t{view.ScrollTileX} * 32 + std::int64_t{x} * 32 / Size()); }
    int MapY() const { return Clamp(std::int64_t{view.ScrollTileY} * 32 + std::int64_t{y} * 32 / Size()); }

    // An event at a map pixel in a view at 100% whose top-left tile is `view`'s.
    static TPointerEvent AtMapPixel(Button button, int mapX, int mapY, TPointerView view) {
        TPointerEvent event;
        event.button = button;
        event.view = view;
        event.view.TileScreenSize = 32;
        event.x = mapX - view.ScrollTileX * 32;
        event.y = mapY - view.ScrollTileY * 32;
        return event;
    }

private:
    int Size() const { return std::max(1, view.TileScreenSize); }
    static int Clamp(std::int64_t v) {
        return static_cast<int>(std::clamp<std::int64_t>(v, -(1 << 24), 1 << 24));
    }
};

} // namespace orv
