#include "tools/EditHistory.h"

#include <algorithm>

namespace orv {

void TEditChange::Merge(const TEditChange& other) {
    if (other.Cells.Left < other.Cells.Right && other.Cells.Top < other.Cells.Bottom) {
        if (Cells.Left < Cells.Right && Cells.Top < Cells.Bottom) {
            Cells = {std::min(Cells.Left, other.Cells.Left), std::min(Cells.Top, other.Cells.Top),
                     std::max(Cells.Right, other.Cells.Right), std::max(Cells.Bottom, other.Cells.Bottom)};
        } else {
            Cells = other.Cells;
        }
    }
    Terrain = Terrain || other.Terrain;
    Fog = Fog || other.Fog;
    Units = Units || other.Units;
    Doodads = Doodads || other.Doodads;
    Locations = Locations || other.Locations;
    Strings = Strings || other.Strings;
    Settings = Settings || other.Settings;
    Shape = Shape || other.Shape;
}

void TEditHistory::Begin(std::string name) {
    Commit();
    m_open = Step{std::move(name), {}};
}

void TEditHistory::Add(std::unique_ptr<TEdit> edit) {
    if (!edit) {
        return;
    }
    if (!m_open) {
        m_open = Step{};
    }
    m_open->edits.push_back(std::move(edit));
}

void TEditHistory::Commit() {
    if (!m_open) {
        return;
    }
    Step step = std::move(*m_open);
    m_open.reset();
    if (step.edits.empty()) {
        return;
    }
    // A new step after undoing: the undone steps can no longer be redone, and a saved
    // position among them can no longer be reached.
    m_steps.erase(m_steps.begin() + static_cast<std::ptrdiff_t>(m_position), m_steps.end());
    if (m_saved && *m_saved > m_position) {
        m_saved.reset();
    }
    m_steps.push_back(std::move(step));
    ++m_position;
}

TEditChange TEditHistory::Cancel(TCHK& chk) {
    TEditChange change;
    if (m_open) {
        for (auto edit = m_open->edits.rbegin(); edit != m_open->edits.rend(); ++edit) {
            change.Merge((*edit)->Undo(chk));
        }
        m_open.reset();
    }
    return change;
}

void TEditHistory::Record(std::string name, std::unique_ptr<TEdit> edit) {
    Begin(std::move(name));
    Add(std::move(edit));
    Commit();
}

std::string TEditHistory::UndoName() const {
    return CanUndo() ? m_steps[m_position - 1].name : std::string();
}

std::string TEditHistory::RedoName() const {
    return CanRedo() ? m_steps[m_position].name : std::string();
}

TEditChange TEditHistory::Undo(TCHK& chk) {
    Commit();
    TEditChange change;
    if (!CanUndo()) {
        return change;
    }
    --m_position;
    const Step& step = m_steps[m_position];
    for (auto edit = step.edits.rbegin(); edit != step.edits.rend(); ++edit) {
        change.Merge((*edit)->Undo(chk));
    }
    return change;
}

TEditChange TEditHistory::Redo(TCHK& chk) {
    Commit();
    TEditChange change;
    if (!CanRedo()) {
        return change;
    }
    for (const auto& edit : m_steps[m_position].edits) {
        change.Merge(edit->Redo(chk));
    }
    ++m_position;
    return change;
}

std::vector<std::string> TEditHistory::StepNames() const {
    std::vector<std::string> names;
    for (const Step& step : m_steps) {
        names.push_back(step.name);
    }
    return names;
}

std::size_t TEditHistory::Bytes() const {
    std::size_t bytes = 0;
    for (const Step& step : m_steps) {
        bytes += sizeof(Step) + step.name.size();
        for (const auto& edit : step.edits) {
            bytes += edit->Bytes();
        }
    }
    return bytes;
}

TFogEdit::TFogEdit(TileRect rect, std::vector<std::uint8_t> before, std::vector<std::uint8_t> after)
    : m_rect(rect), m_before(std::move(before)), m_after(std::move(after)) {}

TEditChange TFogEdit::Put(TCHK& chk, const std::vector<std::uint8_t>& bytes) const {
    const int width = m_rect.Right - m_rect.Left;
    for (int r = m_rect.Top; r < m_rect.Bottom; ++r) {
        for (int c = m_rect.Left; c < m_rect.Right; ++c) {
            chk.Fog(c, r) = bytes[static_cast<std::size_t>((r - m_rect.Top) * width + (c - m_rect.Left))];
        }
    }
    TEditChange change;
    change.Cells = m_rect;
    change.Fog = true;
    return change;
}

TEditChange TFogEdit::Undo(TCHK& chk) {
    return Put(chk, m_before);
}

TEditChange TFogEdit::Redo(TCHK& chk) {
    return Put(chk, m_after);
}

} // namespace orv
