#include "terrain/CIsomMap.h"

namespace orv {

CIsoMap::CIsoMap(int width, int height)
    : m_width(width), m_height(height), m_cells(static_cast<std::size_t>(kSide * kSide), Entry{}) {}

void CIsoMap::SetIsom(int column, int row, const Entry& entry) {
    if (column >= 0 && row >= 0 && column < kSide && row < kSide) {
        m_cells[static_cast<std::size_t>(column * kSide + row)] = entry;
    }
}

CIsoMap::Entry CIsoMap::GetIsom(int column, int row) const {
    if (column >= 0 && row >= 0 && column < kSide && row < kSide) {
        return m_cells[static_cast<std::size_t>(column * kSide + row)];
    }
    return {};
}

} // namespace orv
