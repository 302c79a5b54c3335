#pragma once

// What every mode's tool shares: the state it works on and what it answers. The dispatcher
// (TMapTools) runs the steps every mode shares and hands each pointer event, click, menu
// choice and key to the tool of the current mode.

#include "base/Prompter.h"
#include "scenario/MapText.h"
#include "tools/EditHistory.h"
#include "tools/Placement.h"
#include "tools/PointerEvent.h"
#include "tools/Selection.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orv {

// Edit modes of a map window (the index of its Mode box).
enum EditMode {
    kModeTerrain = 0,
    kModeCopyPaste = 1,
    kModeLocations = 2,
    kModeUnits = 3,
    kModeDoodads = 4,
    kModeFog = 5
};

// The popup menus a right click opens, and their items.
enum class TPopupMenu { None, CopyPaste, Location, Unit, Doodad };
enum class TPopupItem {
    Copy,
    Cut,
    Paste,
    EditLocationProperties,
    DeleteLocation,
    EditUnitProperties,
    DeleteUnit,
    DeleteDoodad
};
// The pointer's shapes over the map.
enum class TCursorShape { Arrow, SizeHorizontal, SizeVertical, SizeNeSw, SizeNwSe, PointingHand };
// Dialogs a tool asks its window to open.
enum class TToolDialog { None, LocationProperties, UnitProperties };

// The edit state of a map window; drawing reads part of it. Points are map pixels.
struct TEditState {
    int Mode = kModeTerrain;
    int CurrentPlayer = 0; // 0 to 11
    int CurrentUnitType = -1;
    int CurrentDoodad = -1;
    int SelectedTerrain = 32; // the chosen terrain's tile value: group x 16 (slot 0)
    TSelection Selection;
    // The Copy / Paste mode's tile rectangle (inclusive).
    TileRect CopyTiles{0, 0, 0, 0};
    bool CopyDrag = false;  // a left drag selecting tiles is under way
    int BrushShape = 1;     // 1 Normal, 2 Rectangular, 3 Square
    int BrushSize = 0;      // the Size box's index, 0 (Small) to 4 (Gargantuan)
    int BrushWidth = 1;     // the isometric brush's width: 1, 3, 5, 7 or 9
    int FogBrushRadius = 1; // tiles each way around the pointer's tile
    // The last press and release (map pixels, and their tiles), and the deferred click.
    int PressX = 0, PressY = 0, ReleaseX = 0, ReleaseY = 0, ClickX = 0, ClickY = 0;
    int PressColumn = 0, PressRow = 0, ReleaseColumn = 0, ReleaseRow = 0;
    bool PopupShown = false; // the last right release opened a menu
    bool RubberBand = false; // a left press in Units or Doodads mode is under way
    // Locations mode: the hover's findings, the gesture under way and the slot selected
    // before the last click (clicks on stacked locations cycle through them).
    bool LocationResize = false;
    bool LocationCreating = false;
    bool LocationMoving = false;
    bool LocationDrag = false;     // the left button is held since a press in Locations mode
    bool LocationCanAdd = false;   // the pointer is over no location
    bool LocationOverEdge = false; // near an edge or corner of the selected location
    bool LocationInside = false;   // well inside the selected location
    int LocationHandle =
        0; // 0 top, 1 bottom, 2 left, 4 right, 8 top-left, 16 top-right, 32 bottom-left, 64 bottom-right
    int MoveStartX = 0, MoveStartY = 0; // map pixels
    int PreviousLocation = -1;
    // The elevations the display shows (Display Options > Locations): hidden locations are
    // not selected.
    std::uint32_t LocationElevationMask = 0xFFFF;
    // The pointer's shape over the map, and the caption the mode shows ("Can add").
    TCursorShape Cursor = TCursorShape::Arrow;
    std::string Caption;
    // The point handed to the overlay pass (a tile in Terrain mode, else the pointer's map
    // pixel) and its value at the last render.
    int OverlayX = 0, OverlayY = 0;
    int LastOverlayX = 0, LastOverlayY = 0;
    // How the map's strings are shown and typed text is written (the user's choice stays).
    TMapText Text;
    // Units and Doodads modes: the main window's placing options, whether the chosen unit
    // fits under the pointer, the doodad cursor and whether the doodad fits there.
    TPlacementOptions Placement;
    bool UnitPlaceable = false;
    TDoodadCursor DoodadCursor;
    bool DoodadPlaceable = false;
    // Half the frame height of a sprite sheet slot (the game data's; 0 without it): a doodad
    // with a sprite stands that much lower than its footprint's centre.
    std::function<int(int sheet)> SheetHalfHeight;
};

// What a tool asks of its window besides the record's change.
struct TToolReply {
    TEditChange Change;                     // what changed in the record
    TPopupMenu Popup = TPopupMenu::None;    // a menu to open at the pointer
    TToolDialog Dialog = TToolDialog::None; // a dialog to open
    bool StartClickTimer = false;           // a single click waits for a possible double click
    bool Redraw = false;                    // the edit state changed what the display shows
    std::string UnitCount;                  // "Number of units: N" after units were placed
};

// Tiles copied in Copy / Paste mode: one clipboard for every map window.
struct TTileClipboard {
    int Tileset = 0;
    std::vector<std::vector<std::uint16_t>> Columns; // [column offset][row offset]
};

struct TToolContext {
    TCHK& Chk;
    TEditHistory& History;
    TEditState& Edit;
    Prompter& Ask;
    TTileClipboard* Clipboard;
};

class TModeTool {
public:
    virtual ~TModeTool() = default;
    // The mode's own press, move and left-release steps.
    virtual void Press(TToolContext&, const TPointerEvent&, TToolReply&) {}
    virtual void Move(TToolContext&, const TPointerEvent&, TToolReply&) {}
    virtual void LeftRelease(TToolContext&, const TPointerEvent&, TToolReply&) {}
    // A right release: the menu to open, if any (the tool may change its state instead).
    virtual TPopupMenu RightRelease(TToolContext&, const TPointerEvent&) { return TPopupMenu::None; }
    // The deferred single click at the click point, and the double click.
    virtual void ClickAction(TToolContext&, TToolReply&) {}
    virtual void DoubleClick(TToolContext&, TToolReply&) {}
    virtual void Choose(TToolContext&, TPopupItem, TToolReply&) {}
    // The Delete key: what the menu's delete item does. Escape: what a right click does to
    // placing.
    virtual void DeleteSelection(TToolContext&, TToolReply&) {}
    virtual void Escape(TToolContext&, TToolReply&) {}
    // A gesture is under way (undo waits for its end).
    virtual bool InGesture() const { return false; }
};

} // namespace orv
