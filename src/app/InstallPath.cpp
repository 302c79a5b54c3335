#include "app/InstallPath.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <system_error>

namespace orv {
namespace {

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

// Undoes the registry file's escapes (\\ and \").
std::string Unescape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            ++i;
        }
        out.push_back(text[i]);
    }
    return out;
}

} // namespace

std::filesystem::path WinePrefix() {
    if (const char* prefix = std::getenv("WINEPREFIX"); prefix && *prefix) {
        return prefix;
    }
    if (const char* home = std::getenv("HOME"); home && *home) {
        return std::filesystem::path(home) / ".wine";
    }
    return {};
}

std::string ReadWineInstallPath(const std::filesystem::path& prefix) {
    std::ifstream reg(prefix / "system.reg");
    if (!reg) {
        return {};
    }
    const std::string keys[] = {"[software\\\\wow6432node\\\\blizzard entertainment\\\\starcraft]",
                                "[software\\\\blizzard entertainment\\\\starcraft]"};
    std::string found[2];
    int section = -1;
    std::string line;
    while (std::getline(reg, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty() && line.front() == '[') {
            section = -1;
            const std::string lower = Lower(line);
            for (int k = 0; k < 2; ++k) {
                if (lower.rfind(keys[k], 0) == 0) {
                    section = k;
                }
            }
            continue;
        }
        const std::string name = "\"installpath\"=\"";
        if (section >= 0 && Lower(line.substr(0, name.size())) == name && line.size() > name.size() &&
            line.back() == '"') {
            found[section] =
                Unescape(std::string_view(line).substr(name.size(), line.size() - name.size() - 1));
        }
    }
    return !found[0].empty() ? found[0] : found[1];
}

std::filesystem::path ResolveCaseInsensitive(const std::filesystem::path& dir, const std::string& name) {
    std::error_code ec;
    if (std::filesystem::exists(dir / name, ec) || !std::filesystem::is_directory(dir, ec)) {
        return dir / name;
    }
    const std::string wanted = Lower(name);
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
        if (Lower(entry.path().filename().string()) == wanted) {
            return entry.path();
        }
    }
    return dir / name;
}

std::string MapWinePath(const std::filesystem::path& prefix, std::string_view windowsPath) {
    if (windowsPath.size() < 2 || windowsPath[1] != ':') {
        return {};
    }
    const std::string drive = Lower(windowsPath.substr(0, 2));
    std::error_code ec;
    std::filesystem::path path = prefix / "dosdevices" / drive;
    if (!std::filesystem::exists(path, ec)) {
        if (drive != "c:") {
            return {};
        }
        path = prefix / "drive_c";
    }
    std::string part;
    auto flush = [&] {
        if (!part.empty()) {
            path = ResolveCaseInsensitive(path, part);
            part.clear();
        }
    };
    for (char c : windowsPath.substr(2)) {
        if (c == '\\' || c == '/') {
            flush();
        } else {
            part.push_back(c);
        }
    }
    flush();
    return path.string();
}

std::string FindInstallPath() {
    const std::filesystem::path prefix = WinePrefix();
    if (prefix.empty()) {
        return {};
    }
    const std::string windowsPath = ReadWineInstallPath(prefix);
    return windowsPath.empty() ? std::string() : MapWinePath(prefix, windowsPath);
}

} // namespace orv
