#pragma once

// The edit history of one map: every change to a scenario is a step that can be undone and
// redone. A step gathers the edits of one gesture or command (a whole brush stroke, a menu
// command, a dialog closed with changes); each edit keeps only what it touched, before and
// after, never a copy of the record. Undo and redo swap what an edit recorded and report what
// changed, so the document can update what derives from the record.

#include "scenario/CCHKFile.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orv {

// What an edit changed: the cells of a rectangle (terrain or fog) and which other parts of
// the record.
struct TEditChange {
    TileRect Cells{0, 0, 0, 0}; // empty when no cell changed
    bool Terrain = false;       // the displayed grid and creep of Cells must be rebuilt
    bool Fog = false;
    bool Units = false;
    bool Doodads = false;
    bool Locations = false;
    bool Strings = false;
    bool Settings = false;
    // The map's size or tileset changed: everything shown is drawn anew with the tileset of
    // the record's tileset number.
    bool Shape = false;

    bool Any() const {
        return Terrain || Fog || Units || Doodads || Locations || Strings || Settings || Shape;
    }
    void Merge(const TEditChange& other);
};

class TEdit {
public:
    virtual ~TEdit() = default;
    virtual TEditChange Undo(TCHK& chk) = 0;
    virtual TEditChange Redo(TCHK& chk) = 0;
    // Memory the edit holds, for the history's bound.
    virtual std::size_t Bytes() const = 0;
};

class TEditHistory {
public:
    // Opens a step; the edits added until Commit make it. A step already open is committed.
    void Begin(std::string name);
    void Add(std::unique_ptr<TEdit> edit);
    // Closes the open step; one without edits leaves no trace. Redo steps are dropped.
    void Commit();
    // Undoes what the open step recorded and drops it (a gesture abandoned half-way).
    TEditChange Cancel(TCHK& chk);
    bool InStep() const { return m_open.has_value(); }

    // A whole step: the edits are applied already; the step is committed at once.
    void Record(std::string name, std::unique_ptr<TEdit> edit);

    bool CanUndo() const { return m_position > 0; }
    bool CanRedo() const { return m_position < m_steps.size(); }
    // The names of the steps Undo and Redo would take ("Fog of War"); empty when none.
    std::string UndoName() const;
    std::string RedoName() const;
    TEditChange Undo(TCHK& chk);
    TEditChange Redo(TCHK& chk);

    // The saved position: the map is unchanged since it was saved while the history stands
    // there (undoing back to it counts).
    void MarkSaved() { m_saved = m_position; }
    bool AtSaved() const { return m_saved == m_position && !m_open; }

    // Every step's name, oldest first, and how many of them are done.
    std::vector<std::string> StepNames() const;
    std::size_t Position() const { return m_position; }
    std::size_t Bytes() const;

private:
    struct Step {
        std::string name;
        std::vector<std::unique_ptr<TEdit>> edits;
    };
    std::vector<Step> m_steps;
    std::size_t m_position = 0;
    std::optional<std::size_t> m_saved = 0;
    std::optional<Step> m_open;
};

// The fog bytes of a rectangle before and after an edit.
class TFogEdit : public TEdit {
public:
    TFogEdit(TileRect rect, std::vector<std::uint8_t> before, std::vector<std::uint8_t> after);
    TEditChange Undo(TCHK& chk) override;
    TEditChange Redo(TCHK& chk) override;
    std::size_t Bytes() const override { return m_before.size() + m_after.size() + sizeof(*this); }

private:
    TEditChange Put(TCHK& chk, const std::vector<std::uint8_t>& bytes) const;
    TileRect m_rect;
    std::vector<std::uint8_t> m_before, m_after;
};

} // namespace orv
