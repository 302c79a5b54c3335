#include "StandinFormats.h"

#include <algorithm>
#include <stdexcept>

namespace orv::standin {
namespace {

void Append16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void EncodeRow(const Canvas& c, int y, int x0, int x1, std::vector<std::uint8_t>& out) {
    int x = x0;
    while (x < x1) {
        if (c.get(x, y) < 0) {
            int n = 0;
            while (x + n < x1 && c.get(x + n, y) < 0 && n < 127) {
                ++n;
            }
            out.push_back(static_cast<std::uint8_t>(0x80 | n));
            x += n;
            continue;
        }
        int same = 1;
        while (x + same < x1 && c.get(x + same, y) == c.get(x, y) && same < 63) {
            ++same;
        }
        if (same >= 3) {
            out.push_back(static_cast<std::uint8_t>(0x40 | same));
            out.push_back(static_cast<std::uint8_t>(c.get(x, y)));
            x += same;
            continue;
        }
        // Literal run up to the next transparent pixel or the next run of three.
        int n = 0;
        while (x + n < x1 && n < 63 && c.get(x + n, y) >= 0) {
            if (x + n + 2 < x1 && c.get(x + n, y) == c.get(x + n + 1, y) &&
                c.get(x + n, y) == c.get(x + n + 2, y)) {
                break;
            }
            ++n;
        }
        out.push_back(static_cast<std::uint8_t>(n));
        for (int i = 0; i < n; ++i) {
            out.push_back(static_cast<std::uint8_t>(c.get(x + i, y)));
        }
        x += n;
    }
}

} // namespace

void DatTable::Put(std::size_t at, std::uint32_t value, int size) {
    if (at + static_cast<std::size_t>(size) > m_bytes.size()) {
        throw std::out_of_range("rule table field outside the table");
    }
    for (int i = 0; i < size; ++i) {
        m_bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

void DatTable::Set8(std::size_t arrayOffset, std::size_t index, std::uint32_t value) {
    Put(arrayOffset + index, value, 1);
}

void DatTable::Set16(std::size_t arrayOffset, std::size_t index, std::uint32_t value) {
    Put(arrayOffset + 2 * index, value, 2);
}

void DatTable::Set32(std::size_t arrayOffset, std::size_t index, std::uint32_t value) {
    Put(arrayOffset + 4 * index, value, 4);
}

std::vector<std::uint8_t> EncodeStringTable(const std::vector<std::string>& strings) {
    std::vector<std::uint8_t> out;
    Append16(out, static_cast<std::uint32_t>(strings.size()));
    std::size_t offset = 2 + 2 * strings.size();
    for (const std::string& s : strings) {
        if (offset > 0xFFFF) {
            throw std::length_error("string table too large for 16-bit offsets");
        }
        Append16(out, static_cast<std::uint32_t>(offset));
        offset += s.size() + 1;
    }
    for (const std::string& s : strings) {
        out.insert(out.end(), s.begin(), s.end());
        out.push_back(0);
    }
    return out;
}

std::vector<std::uint8_t> EncodeGrp(const std::vector<Canvas>& frames) {
    if (frames.empty()) {
        throw std::invalid_argument("a sheet needs a frame");
    }
    const int width = frames.front().width;
    const int height = frames.front().height;
    if (width > 255 || height > 255) {
        throw std::invalid_argument("frame larger than 255 pixels");
    }
    std::vector<std::uint8_t> out;
    Append16(out, static_cast<std::uint32_t>(frames.size()));
    Append16(out, static_cast<std::uint32_t>(width));
    Append16(out, static_cast<std::uint32_t>(height));
    const std::size_t headers = out.size();
    out.resize(out.size() + 8 * frames.size());
    for (std::size_t f = 0; f < frames.size(); ++f) {
        const Canvas& c = frames[f];
        int x0 = c.width, y0 = c.height, x1 = 0, y1 = 0;
        for (int y = 0; y < c.height; ++y) {
            for (int x = 0; x < c.width; ++x) {
                if (c.get(x, y) >= 0) {
                    x0 = std::min(x0, x);
                    y0 = std::min(y0, y);
                    x1 = std::max(x1, x + 1);
                    y1 = std::max(y1, y + 1);
                }
            }
        }
        if (x1 <= x0) {
            x0 = y0 = 0;
            x1 = y1 = 1;
        }
        const std::size_t h = headers + 8 * f;
        out[h] = static_cast<std::uint8_t>(x0);
        out[h + 1] = static_cast<std::uint8_t>(y0);
        out[h + 2] = static_cast<std::uint8_t>(x1 - x0);
        out[h + 3] = static_cast<std::uint8_t>(y1 - y0);
        const auto tableAt = static_cast<std::uint32_t>(out.size());
        for (int i = 0; i < 4; ++i) {
            out[h + 4 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(tableAt >> (8 * i));
        }
        out.resize(out.size() + 2 * static_cast<std::size_t>(y1 - y0));
        for (int y = y0; y < y1; ++y) {
            const auto rowOffset = static_cast<std::uint32_t>(out.size() - tableAt);
            out[tableAt + 2 * static_cast<std::size_t>(y - y0)] = static_cast<std::uint8_t>(rowOffset);
            out[tableAt + 2 * static_cast<std::size_t>(y - y0) + 1] =
                static_cast<std::uint8_t>(rowOffset >> 8);
            EncodeRow(c, y, x0, x1, out);
        }
    }
    return out;
}

std::vector<std::uint8_t> EncodePcxRow(const std::vector<std::uint8_t>& values) {
    std::vector<std::uint8_t> out(128, 0);
    const auto width = static_cast<std::uint32_t>(values.size());
    out[0] = 0x0A; // manufacturer
    out[1] = 5;    // version
    out[2] = 1;    // run-length coding
    out[3] = 8;    // bits per pixel
    out[8] = static_cast<std::uint8_t>(width - 1);
    out[9] = static_cast<std::uint8_t>((width - 1) >> 8);
    out[12] = 72; // resolution
    out[14] = 72;
    out[65] = 1; // planes
    out[66] = static_cast<std::uint8_t>(width);
    out[67] = static_cast<std::uint8_t>(width >> 8);
    out[68] = 1; // colour palette
    for (std::size_t i = 0; i < values.size();) {
        std::size_t run = 1;
        while (i + run < values.size() && values[i + run] == values[i] && run < 63) {
            ++run;
        }
        if (run > 1 || values[i] >= 0xC0) {
            out.push_back(static_cast<std::uint8_t>(0xC0 | run));
        }
        out.push_back(values[i]);
        i += run;
    }
    out.push_back(0x0C);
    for (int i = 0; i < 256; ++i) {
        const auto v = static_cast<std::uint8_t>(i);
        out.push_back(v);
        out.push_back(v);
        out.push_back(v);
    }
    return out;
}

std::uint64_t Random::next() {
    std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

} // namespace orv::standin
