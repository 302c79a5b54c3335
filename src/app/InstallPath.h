#pragma once

// Where the game is installed. On Windows the game records its folder in the registry value
// "InstallPath" under HKEY_LOCAL_MACHINE\Software\Blizzard Entertainment\Starcraft; on Linux
// the game runs under Wine, whose registry is the text file system.reg of the Wine prefix
// ($WINEPREFIX, else ~/.wine). The Windows path found there is mapped to the host folder
// through the prefix's drive links.

#include <filesystem>
#include <string>
#include <string_view>

namespace orv {

// The Wine prefix in use: $WINEPREFIX, else ~/.wine.
std::filesystem::path WinePrefix();

// "InstallPath" from the prefix's system.reg (the 32-bit view first); empty when absent.
std::string ReadWineInstallPath(const std::filesystem::path& prefix);

// Maps a Windows path ("C:\Program Files\StarCraft") to the host path inside the prefix.
// Folder and file names are matched without regard to case when the exact name is missing.
std::string MapWinePath(const std::filesystem::path& prefix, std::string_view windowsPath);

// The game's install folder as a host path; empty when the registry names none.
std::string FindInstallPath();

// `name` inside `dir`, matched without regard to case when the exact name does not exist.
std::filesystem::path ResolveCaseInsensitive(const std::filesystem::path& dir, const std::string& name);

} // namespace orv
