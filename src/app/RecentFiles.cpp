#include "app/RecentFiles.h"

#include <algorithm>
#include <cctype>
#include <fstream>

namespace orv {
namespace {

std::string Trim(const std::string& s) {
    const auto begin = s.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos) {
        return {};
    }
    const auto end = s.find_last_not_of(" \t\r\n");
    return s.substr(begin, end - begin + 1);
}

bool SameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

} // namespace

std::string ReadIniValue(const std::filesystem::path& iniFile, const std::string& section, const std::string& key) {
    std::ifstream in(iniFile);
    std::string line;
    bool inSection = false;
    while (std::getline(in, line)) {
        const std::string text = Trim(line);
        if (!text.empty() && text.front() == '[' && text.back() == ']') {
            inSection = SameText(Trim(text.substr(1, text.size() - 2)), section);
            continue;
        }
        const auto equals = text.find('=');
        if (inSection && equals != std::string::npos && SameText(Trim(text.substr(0, equals)), key)) {
            return Trim(text.substr(equals + 1));
        }
    }
    return {};
}

void TRecentFileList::Load(const std::filesystem::path& iniFile) {
    for (int i = 0; i < kCount; ++i) {
        Entries[static_cast<std::size_t>(i)] = ReadIniValue(iniFile, "Recent Files", "file" + std::to_string(i));
    }
}

void TRecentFileList::Add(const std::string& name) {
    auto found = std::find(Entries.begin(), Entries.end(), name);
    if (found == Entries.end()) {
        found = Entries.end() - 1; // the oldest drops out
    }
    std::move_backward(Entries.begin(), found, found + 1);
    Entries.front() = name;
}

} // namespace orv
