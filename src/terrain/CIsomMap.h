#pragma once

// The scenario's isometric terrain values (the ISOM section), held cell by cell exactly as
// read so that the writer gives them back unchanged. A W x H map has (W / 2 + 1) x (H + 1)
// entries of four u16 values.

#include <array>
#include <cstdint>
#include <vector>

namespace orv {

class CIsoMap {
public:
    using Entry = std::array<std::uint8_t, 8>;
    static constexpr int kSide = 257;

    CIsoMap(int width, int height);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int Columns() const { return m_width / 2 + 1; }
    int Rows() const { return m_height + 1; }

    // Cells outside 0..256 are ignored / read as zero.
    void SetIsom(int column, int row, const Entry& entry);
    Entry GetIsom(int column, int row) const;

private:
    int m_width;
    int m_height;
    std::vector<Entry> m_cells; // [column * kSide + row]
};

} // namespace orv
