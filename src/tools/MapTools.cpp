#include "tools/MapTools.h"

#include <algorithm>

namespace orv {

void TMapTools::SetMode(int mode) {
    Edit.Mode = mode;
    Edit.FogBrushRadius = 1;
}

void TMapTools::SetBrush(int shape, int size) {
    Edit.BrushShape = std::clamp(shape, 1, 3);
    Edit.BrushSize = std::clamp(size, 0, 4);
    Edit.FogBrushRadius = Edit.BrushSize;
}

TEditChange TMapTools::Press(const TPointerEvent& event) {
    TEditChange change;
    if (Edit.Mode == kModeFog && event.button == TPointerEvent::Button::Left) {
        m_fog = std::make_unique<TFogStroke>(m_chk, Edit.CurrentPlayer, Edit.FogBrushRadius);
        m_fog->Paint(event.x / 32, event.y / 32);
        change.Fog = true;
    }
    return change;
}

TEditChange TMapTools::Move(const TPointerEvent& event) {
    TEditChange change;
    if (m_fog && event.leftHeld) {
        m_fog->Paint(event.x / 32, event.y / 32);
        change.Fog = true;
    }
    return change;
}

TEditChange TMapTools::Release(const TPointerEvent& event) {
    TEditChange change;
    if (m_fog && event.button == TPointerEvent::Button::Left) {
        // The whole drag is one step.
        m_history.Record("Fog of War", m_fog->Finish());
        m_fog.reset();
        change.Fog = true;
    }
    return change;
}

TEditChange TMapTools::FogAllOn() {
    TEditChange change;
    if (auto edit = FogAll(m_chk, Edit.CurrentPlayer, true)) {
        m_history.Record("Fog All On", std::move(edit));
        change.Fog = true;
    }
    return change;
}

TEditChange TMapTools::FogAllOff() {
    TEditChange change;
    if (auto edit = FogAll(m_chk, Edit.CurrentPlayer, false)) {
        m_history.Record("Fog All Off", std::move(edit));
        change.Fog = true;
    }
    return change;
}

TEditChange TMapTools::AddMapRevealers(int number) {
    TEditChange change;
    std::vector<UnitRecord> added = orv::AddMapRevealers(m_chk, number);
    if (!added.empty()) {
        m_history.Record("Map Revealers", std::make_unique<TUnitsAddedEdit>(std::move(added)));
        change.Units = true;
    }
    return change;
}

TEditChange TMapTools::Undo() {
    return m_history.Undo(m_chk);
}

TEditChange TMapTools::Redo() {
    return m_history.Redo(m_chk);
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
