#pragma once

// Helpers shared by the test programs: scratch folders, the real-map corpus, files.

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace orv::test {

// A fresh folder under the system's temp folder, removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::string file(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

// The folder of real maps ($ORVISTAD_MAP_CORPUS, else the one configured at build time);
// empty when it does not exist.
std::filesystem::path CorpusDir();

// The corpus' map archives (.scm, .scx), sorted by name.
std::vector<std::filesystem::path> CorpusArchives();

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> Pattern(std::size_t size, std::uint32_t seed);
std::vector<std::uint8_t> Text(const std::string& text);
// The names in a folder; whether `link` is a symbolic link to `target`.
std::set<std::string> Names(const std::filesystem::path& folder);
bool IsLinkTo(const std::filesystem::path& link, const std::filesystem::path& target);

} // namespace orv::test

// Skips the current test, saying why, when the real-map corpus is not there.
#define ORV_REQUIRE_CORPUS()                                                                                 \
    do {                                                                                                     \
        if (::orv::test::CorpusDir().empty()) {                                                              \
            GTEST_SKIP() << "real-map corpus not found; set ORVISTAD_MAP_CORPUS to the folder of test maps"; \
        }                                                                                                    \
    } while (false)

#include <map>

namespace orv::test {

// Writes an archive with StormLib holding the given files (as the game's archives are made).
void MakeStormArchive(const std::string& path, const std::map<std::string, std::vector<std::uint8_t>>& files);

} // namespace orv::test
