#pragma once

// Edits of the record's lists and slots: units added or removed, doodads removed, a location
// slot changed. Each keeps only the records it touched; units and doodads are found again by
// their keys, so a step stays right whatever was done to the lists around it.

#include "tools/EditHistory.h"

#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace orv {

// Units appended to the list (map revealers, placed units).
class TUnitsAddedEdit : public TEdit {
public:
    explicit TUnitsAddedEdit(std::vector<UnitRecord> units) : m_units(std::move(units)) {}
    TEditChange Undo(TCHK& chk) override;
    TEditChange Redo(TCHK& chk) override;
    std::size_t Bytes() const override { return m_units.size() * sizeof(UnitRecord) + sizeof(*this); }

private:
    std::vector<UnitRecord> m_units;
};

// Units taken out of the list: undo puts each back at its index.
class TUnitsRemovedEdit : public TEdit {
public:
    // Removes the units at `indices` (any order) and records them; null when none exists.
    static std::unique_ptr<TUnitsRemovedEdit> Remove(TCHK& chk, std::vector<int> indices);
    TEditChange Undo(TCHK& chk) override;
    TEditChange Redo(TCHK& chk) override;
    std::size_t Bytes() const override { return m_units.size() * sizeof(m_units[0]) + sizeof(*this); }

private:
    std::vector<std::pair<int, UnitRecord>> m_units; // in increasing index order
};

// Doodads taken out of the list, the displayed grid under them rebuilt: undo puts them and
// their sprite records back.
class TDoodadsRemovedEdit : public TEdit {
public:
    // Removes the doodads at `indices` (any order), the highest index first; null when none exists.
    static std::unique_ptr<TDoodadsRemovedEdit> Remove(TCHK& chk, std::vector<int> indices);
    TEditChange Undo(TCHK& chk) override;
    TEditChange Redo(TCHK& chk) override;
    std::size_t Bytes() const override { return m_removed.size() * sizeof(m_removed[0]) + sizeof(*this); }
    // The doodads and the cells under them.
    TEditChange Change(const TCHK& chk) const;

private:
    std::vector<TCHK::RemovedDoodad> m_removed; // in the order they were removed
};

// Doodads placed (appended to the list, their tiles stamped): undo takes them out again.
class TDoodadsAddedEdit : public TEdit {
public:
    explicit TDoodadsAddedEdit(std::vector<TCHK::RemovedDoodad> added) : m_added(std::move(added)) {}
    TEditChange Undo(TCHK& chk) override;
    TEditChange Redo(TCHK& chk) override;
    std::size_t Bytes() const override { return m_added.size() * sizeof(m_added[0]) + sizeof(*this); }
    TEditChange Change(const TCHK& chk) const;

private:
    std::vector<TCHK::RemovedDoodad> m_added; // each with the index it was placed at
};

// Units changed in place (their properties), found by their keys.
class TUnitsChangedEdit : public TEdit {
public:
    void Add(const UnitRecord& before, const UnitRecord& after) { m_units.emplace_back(before, after); }
    bool Empty() const { return m_units.empty(); }
    TEditChange Undo(TCHK& chk) override;
    TEditChange Redo(TCHK& chk) override;
    std::size_t Bytes() const override { return m_units.size() * sizeof(m_units[0]) + sizeof(*this); }

private:
    TEditChange Put(TCHK& chk, bool after) const;
    std::vector<std::pair<UnitRecord, UnitRecord>> m_units;
};

// A location slot before and after.
class TLocationEdit : public TEdit {
public:
    TLocationEdit(int slot, LocationSlot before, LocationSlot after)
        : m_slot(slot), m_before(before), m_after(after) {}
    TEditChange Undo(TCHK& chk) override;
    TEditChange Redo(TCHK& chk) override;
    std::size_t Bytes() const override { return sizeof(*this); }

private:
    int m_slot;
    LocationSlot m_before, m_after;
};

// String table entries before and after (the entries that differ, and the table's length).
class TStringsEdit : public TEdit {
public:
    // The difference between two versions of the entries; null when there is none.
    static std::unique_ptr<TStringsEdit> Between(const std::vector<std::string>& before,
                                                 const std::vector<std::string>& after);
    TEditChange Undo(TCHK& chk) override;
    TEditChange Redo(TCHK& chk) override;
    std::size_t Bytes() const override;

private:
    struct Entry {
        std::size_t Index = 0;
        std::string Before, After;
    };
    TEditChange Put(TCHK& chk, bool after) const;
    std::size_t m_sizeBefore = 0, m_sizeAfter = 0;
    std::vector<Entry> m_entries;
};

// The map's size and tileset with what they shape: the grids, the isometric store, the
// whole-map location. Only the parts that differ are kept.
class TMapShapeEdit : public TEdit {
public:
    struct Shape {
        int Width = 0, Height = 0;
        std::uint16_t Era = 0;
        bool TerrainEdited = false, IsomEdited = false;
        std::vector<std::uint16_t> Terrain, Tiles;
        std::vector<std::uint8_t> Fog;
        std::shared_ptr<const CIsoMap> Iso;
        LocationSlot Anywhere;
        static Shape Of(const TCHK& chk);
    };
    // Null when the two are the same.
    static std::unique_ptr<TMapShapeEdit> Between(Shape before, Shape after);
    TEditChange Undo(TCHK& chk) override { return Put(chk, m_before); }
    TEditChange Redo(TCHK& chk) override { return Put(chk, m_after); }
    std::size_t Bytes() const override;

private:
    TEditChange Put(TCHK& chk, const Shape& shape) const;
    Shape m_before, m_after;
};

// Settings fields of the record (players, forces, sounds, the settings sections, which
// sections were created), as byte images: only the fields that differ are kept.
class TSettingsEdit : public TEdit {
public:
    static std::vector<std::vector<std::uint8_t>> Fields(const TCHK& chk);
    // Null when nothing differs.
    static std::unique_ptr<TSettingsEdit> Between(const std::vector<std::vector<std::uint8_t>>& before,
                                                  const std::set<std::string>& createdBefore,
                                                  const TCHK& after);
    TEditChange Undo(TCHK& chk) override;
    TEditChange Redo(TCHK& chk) override;
    std::size_t Bytes() const override;

private:
    struct Field {
        std::size_t Index = 0;
        std::vector<std::uint8_t> Before, After;
    };
    std::vector<Field> m_fields;
    std::set<std::string> m_createdBefore, m_createdAfter;
    TEditChange Put(TCHK& chk, bool after) const;
};

} // namespace orv
