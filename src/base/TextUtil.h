#pragma once

// Small text helpers shared by the layers.

#include <string>

namespace orv {

// `text` with every occurrence of `from` replaced by `to` (messages that name a working copy
// name the user's file instead).
inline std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    if (from.empty()) {
        return text;
    }
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

} // namespace orv
