#include "tools/MapTools.h"

#include "terrain/TerrainRules.h"
#include "tools/CopyTool.h"
#include "tools/DoodadTool.h"
#include "tools/LocationTool.h"
#include "tools/RecordEdits.h"
#include "tools/TerrainTool.h"
#include "tools/UnitTool.h"

#include <algorithm>

namespace orv {

TMapTools::TMapTools(TCHK& chk, TEditHistory& history, TEditState& edit, Prompter& prompter)
    : Edit(edit), m_ctx{chk, history, edit, prompter, m_clipboard.get()} {
    chk.AssignKeys();
    m_tools[kModeTerrain] = std::make_unique<TTerrainTool>();
    m_tools[kModeCopyPaste] = std::make_unique<TCopyTool>();
    m_tools[kModeLocations] = std::make_unique<TLocationTool>();
    m_tools[kModeUnits] = std::make_unique<TUnitTool>();
    m_tools[kModeDoodads] = std::make_unique<TDoodadTool>();
    m_tools[kModeFog] = std::make_unique<TFogTool>();
}

TMapTools::~TMapTools() = default;

TToolReply TMapTools::Done(TToolReply reply) {
    if (reply.Change.Any() && OnChange) {
        OnChange(reply.Change);
    }
    return reply;
}

TModeTool& TMapTools::Tool() const {
    return *m_tools[static_cast<std::size_t>(std::clamp(Edit.Mode, 0, 5))];
}

void TMapTools::SetMode(int mode) {
    // A gesture under way ends before the mode changes (a stroke stays one step).
    if (Tool().InGesture()) {
        TToolReply reply;
        const TPointerEvent at =
            TPointerEvent::AtMapPixel(TPointerEvent::Button::Left, Edit.PressX, Edit.PressY, {});
        Tool().LeftRelease(m_ctx, at, reply);
        Done(reply);
    }
    // A location drag is dropped (it changes the record only when released); the caption and
    // the pointer's shape are the new mode's.
    Edit.LocationCreating = Edit.LocationMoving = Edit.LocationResize = Edit.LocationDrag = false;
    Edit.LocationInside = Edit.LocationOverEdge = false;
    Edit.Caption.clear();
    Edit.Cursor = TCursorShape::Arrow;
    Edit.Mode = std::clamp(mode, 0, 5);
    Edit.FogBrushRadius = 1;
}

void TMapTools::SetBrush(int shape, int size) {
    Edit.BrushShape = std::clamp(shape, 1, 3);
    Edit.BrushSize = std::clamp(size, 0, 4);
    Edit.BrushWidth = 2 * Edit.BrushSize + 1;
    Edit.FogBrushRadius = Edit.BrushSize;
}

void TMapTools::SetPlayer(int player) {
    Edit.CurrentPlayer = std::clamp(player, 0, 11);
}

TToolReply TMapTools::Press(const TPointerEvent& event) {
    TToolReply reply;
    Edit.PressX = event.MapX();
    Edit.PressY = event.MapY();
    Edit.LocationResize = false;
    Edit.PressColumn = event.Column();
    Edit.PressRow = event.Row();
    const bool left = event.button == TPointerEvent::Button::Left;
    if (left && (Edit.Mode == kModeUnits || Edit.Mode == kModeDoodads)) {
        Edit.RubberBand = true;
    }
    // While a menu is open from the last right release, a press paints no terrain.
    if (!(Edit.Mode == kModeTerrain && Edit.PopupShown)) {
        Tool().Press(m_ctx, event, reply);
    }
    return Done(reply);
}

TToolReply TMapTools::Move(const TPointerEvent& event) {
    TToolReply reply;
    // The overlay follows the pointer; the mode's tool may put it elsewhere.
    Edit.OverlayX = event.MapX();
    Edit.OverlayY = event.MapY();
    Tool().Move(m_ctx, event, reply);
    return Done(reply);
}

TToolReply TMapTools::Release(const TPointerEvent& event) {
    TToolReply reply;
    Edit.ReleaseX = event.MapX();
    Edit.ReleaseY = event.MapY();
    Edit.RubberBand = false;
    Edit.ReleaseColumn = event.Column();
    Edit.ReleaseRow = event.Row();
    // The release that closes a menu does nothing else; a gesture under way still ends.
    const bool skip = Edit.PopupShown;
    Edit.PopupShown = false;
    if (event.button == TPointerEvent::Button::Left && (!skip || Tool().InGesture())) {
        Tool().LeftRelease(m_ctx, event, reply);
    }
    if (event.button == TPointerEvent::Button::Right) {
        reply.Popup = Tool().RightRelease(m_ctx, event);
        Edit.PopupShown = reply.Popup != TPopupMenu::None;
        reply.Redraw = true;
    }
    Edit.LocationResize = false;
    if (event.button == TPointerEvent::Button::Left) {
        Edit.LocationDrag = false;
    }
    Edit.PressColumn = Edit.PressRow = 0;
    return Done(reply);
}

TToolReply TMapTools::Click(const TPointerEvent&) {
    TToolReply reply;
    m_clickPending = true;
    reply.StartClickTimer = true;
    return Done(reply);
}

TToolReply TMapTools::ClickDue(const TPointerEvent& event) {
    TToolReply reply;
    if (!m_clickPending) {
        return reply;
    }
    m_clickPending = false;
    Edit.ClickX = event.MapX();
    Edit.ClickY = event.MapY();
    Tool().ClickAction(m_ctx, reply);
    return Done(reply);
}

TToolReply TMapTools::DoubleClick(const TPointerEvent&) {
    TToolReply reply;
    m_clickPending = false; // a click still waiting is dropped
    Tool().DoubleClick(m_ctx, reply);
    return Done(reply);
}

TToolReply TMapTools::Choose(TPopupItem item) {
    TToolReply reply;
    Tool().Choose(m_ctx, item, reply);
    return Done(reply);
}

bool TMapTools::IsometricBrushAvailable() {
    // The tileset's rules alone tell (the map's corners are read on the first stroke).
    const CStarcraftTileset* tileset = m_ctx.Chk.TilesetLink;
    if (tileset != m_isoTileset) {
        m_isoTileset = tileset;
        m_isoAvailable = tileset && CTerrainRules(*tileset).IsTree();
    }
    return m_isoAvailable;
}

void TMapTools::ShareClipboard(std::shared_ptr<TTileClipboard> clipboard) {
    if (clipboard) {
        m_clipboard = std::move(clipboard);
        m_ctx.Clipboard = m_clipboard.get();
    }
}

TToolReply TMapTools::DeleteSelection() {
    TToolReply reply;
    if (!InGesture()) {
        Tool().DeleteSelection(m_ctx, reply);
    }
    return Done(reply);
}

TToolReply TMapTools::Escape() {
    TToolReply reply;
    Tool().Escape(m_ctx, reply);
    return Done(reply);
}

bool TMapTools::InGesture() const {
    return std::any_of(m_tools.begin(), m_tools.end(), [](const auto& tool) { return tool->InGesture(); });
}

Result<bool> TMapTools::ApplyLocationProperties(const TLocationProperties& properties) {
    TToolReply reply;
    Result<bool> applied = TLocationTool::ApplyProperties(m_ctx, Edit.Selection.Location, properties, reply);
    Done(reply);
    return applied;
}

TToolReply TMapTools::ApplyUnitProperties(const TUnitProperties& properties) {
    TToolReply reply;
    TUnitTool::ApplyProperties(m_ctx, properties, reply);
    return Done(reply);
}

TToolReply TMapTools::FogAllOn() {
    TToolReply reply;
    if (auto edit = FogAll(m_ctx.Chk, Edit.CurrentPlayer, true)) {
        m_ctx.History.Record("Fog All On", std::move(edit));
        reply.Change.Fog = true;
    }
    return Done(reply);
}

TToolReply TMapTools::FogAllOff() {
    TToolReply reply;
    if (auto edit = FogAll(m_ctx.Chk, Edit.CurrentPlayer, false)) {
        m_ctx.History.Record("Fog All Off", std::move(edit));
        reply.Change.Fog = true;
    }
    return Done(reply);
}

TToolReply TMapTools::AddMapRevealers(int number) {
    TToolReply reply;
    std::vector<UnitRecord> added = orv::AddMapRevealers(m_ctx.Chk, number);
    if (!added.empty()) {
        m_ctx.History.Record("Map Revealers", std::make_unique<TUnitsAddedEdit>(std::move(added)));
        reply.Change.Units = true;
    }
    return Done(reply);
}

TToolReply TMapTools::Undo() {
    TToolReply reply;
    if (!InGesture()) {
        reply.Change = m_ctx.History.Undo(m_ctx.Chk);
    }
    return Done(reply);
}

TToolReply TMapTools::Redo() {
    TToolReply reply;
    if (!InGesture()) {
        reply.Change = m_ctx.History.Redo(m_ctx.Chk);
    }
    return Done(reply);
}

std::vector<UnitRecord> AddMapRevealers(TCHK& chk, int number) {
    // The item "Add for player N" gives them to player N (owner N - 1); every revealer
    // stands inside the map, whatever its width.
    std::vector<UnitRecord> added;
    const int shift = 4 * number;
    for (int x = shift; x < chk.Width * 32; x += 384) {
        for (int y = shift; y < chk.Height * 32; y += 384) {
            if (chk.AddUnit(x, y, number - 1, 101) >= 0) {
                added.push_back(chk.Units.back());
            }
        }
    }
    return added;
}

} // namespace orv
