#pragma once

// The five most recently used map files, index 0 the most recent. They are kept in the
// "Recent Files" section of settings.ini (keys file0 to file4): read at start-up, written
// whenever they change.

#include <array>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace orv {

class TRecentFileList {
public:
    static constexpr int kCount = 5;

    void Load(const std::filesystem::path& iniFile);
    // Writes the five keys into the file, keeping every other line of it; false when the
    // file could not be written.
    bool Save(const std::filesystem::path& iniFile) const;

    // Puts `name` first. A name already listed (exact comparison) moves up from its place;
    // a new one pushes the others down and the oldest drops out. Every name appears once.
    void Add(const std::string& name);
    // Takes `name` out; the later entries move up.
    void Remove(const std::string& name);

    std::array<std::string, kCount> Entries;
};

// One value of an INI file; section and key names match without regard to case.
std::string ReadIniValue(const std::filesystem::path& iniFile, const std::string& section,
                         const std::string& key);
// Sets keys of one section of an INI file, which is made when missing. The other lines stay
// as they were; a missing section is added at the end. False when the file could not be written.
bool WriteIniValues(const std::filesystem::path& iniFile, const std::string& section,
                    const std::vector<std::pair<std::string, std::string>>& values);

} // namespace orv
