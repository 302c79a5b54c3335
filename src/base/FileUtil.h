#pragma once

// Whole-file reads and writes with clear messages, and the file handling that saving relies
// on: files created exclusively under unpredictable names, private folders that say who owns
// them, and replacing a file so that it is always either the old one or the whole new one,
// on disk and not only in the page cache.

#include "base/Result.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace orv {

// Reads a whole file. Files above `maxBytes` are refused rather than loaded.
Result<std::vector<std::uint8_t>> ReadWholeFile(const std::filesystem::path& path,
                                                std::uint64_t maxBytes = std::uint64_t{1} << 31);

// Creates or overwrites a file with the given bytes, creating missing parent folders.
Status WriteWholeFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

// The text of an errno value ("No space left on device").
std::string ErrnoText(int error);

// An open file descriptor, closed on destruction.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { reset(); }

    int get() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }
    int release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    void reset(int fd = -1);

private:
    int m_fd = -1;
};

// A new, empty file in `folder` named `prefix` + twelve random characters + `suffix`,
// created exclusively (never over an existing name or through a symbolic link) with mode
// 0600 and open for reading and writing.
struct CreatedFile {
    UniqueFd fd;
    std::filesystem::path path;
};
Result<CreatedFile> CreateExclusiveFile(const std::filesystem::path& folder, const std::string& prefix,
                                        const std::string& suffix = std::string());

// Copies `from` into a new file `to`, created exclusively (mode 0600): fails rather than
// write over anything, links included.
Status CopyToNewFile(const std::filesystem::path& from, const std::filesystem::path& to);

// Copies `from` over `to`: the copy is written to a file beside `to`, created exclusively
// under an unpredictable name, flushed to disk, read back and compared, then renamed over
// `to` and the folder flushed, so `to` is always either the old file or the whole new one.
// When `to` is a symbolic link, the file it points to is replaced and the link stays.
// Stale copies of earlier runs that were killed on the way (beside `to`, no longer in use
// by any process) are removed first.
Status CopyFileReplacing(const std::filesystem::path& from, const std::filesystem::path& to);

// Puts `finished`, a complete file in one of our private folders, in the place of `to` (as
// CopyFileReplacing, links followed the same way): renamed there when both are on the same
// file system, copied through a file beside `to` otherwise. `finished` is gone afterwards
// when this worked.
Status MoveFileReplacing(const std::filesystem::path& finished, const std::filesystem::path& to);

// The file a path names once symbolic links in its last part are followed (the path itself
// when it is no link, or a link to a file that does not exist yet).
Result<std::filesystem::path> FollowLinks(const std::filesystem::path& path);

// A new folder under the system's temporary folder (mode 0700, readable by this user only),
// named `prefix` + the process id + "-" + twelve random characters, with an owner file that
// holds the process id and a lock kept while the folder is in use (child processes do not
// keep it: they close their copy as they start). The folder and everything in it is removed on destruction.
class PrivateFolder {
public:
    static Result<PrivateFolder> Make(const std::string& prefix);

    PrivateFolder() = default;
    PrivateFolder(PrivateFolder&& other) noexcept;
    PrivateFolder& operator=(PrivateFolder&& other) noexcept;
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;
    ~PrivateFolder();

    const std::filesystem::path& path() const { return m_path; }
    bool empty() const { return m_path.empty(); }

    // The name of the owner file inside every private folder.
    static constexpr const char* kOwnerFile = ".orvistad-owner";

private:
    void Remove();

    std::filesystem::path m_path;
    UniqueFd m_owner; // holds the lock
};

// "orvistad-<uid>-": the start of the name of every private folder of this user.
std::string OurFolderPrefix();

// Removes this user's private folders (names starting with OurFolderPrefix()) in `base`
// (default: the system's temporary folder) whose owner process is gone: the owner file is not
// locked (or, where locks are not supported, its process no longer runs); without an owner
// file, the process named in the folder's name no longer runs (or, for names without one,
// the folder is older than a day). This process' own folders, other users' folders and links
// are left alone; no link is ever followed. Returns how many folders were removed.
std::size_t RemoveStalePrivateFolders(const std::filesystem::path& base = std::filesystem::path());

// For tests: called with the path of every temporary file and folder before it is created
// (the name the program picked), so a test can plant something there first. Empty: none.
void SetTemporaryNameHook(std::function<void(const std::filesystem::path&)> hook);

// The path as UTF-8 text for messages.
std::string PathText(const std::filesystem::path& path);

} // namespace orv
