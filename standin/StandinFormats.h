#pragma once

// Writers of the game's file formats, used by the stand-in data generator: the
// structure-of-arrays rule tables, string tables, GRP sprite sheets and PCX colour rows.

#include <cstdint>
#include <string>
#include <vector>

namespace orv::standin {

// A rule table: parallel arrays stored one after the other, each indexed by entry.
class DatTable {
public:
    explicit DatTable(std::size_t size) : m_bytes(size, 0) {}
    void Set8(std::size_t arrayOffset, std::size_t index, std::uint32_t value);
    void Set16(std::size_t arrayOffset, std::size_t index, std::uint32_t value);
    void Set32(std::size_t arrayOffset, std::size_t index, std::uint32_t value);
    const std::vector<std::uint8_t>& bytes() const { return m_bytes; }

private:
    void Put(std::size_t at, std::uint32_t value, int size);
    std::vector<std::uint8_t> m_bytes;
};

// u16 count, u16 offsets from the start of the file, then each string and its NUL.
std::vector<std::uint8_t> EncodeStringTable(const std::vector<std::string>& strings);

// One frame on a sheet's canvas: palette indices, -1 where transparent.
struct Canvas {
    int width = 0;
    int height = 0;
    std::vector<int> pixels;

    Canvas(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w * h), -1) {}
    int& at(int x, int y) { return pixels[static_cast<std::size_t>(y * width + x)]; }
    int get(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
    void set(int x, int y, int v) {
        if (x >= 0 && y >= 0 && x < width && y < height) {
            at(x, y) = v;
        }
    }
};

// A GRP sheet: each canvas becomes one frame cut to its drawn pixels; rows are coded with
// skip, repeat and copy commands behind a row-offset table.
std::vector<std::uint8_t> EncodeGrp(const std::vector<Canvas>& frames);

// An 8-bit, run-length coded PCX image one pixel high, with its 256-colour palette.
std::vector<std::uint8_t> EncodePcxRow(const std::vector<std::uint8_t>& values);

// A small deterministic generator (splitmix64), so the stand-in data never changes.
class Random {
public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t next();
    int below(int n) { return n <= 0 ? 0 : static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
    int range(int lo, int hi) { return lo + below(hi - lo + 1); }

private:
    std::uint64_t m_state;
};

} // namespace orv::standin
