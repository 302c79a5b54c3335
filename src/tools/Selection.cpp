#include "tools/Selection.h"

#include <algorithm>

namespace orv {
namespace {

template <typename Lookup> std::vector<int> Indices(const std::vector<std::uint32_t>& keys, Lookup lookup) {
    std::vector<int> indices;
    for (std::uint32_t key : keys) {
        if (const int index = lookup(key); index >= 0) {
            indices.push_back(index);
        }
    }
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    return indices;
}

} // namespace

std::vector<int> TSelection::UnitIndices(const TCHK& chk) const {
    return Indices(Units, [&](std::uint32_t key) { return chk.UnitIndex(key); });
}

std::vector<int> TSelection::DoodadIndices(const TCHK& chk) const {
    return Indices(Doodads, [&](std::uint32_t key) { return chk.DoodadIndex(key); });
}

std::vector<std::uint32_t> TSelection::SortedUnitKeys() const {
    std::vector<std::uint32_t> keys = Units;
    std::sort(keys.begin(), keys.end());
    return keys;
}

bool TSelection::HasLocation(const TCHK& chk) const {
    return Location >= 0 && Location < kLocationSlots &&
           chk.Locations[static_cast<std::size_t>(Location)].InUse;
}

} // namespace orv
