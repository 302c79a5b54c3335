#pragma once

// The five most recently used map files, index 0 the most recent. They are read from the
// "Recent Files" section of settings.ini (keys file0 to file4) at start-up.

#include <array>
#include <filesystem>
#include <string>

namespace orv {

class TRecentFileList {
public:
    static constexpr int kCount = 5;

    void Load(const std::filesystem::path& iniFile);

    // Puts `name` first. A name already listed (exact comparison) moves up from its place;
    // a new one pushes the others down and the oldest drops out. Every name appears once.
    void Add(const std::string& name);

    std::array<std::string, kCount> Entries;
};

// One value of an INI file; section and key names match without regard to case.
std::string ReadIniValue(const std::filesystem::path& iniFile, const std::string& section, const std::string& key);

} // namespace orv
