#include "app/InstallPath.h"

#include "support/TestSupport.h"

#include <fstream>
#include <gtest/gtest.h>

namespace orv {
namespace {

void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

TEST(WineRegistry, ReadsTheInstallPathOfTheGamesKey) {
    test::TempDir prefix;
    WriteText(prefix.path() / "system.reg",
              "WINE REGISTRY Version 2\n\n"
              "[Software\\\\Blizzard Entertainment\\\\Starcraft\\\\Other] 1\n\"InstallPath\"=\"wrong\"\n\n"
              "[Software\\\\Blizzard Entertainment\\\\Starcraft] 1712345678\r\n#time=1d\r\n"
              "\"InstallPath\"=\"C:\\\\Program Files\\\\Starcraft\"\r\n\"Program\"=\"x\"\r\n");
    EXPECT_EQ(ReadWineInstallPath(prefix.path()), "C:\\Program Files\\Starcraft");
}

TEST(WineRegistry, PrefersThe32BitViewAndGivesNothingWithoutTheKey) {
    test::TempDir prefix;
    WriteText(
        prefix.path() / "system.reg",
        "[Software\\\\Blizzard Entertainment\\\\Starcraft]\n\"InstallPath\"=\"C:\\\\a\"\n"
        "[Software\\\\Wow6432Node\\\\Blizzard Entertainment\\\\Starcraft]\n\"InstallPath\"=\"C:\\\\b\"\n");
    EXPECT_EQ(ReadWineInstallPath(prefix.path()), "C:\\b");
    test::TempDir empty;
    EXPECT_EQ(ReadWineInstallPath(empty.path()), "");
}

TEST(WineRegistry, MapsTheWindowsPathIntoThePrefixWhateverTheCase) {
    test::TempDir prefix;
    std::filesystem::create_directories(prefix.path() / "drive_c" / "Program Files (x86)" / "StarCraft");
    EXPECT_EQ(MapWinePath(prefix.path(), "C:\\program files (x86)\\Starcraft"),
              (prefix.path() / "drive_c" / "Program Files (x86)" / "StarCraft").string());
    std::filesystem::create_directories(prefix.path() / "dosdevices");
    std::filesystem::create_directory_symlink(prefix.path() / "elsewhere",
                                              prefix.path() / "dosdevices" / "d:");
    std::filesystem::create_directories(prefix.path() / "elsewhere" / "SC");
    EXPECT_EQ(MapWinePath(prefix.path(), "D:\\SC"), (prefix.path() / "dosdevices" / "d:" / "SC").string());
    EXPECT_EQ(MapWinePath(prefix.path(), "E:\\nothing"), "");
    EXPECT_EQ(MapWinePath(prefix.path(), "relative"), "");
}

} // namespace
} // namespace orv
