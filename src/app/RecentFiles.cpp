#include "app/RecentFiles.h"

#include "base/FileUtil.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <span>
#include <system_error>

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
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

} // namespace

std::string ReadIniValue(const std::filesystem::path& iniFile, const std::string& section,
                         const std::string& key) {
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

bool WriteIniValues(const std::filesystem::path& iniFile, const std::string& section,
                    const std::vector<std::pair<std::string, std::string>>& values) {
    std::vector<std::string> lines;
    {
        std::ifstream in(iniFile);
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            lines.push_back(line);
        }
    }
    const auto isKey = [&](const std::string& text) {
        const auto equals = text.find('=');
        return equals != std::string::npos &&
               std::any_of(values.begin(), values.end(), [&](const auto& value) {
                   return SameText(Trim(text.substr(0, equals)), value.first);
               });
    };
    // The keys' old lines go; the new ones follow the section's header.
    std::string out;
    bool inSection = false, written = false;
    for (const std::string& line : lines) {
        const std::string text = Trim(line);
        if (!text.empty() && text.front() == '[' && text.back() == ']') {
            inSection = SameText(Trim(text.substr(1, text.size() - 2)), section);
            out += line + '\n';
            if (inSection && !written) {
                for (const auto& [key, value] : values) {
                    out += key + '=' + value + '\n';
                }
                written = true;
            }
            continue;
        }
        if (!(inSection && isKey(text))) {
            out += line + '\n';
        }
    }
    if (!written) {
        out += '[' + section + "]\n";
        for (const auto& [key, value] : values) {
            out += key + '=' + value + '\n';
        }
    }
    // Written beside the file and renamed over it, so a failed write leaves the old one.
    std::filesystem::path temporary = iniFile;
    temporary += ".new";
    if (!WriteWholeFile(temporary,
                        std::span(reinterpret_cast<const std::uint8_t*>(out.data()), out.size()))) {
        return false;
    }
    std::error_code error;
    std::filesystem::rename(temporary, iniFile, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        return false;
    }
    return true;
}

void TRecentFileList::Load(const std::filesystem::path& iniFile) {
    for (int i = 0; i < kCount; ++i) {
        Entries[static_cast<std::size_t>(i)] =
            ReadIniValue(iniFile, "Recent Files", "file" + std::to_string(i));
    }
}

bool TRecentFileList::Save(const std::filesystem::path& iniFile) const {
    std::vector<std::pair<std::string, std::string>> values;
    for (int i = 0; i < kCount; ++i) {
        values.emplace_back("file" + std::to_string(i), Entries[static_cast<std::size_t>(i)]);
    }
    return WriteIniValues(iniFile, "Recent Files", values);
}

void TRecentFileList::Remove(const std::string& name) {
    const auto found = std::find(Entries.begin(), Entries.end(), name);
    if (found != Entries.end()) {
        std::move(found + 1, Entries.end(), found);
        Entries.back().clear();
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
