#pragma once

// Bounds-checked little-endian access to a byte buffer. Nothing a file says can make a
// reader step outside the buffer: every read either succeeds or reports that the bytes are
// not there.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>

namespace orv {

using Bytes = std::span<const std::uint8_t>;

// Reads a little-endian value at an absolute offset; empty when it would not fit.
template <typename T> std::optional<T> ReadLE(Bytes data, std::uint64_t offset) {
    if (offset > data.size() || data.size() - offset < sizeof(T)) {
        return std::nullopt;
    }
    T value = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        value = static_cast<T>(value | (static_cast<T>(data[offset + i]) << (8 * i)));
    }
    return value;
}

// Same, with a fallback value for bytes that are not there.
template <typename T> T ReadLEOr(Bytes data, std::uint64_t offset, T fallback) {
    return ReadLE<T>(data, offset).value_or(fallback);
}

// The part of [offset, offset + length) that lies inside the buffer (possibly empty).
inline Bytes Clip(Bytes data, std::int64_t offset, std::uint64_t length) {
    if (offset < 0) {
        const auto skipped = static_cast<std::uint64_t>(-offset);
        if (skipped >= length) {
            return {};
        }
        length -= skipped;
        offset = 0;
    }
    const auto start = static_cast<std::uint64_t>(offset);
    if (start >= data.size()) {
        return {};
    }
    const std::uint64_t available = data.size() - start;
    return data.subspan(static_cast<std::size_t>(start),
                        static_cast<std::size_t>(length < available ? length : available));
}

// A cursor over a buffer that remembers whether any read ran past its end.
class ByteReader {
public:
    explicit ByteReader(Bytes data) : m_data(data) {}

    std::size_t position() const { return m_pos; }
    std::size_t remaining() const { return m_data.size() - m_pos; }
    bool failed() const { return m_failed; }

    void seek(std::size_t pos) {
        if (pos > m_data.size()) {
            m_failed = true;
            m_pos = m_data.size();
        } else {
            m_pos = pos;
        }
    }

    template <typename T> T read() {
        auto value = ReadLE<T>(m_data, m_pos);
        if (!value) {
            m_failed = true;
            m_pos = m_data.size();
            return 0;
        }
        m_pos += sizeof(T);
        return *value;
    }

    std::uint8_t u8() { return read<std::uint8_t>(); }
    std::uint16_t u16() { return read<std::uint16_t>(); }
    std::uint32_t u32() { return read<std::uint32_t>(); }
    std::int32_t i32() { return static_cast<std::int32_t>(read<std::uint32_t>()); }

    // Up to `length` bytes; fewer (and failed() set) when the buffer ends first.
    Bytes bytes(std::size_t length) {
        if (length > remaining()) {
            m_failed = true;
            length = remaining();
        }
        Bytes out = m_data.subspan(m_pos, length);
        m_pos += length;
        return out;
    }

private:
    Bytes m_data;
    std::size_t m_pos = 0;
    bool m_failed = false;
};

} // namespace orv
