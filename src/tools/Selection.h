#pragma once

// What is selected in a map window: units and doodads by their keys (so a selection survives
// deletions, reordering, undo and redo) and one location slot.

#include "scenario/CCHKFile.h"

#include <cstdint>
#include <vector>

namespace orv {

struct TSelection {
    std::vector<std::uint32_t> Units;   // keys
    std::vector<std::uint32_t> Doodads; // keys
    int Location = -1;                  // slot, or -1

    // The selected records that exist, as indices in increasing order.
    std::vector<int> UnitIndices(const TCHK& chk) const;
    std::vector<int> DoodadIndices(const TCHK& chk) const;
    // The unit keys in increasing order (what the renderer looks them up in).
    std::vector<std::uint32_t> SortedUnitKeys() const;
    bool AnyUnit(const TCHK& chk) const { return !UnitIndices(chk).empty(); }
    bool AnyDoodad(const TCHK& chk) const { return !DoodadIndices(chk).empty(); }
    // The selected location when its slot is in use.
    bool HasLocation(const TCHK& chk) const;
};

} // namespace orv
