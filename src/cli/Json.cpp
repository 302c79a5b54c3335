#include "cli/Json.h"

#include <cmath>
#include <cstdio>

namespace orv::cli {

std::string JsonString(std::string_view bytes) {
    std::string out = "\"";
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        switch (b) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (b < 0x20 || b == 0x7F) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", b);
                out += escape;
            } else if (b < 0x80) {
                out.push_back(c);
            } else {
                // One byte, one character: U+0080..U+00FF in UTF-8.
                out.push_back(static_cast<char>(0xC0 | (b >> 6)));
                out.push_back(static_cast<char>(0x80 | (b & 0x3F)));
            }
        }
    }
    out += "\"";
    return out;
}

void JsonWriter::Separate() {
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (!m_first.empty()) {
        if (!m_first.back()) {
            m_out << ",";
        }
        m_first.back() = false;
    }
}

JsonWriter& JsonWriter::BeginObject() {
    Separate();
    m_out << "{";
    m_first.push_back(true);
    return *this;
}

JsonWriter& JsonWriter::EndObject() {
    m_out << "}";
    m_first.pop_back();
    return *this;
}

JsonWriter& JsonWriter::BeginArray() {
    Separate();
    m_out << "[";
    m_first.push_back(true);
    return *this;
}

JsonWriter& JsonWriter::EndArray() {
    m_out << "]";
    m_first.pop_back();
    return *this;
}

JsonWriter& JsonWriter::Key(std::string_view key) {
    Separate();
    m_out << JsonString(key) << ":";
    m_afterKey = true;
    return *this;
}

JsonWriter& JsonWriter::String(std::string_view value) {
    Separate();
    m_out << JsonString(value);
    return *this;
}

JsonWriter& JsonWriter::Number(std::int64_t value) {
    Separate();
    m_out << value;
    return *this;
}

JsonWriter& JsonWriter::Number(double value) {
    Separate();
    if (std::isfinite(value)) {
        char text[32];
        std::snprintf(text, sizeof text, "%.3f", value);
        m_out << text;
    } else {
        m_out << "null";
    }
    return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
    Separate();
    m_out << (value ? "true" : "false");
    return *this;
}

} // namespace orv::cli
