#pragma once

// A small JSON writer for the command line's reports. Texts are 8-bit game strings: each
// byte becomes one character (U+0000 to U+00FF), control bytes become escapes.

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace orv::cli {

std::string JsonString(std::string_view bytes);

class JsonWriter {
public:
    explicit JsonWriter(std::ostream& out) : m_out(out) {}

    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    JsonWriter& Key(std::string_view key);
    JsonWriter& String(std::string_view value);
    JsonWriter& Number(std::int64_t value);
    JsonWriter& Number(double value);
    JsonWriter& Bool(bool value);

private:
    void Separate();
    std::ostream& m_out;
    std::vector<bool> m_first; // per open container: no element written yet
    bool m_afterKey = false;
};

} // namespace orv::cli
