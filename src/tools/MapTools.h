#pragma once

// The editing tools of a map, without a window: the edit state (mode, player, brush), the
// mode dispatcher that runs the press, move and release steps every mode shares and hands
// the rest to the current mode's tool, the deferred single click that a double click
// cancels, the popup menus, the keys, and the menu commands. Every change to the record is
// one step of the map's edit history. The map window translates its events into pointer
// events and shows what the replies ask for; `orvistad-cli edit` and the tests drive the
// same tools.

#include "tools/EditHistory.h"
#include "tools/FogTool.h"
#include "tools/LocationTool.h"
#include "tools/ModeTool.h"
#include "tools/UnitTool.h"

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orv {

class TMapTools {
public:
    // A single click waits this long for a double click before it is acted on.
    static constexpr int kClickDelayMs = 25;

    // The edit state is the window's (drawing reads it); the tools change it.
    TMapTools(TCHK& chk, TEditHistory& history, TEditState& edit, Prompter& prompter);
    ~TMapTools();
    TMapTools(const TMapTools&) = delete;
    TMapTools& operator=(const TMapTools&) = delete;

    TEditState& Edit;
    const TCHK& Scenario() const { return m_ctx.Chk; }
    // For changes made beside the tools (the scenario settings), which tell them through
    // Changed as the tools tell theirs.
    TCHK& Record() { return m_ctx.Chk; }
    TEditHistory& History() { return m_ctx.History; }
    void Changed(const TEditChange& change) {
        if (change.Any() && OnChange) {
            OnChange(change);
        }
    }
    // Told of every change to the record, once per event or command (the document listens).
    std::function<void(const TEditChange&)> OnChange;

    // A new mode (a gesture under way ends first): the fog brush goes back to radius 1 (the window's Size box
    // shows "Medium"; the isometric brush keeps its width).
    void SetMode(int mode);
    // The brush boxes changed: shape (1 to 3) and size index (0 to 4).
    void SetBrush(int shape, int size);
    void SetPlayer(int player);

    // The pointer on the map display.
    TToolReply Press(const TPointerEvent& event);
    TToolReply Move(const TPointerEvent& event);
    TToolReply Release(const TPointerEvent& event);
    // A left click: acted on only when the click timer fires (ClickDue) with no double click
    // before it. ClickDue takes the pointer's point at that moment.
    TToolReply Click(const TPointerEvent& event);
    TToolReply ClickDue(const TPointerEvent& event);
    bool ClickPending() const { return m_clickPending; }
    TToolReply DoubleClick(const TPointerEvent& event);
    // An item of the menu a reply asked for.
    TToolReply Choose(TPopupItem item);
    // The tiles Copy / Paste mode copies: the window's own until the program shares one
    // between all its windows.
    void ShareClipboard(std::shared_ptr<TTileClipboard> clipboard);
    const TTileClipboard& Clipboard() const { return *m_clipboard; }
    // The Delete key removes the selection of the current mode; Escape leaves placing.
    TToolReply DeleteSelection();
    TToolReply Escape();
    // A gesture is under way (undo and redo wait for its end).
    bool InGesture() const;

    // Whether the isometric (Normal) brush can paint this map's tileset (its terrains form a
    // tree).
    bool IsometricBrushAvailable();

    // The selected location's properties (the dialog's OK, a script's line) as one step: an
    // error names the value refused; false when the user stopped at the encoding question.
    Result<bool> ApplyLocationProperties(const TLocationProperties& properties);

    // The unit properties dialog's values written into every selected unit, one step.
    TToolReply ApplyUnitProperties(const TUnitProperties& properties);

    // The menu commands, each one step ("Fog All On", "Map Revealers").
    TToolReply FogAllOn();
    TToolReply FogAllOff();
    TToolReply AddMapRevealers(int number);
    TToolReply Undo();
    TToolReply Redo();

private:
    TModeTool& Tool() const;
    TToolReply Done(TToolReply reply);
    std::shared_ptr<TTileClipboard> m_clipboard = std::make_shared<TTileClipboard>();
    TToolContext m_ctx;
    std::array<std::unique_ptr<TModeTool>, 6> m_tools;
    bool m_clickPending = false;
    const CStarcraftTileset* m_isoTileset = nullptr;
    bool m_isoAvailable = false;
};

// One map revealer (unit type 101) of player `number` (1 to 8, owner number - 1) every 12
// tiles each way inside the map, shifted by 4 x number pixels; returns the units added.
std::vector<UnitRecord> AddMapRevealers(TCHK& chk, int number);

} // namespace orv
