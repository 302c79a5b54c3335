#pragma once

// The editing tools of a map, without a window: the edit state (mode, player, brush), the
// pointer gestures of each mode and the menu commands, each turned into one step of the
// map's edit history. The map window translates its mouse events into pointer events and
// shows what changed; `orvistad-cli edit` and the tests drive the same tools.

#include "tools/EditHistory.h"
#include "tools/FogTool.h"

#include <memory>
#include <string>
#include <vector>

namespace orv {

// Edit modes of a map window.
enum EditMode {
    kModeTerrain = 0,
    kModeCopyPaste = 1,
    kModeLocations = 2,
    kModeUnits = 3,
    kModeDoodads = 4,
    kModeFog = 5
};

// The edit state of a map window. Drawing reads part of it.
struct TEditState {
    int Mode = kModeTerrain;
    int CurrentPlayer = 0;
    int CurrentUnitType = -1;
    int CurrentDoodad = -1;
    int SelectedLocation = -1;
    std::vector<int> SelectedDoodads;
    int BrushShape = 1;     // 1 Normal, 2 Rectangular, 3 Square
    int BrushSize = 1;      // the Size box's index, 0 (Small) to 4 (Gargantuan)
    int FogBrushRadius = 1; // tiles each way around the pointer's tile
    // The point handed to the overlay pass (its unit depends on the mode) and its value at
    // the last render.
    int OverlayX = 0, OverlayY = 0;
    int LastOverlayX = 0, LastOverlayY = 0;
};

// A pointer event in map pixels.
struct TPointerEvent {
    enum class Button { None, Left, Right, Middle };
    Button button = Button::None; // the button pressed or released
    bool leftHeld = false;        // the left button is down (for moves)
    int x = 0, y = 0;
};

class TMapTools {
public:
    // The edit state is the window's (drawing reads it); the tools change it.
    TMapTools(TCHK& chk, TEditHistory& history, TEditState& edit)
        : Edit(edit), m_chk(chk), m_history(history) {}

    TEditState& Edit;

    // A new mode: the fog brush goes back to radius 1 (the window's Size box shows "Medium";
    // the terrain brush keeps its size).
    void SetMode(int mode);
    // The brush boxes changed: the fog brush radius follows the size.
    void SetBrush(int shape, int size);

    // The pointer gestures. Each returns what changed in the record (nothing yet while a
    // gesture is under way, except the cells painted so far).
    TEditChange Press(const TPointerEvent& event);
    TEditChange Move(const TPointerEvent& event);
    TEditChange Release(const TPointerEvent& event);
    bool InGesture() const { return m_fog != nullptr; }

    // The menu commands, each one step ("Fog All On", "Map Revealers").
    TEditChange FogAllOn();
    TEditChange FogAllOff();
    TEditChange AddMapRevealers(int number);
    TEditChange Undo();
    TEditChange Redo();

private:
    TCHK& m_chk;
    TEditHistory& m_history;
    std::unique_ptr<TFogStroke> m_fog;
};

// One map revealer (unit type 101) of player `number` (1 to 8, owner number - 1) every 12
// tiles each way inside the map, shifted by 4 x number pixels; returns the units added.
std::vector<UnitRecord> AddMapRevealers(TCHK& chk, int number);

} // namespace orv
