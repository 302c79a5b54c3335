#include "base/FileUtil.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <mutex>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace orv {
namespace fs = std::filesystem;

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

constexpr int kNameAttempts = 100;
constexpr std::size_t kRandomChars = 12;
constexpr std::size_t kCopyChunk = 1 << 16;
// A private folder without an owner file is taken for abandoned only after this long: the
// owner file follows the folder's creation within moments.
constexpr std::int64_t kOwnerlessAgeSeconds = 24 * 60 * 60;

std::function<void(const fs::path&)>& NameHook() {
    static std::function<void(const fs::path&)> hook;
    return hook;
}

void AnnounceName(const fs::path& path) {
    if (NameHook()) {
        NameHook()(path);
    }
}

std::string RandomName() {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::array<unsigned char, kRandomChars> bytes{};
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = getrandom(bytes.data() + got, bytes.size() - got, 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    if (got < bytes.size()) {
        // No kernel randomness: still unique, if less unpredictable; creation stays exclusive.
        static std::atomic<std::uint64_t> counter{0};
        std::uint64_t mix =
            static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
            (static_cast<std::uint64_t>(getpid()) << 32) ^ (counter++ * 0x9E3779B97F4A7C15ull);
        for (auto& b : bytes) {
            mix = mix * 6364136223846793005ull + 1442695040888963407ull;
            b = static_cast<unsigned char>(mix >> 56);
        }
    }
    std::string name;
    for (unsigned char b : bytes) {
        name.push_back(kAlphabet[b % (sizeof kAlphabet - 1)]);
    }
    return name;
}

fs::path FolderOf(const fs::path& path) {
    return path.has_parent_path() ? path.parent_path() : fs::path(".");
}

// The mode new files get from the process' umask (which cannot be read without being set).
mode_t DefaultFileMode() {
    mode_t mask = 022;
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("Umask:")) {
            mask = static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
            break;
        }
    }
    return 0666 & ~mask;
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Writes all of `size` bytes; false with errno set otherwise.
bool WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Reads up to `size` bytes at `offset`, fewer only at the end of the file; -1 with errno set.
ssize_t ReadFull(int fd, std::uint8_t* data, std::size_t size, off_t offset) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = pread(fd, data + done, size - done, offset + static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return -1;
        }
        if (n == 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

// Copies the whole of `from` into `to` (both at offset 0). On failure returns the message's
// tail: which side failed and why.
Status CopyContents(int from, int to, const std::string& fromText, const std::string& toText) {
    std::vector<std::uint8_t> buffer(kCopyChunk);
    off_t offset = 0;
    for (;;) {
        const ssize_t got = ReadFull(from, buffer.data(), buffer.size(), offset);
        if (got < 0) {
            return MakeError("cannot read " + fromText + ": " + ErrnoText(errno));
        }
        if (got == 0) {
            return {};
        }
        if (!WriteAll(to, buffer.data(), static_cast<std::size_t>(got))) {
            return MakeError("cannot write " + toText + ": " + ErrnoText(errno));
        }
        offset += got;
    }
}

// Reads both files back and compares them, so that a copy counts only once the disk gives
// back what was written.
Status CompareContents(int a, int b, const std::string& aText, const std::string& bText) {
    std::vector<std::uint8_t> left(kCopyChunk), right(kCopyChunk);
    for (off_t offset = 0;;) {
        const ssize_t gotA = ReadFull(a, left.data(), left.size(), offset);
        if (gotA < 0) {
            return MakeError("cannot read " + aText + ": " + ErrnoText(errno));
        }
        const ssize_t gotB = ReadFull(b, right.data(), right.size(), offset);
        if (gotB < 0) {
            return MakeError("cannot read back " + bText + ": " + ErrnoText(errno));
        }
        if (gotA != gotB || std::memcmp(left.data(), right.data(), static_cast<std::size_t>(gotA)) != 0) {
            return MakeError("cannot write " + bText + ": the copy does not read back as written");
        }
        if (gotA == 0) {
            return {};
        }
        offset += gotA;
    }
}

// Flushes a folder's entries (a rename in it) to disk. File systems that cannot sync a
// folder say so with EINVAL; there is nothing more to do then.
void SyncFolder(const fs::path& folder) {
    UniqueFd fd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd) {
        fsync(fd.get());
    }
}

// A file beside a target, created exclusively and locked while this process writes it, so
// that RemoveStaleTemporaries never takes it for the leftover of a killed run.
Result<CreatedFile> CreateLockedTemporary(const fs::path& folder, const std::string& prefix) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        auto created = CreateExclusiveFile(folder, prefix, ".tmp");
        if (!created) {
            return created;
        }
        CreatedFile file = std::move(created).value();
        if (flock(file.fd.get(), LOCK_EX | LOCK_NB) != 0) {
            if (errno == EWOULDBLOCK) {
                continue; // a cleaner of another run took it between creation and lock; it removes it
            }
            return file; // no locks on this file system: cleaners leave such files alone
        }
        // The name must still be ours: a cleaner may have removed it before the lock.
        struct stat mine {};
        struct stat named {};
        if (fstat(file.fd.get(), &mine) == 0 && lstat(file.path.c_str(), &named) == 0 &&
            SameFile(mine, named)) {
            return file;
        }
    }
    return MakeError(ErrnoText(EEXIST));
}

// Removes files named `prefix`... in `folder` that this user owns and that no process holds
// locked: the temporary files of earlier runs that were killed before they could clean up.
void RemoveStaleTemporaries(const fs::path& folder, const std::string& prefix) {
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.starts_with(prefix)) {
                names.push_back(name);
            }
        }
        closedir(dir);
    }
    for (const std::string& name : names) {
        const fs::path path = folder / name;
        UniqueFd fd(open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat held {};
        struct stat named {};
        if (!fd || fstat(fd.get(), &held) != 0 || !S_ISREG(held.st_mode) || held.st_uid != geteuid()) {
            continue;
        }
        if (flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
            continue; // in use, or no locks here to tell
        }
        if (lstat(path.c_str(), &named) == 0 && SameFile(held, named)) {
            unlink(path.c_str());
        }
    }
}

// Removes everything inside the open folder `dirFd` without following links.
void RemoveContents(int dirFd) {
    const int listFd = dup(dirFd);
    if (listFd < 0) {
        return;
    }
    DIR* dir = fdopendir(listFd);
    if (!dir) {
        close(listFd);
        return;
    }
    std::vector<std::string> names;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    closedir(dir);
    for (const std::string& name : names) {
        struct stat info {};
        if (fstatat(dirFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
            continue;
        }
        if (S_ISDIR(info.st_mode)) {
            UniqueFd sub(openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (sub) {
                RemoveContents(sub.get());
            }
            unlinkat(dirFd, name.c_str(), AT_REMOVEDIR);
        } else {
            unlinkat(dirFd, name.c_str(), 0);
        }
    }
}

// The process id in a private folder's name ("orvistad-<uid>-<kind>-<pid>-<random>"); 0
// for names without one (folders of earlier versions).
long PidInName(const std::string& name, const std::string& prefix) {
    const std::size_t kindEnd = name.find('-', prefix.size());
    if (kindEnd == std::string::npos) {
        return 0;
    }
    const std::size_t pidEnd = name.find('-', kindEnd + 1);
    if (pidEnd == std::string::npos || pidEnd == kindEnd + 1) {
        return 0;
    }
    long pid = 0;
    for (std::size_t i = kindEnd + 1; i < pidEnd; ++i) {
        if (name[i] < '0' || name[i] > '9' || pid > 100000000) {
            return 0;
        }
        pid = pid * 10 + (name[i] - '0');
    }
    return pid;
}

bool ProcessIsGone(long pid) {
    return pid > 0 && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

// The owner files' descriptors of this process. A child process closes its copies as it
// starts, so that a folder's lock (which belongs to the open file, shared with children)
// goes with the program that owns the folder and not with a child that outlives it.
constexpr std::size_t kMaxOwners = 256;
std::array<std::atomic<int>, kMaxOwners> g_ownerFds;

void CloseOwnerFilesInChild() {
    for (auto& fd : g_ownerFds) {
        const int value = fd.exchange(-1, std::memory_order_relaxed);
        if (value >= 0) {
            close(value); // the number may be reused in the child: forget it there
        }
    }
}

void RegisterOwnerFile(int fd) {
    static std::once_flag once;
    std::call_once(once, [] {
        for (auto& slot : g_ownerFds) {
            slot.store(-1);
        }
        pthread_atfork(nullptr, nullptr, CloseOwnerFilesInChild);
    });
    for (auto& slot : g_ownerFds) {
        int expected = -1;
        if (slot.compare_exchange_strong(expected, fd)) {
            return;
        }
    }
}

void UnregisterOwnerFile(int fd) {
    for (auto& slot : g_ownerFds) {
        int expected = fd;
        if (slot.compare_exchange_strong(expected, -1)) {
            return;
        }
    }
}

// True when the private folder `name`, open as `dirFd`, belongs to no running process.
bool IsAbandoned(int dirFd, const std::string& name, const std::string& prefix, const struct stat& folder,
                 UniqueFd& ownerLock) {
    const long namedPid = PidInName(name, prefix);
    UniqueFd owner(openat(dirFd, PrivateFolder::kOwnerFile, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!owner) {
        if (errno != ENOENT) {
            return false;
        }
        // Between the folder's creation and its owner file, the name's process id decides.
        if (namedPid > 0) {
            return ProcessIsGone(namedPid);
        }
        const auto now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
        return now - folder.st_mtime > kOwnerlessAgeSeconds;
    }
    struct stat info {};
    if (fstat(owner.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    if (flock(owner.get(), LOCK_EX | LOCK_NB) == 0) {
        ownerLock = std::move(owner); // held while the folder is removed
        return true;
    }
    if (errno == EWOULDBLOCK) {
        return false;
    }
    // No locks on this file system: the process id decides.
    char text[32] = {};
    const ssize_t n = ReadFull(owner.get(), reinterpret_cast<std::uint8_t*>(text), sizeof text - 1, 0);
    return n > 0 && ProcessIsGone(std::strtol(text, nullptr, 10));
}

} // namespace

std::string ErrnoText(int error) {
    return std::strerror(error);
}

std::string PathText(const std::filesystem::path& path) {
    return path.string();
}

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        reset(other.release());
    }
    return *this;
}

void UniqueFd::reset(int fd) {
    if (m_fd >= 0) {
        close(m_fd);
    }
    m_fd = fd;
}

void SetTemporaryNameHook(std::function<void(const fs::path&)> hook) {
    NameHook() = std::move(hook);
}

Result<std::vector<std::uint8_t>> ReadWholeFile(const std::filesystem::path& path, std::uint64_t maxBytes) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        return MakeError("cannot read " + PathText(path) + ": it is a folder");
    }
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return MakeError("cannot open " + PathText(path) + ": " + ErrnoText(errno));
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    for (;;) {
        const std::size_t got = std::fread(chunk, 1, sizeof chunk, file.get());
        if (got > 0) {
            if (bytes.size() + got > maxBytes) {
                return MakeError("cannot read " + PathText(path) + ": the file is too large");
            }
            bytes.insert(bytes.end(), chunk, chunk + got);
        }
        if (got < sizeof chunk) {
            if (std::ferror(file.get())) {
                return MakeError("cannot read " + PathText(path) + ": " + ErrnoText(errno));
            }
            break;
        }
    }
    return bytes;
}

Status WriteWholeFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    std::error_code ec;
    if (path.has_parent_path()) {
        std::filesystem::create_directories(path.parent_path(), ec);
        if (ec) {
            return MakeError("cannot create the folder " + PathText(path.parent_path()) + ": " +
                             ec.message());
        }
    }
    FilePtr file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        return MakeError("cannot write " + PathText(path) + ": " + ErrnoText(errno));
    }
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
        return MakeError("cannot write " + PathText(path) + ": " + ErrnoText(errno));
    }
    if (std::fflush(file.get()) != 0) {
        return MakeError("cannot write " + PathText(path) + ": " + ErrnoText(errno));
    }
    return {};
}

Result<CreatedFile> CreateExclusiveFile(const fs::path& folder, const std::string& prefix,
                                        const std::string& suffix) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const fs::path path = folder / (prefix + RandomName() + suffix);
        AnnounceName(path);
        const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            return CreatedFile{UniqueFd(fd), path};
        }
        if (errno != EEXIST) {
            return MakeError(ErrnoText(errno));
        }
    }
    return MakeError(ErrnoText(EEXIST));
}

Status CopyToNewFile(const fs::path& from, const fs::path& to) {
    UniqueFd source(open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (!source) {
        return MakeError("cannot read " + PathText(from) + ": " + ErrnoText(errno));
    }
    struct stat info {};
    if (fstat(source.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return MakeError("cannot read " + PathText(from) + ": it is not a file");
    }
    UniqueFd target(open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!target) {
        return MakeError("cannot write " + PathText(to) + ": " + ErrnoText(errno));
    }
    Status copied = CopyContents(source.get(), target.get(), PathText(from), PathText(to));
    if (copied && close(target.release()) != 0) {
        copied = MakeError("cannot write " + PathText(to) + ": " + ErrnoText(errno));
    }
    if (!copied) {
        target.reset();
        unlink(to.c_str());
    }
    return copied;
}

Result<fs::path> FollowLinks(const fs::path& path) {
    fs::path current = path;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat info {};
        if (lstat(current.c_str(), &info) != 0) {
            if (errno == ENOENT) {
                return current;
            }
            return MakeError("cannot look at " + PathText(current) + ": " + ErrnoText(errno));
        }
        if (!S_ISLNK(info.st_mode)) {
            return current;
        }
        std::string link(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1, '\0');
        const ssize_t n = readlink(current.c_str(), link.data(), link.size());
        if (n < 0) {
            return MakeError("cannot follow the link " + PathText(current) + ": " + ErrnoText(errno));
        }
        link.resize(static_cast<std::size_t>(n));
        const fs::path next(link);
        current = next.is_absolute() ? next : FolderOf(current) / next;
    }
    return MakeError("cannot follow the link " + PathText(path) + ": " + ErrnoText(ELOOP));
}

Status CopyFileReplacing(const fs::path& from, const fs::path& to) {
    auto followed = FollowLinks(to);
    if (!followed) {
        return MakeError(followed.error());
    }
    const fs::path real = followed.value();
    const fs::path folder = FolderOf(real);
    const std::string toText = PathText(to);
    UniqueFd source(open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (!source) {
        return MakeError("cannot read " + PathText(from) + ": " + ErrnoText(errno));
    }
    struct stat sourceInfo {};
    if (fstat(source.get(), &sourceInfo) != 0 || !S_ISREG(sourceInfo.st_mode)) {
        return MakeError("cannot read " + PathText(from) + ": it is not a file");
    }
    struct stat old {};
    const bool existed = stat(real.c_str(), &old) == 0;
    if (existed && !S_ISREG(old.st_mode)) {
        return MakeError("cannot write " + toText + ": it is not a file");
    }
    const std::string prefix = "." + real.filename().string() + ".orvistad-";
    RemoveStaleTemporaries(folder, prefix);
    auto created = CreateLockedTemporary(folder, prefix);
    if (!created) {
        return MakeError("cannot write beside " + toText + ": " + created.error());
    }
    CreatedFile temp = std::move(created).value();
    auto fail = [&](const std::string& message) {
        const int saved = errno;
        unlink(temp.path.c_str());
        errno = saved;
        return MakeError(message);
    };
    // The new file keeps the old one's permissions (and owner, where we may set it).
    if (existed) {
        if (fchown(temp.fd.get(), old.st_uid, old.st_gid) != 0) {
            // Not ours to give away; the file stays ours.
        }
    }
    if (fchmod(temp.fd.get(), existed ? (old.st_mode & 07777) : DefaultFileMode()) != 0) {
        return fail("cannot write " + toText + ": " + ErrnoText(errno));
    }
    if (Status copied = CopyContents(source.get(), temp.fd.get(), PathText(from), toText); !copied) {
        return fail(copied.error());
    }
    if (fsync(temp.fd.get()) != 0) {
        return fail("cannot write " + toText + ": " + ErrnoText(errno));
    }
    if (Status same = CompareContents(source.get(), temp.fd.get(), PathText(from), toText); !same) {
        return fail(same.error());
    }
    if (rename(temp.path.c_str(), real.c_str()) != 0) {
        return fail("cannot replace " + toText + ": " + ErrnoText(errno));
    }
    // Closing drops the lock; the name is the target's now.
    if (close(temp.fd.release()) != 0) {
        // The data was flushed and read back; a late close error changes nothing.
    }
    SyncFolder(folder);
    return {};
}

Status MoveFileReplacing(const fs::path& finished, const fs::path& to) {
    auto followed = FollowLinks(to);
    if (!followed) {
        return MakeError(followed.error());
    }
    const fs::path real = followed.value();
    const fs::path folder = FolderOf(real);
    struct stat from {};
    struct stat into {};
    struct stat old {};
    if (stat(finished.c_str(), &from) != 0) {
        return MakeError("cannot read " + PathText(finished) + ": " + ErrnoText(errno));
    }
    if (stat(folder.c_str(), &into) != 0) {
        return MakeError("cannot write " + PathText(to) + ": " + ErrnoText(errno));
    }
    const bool existed = stat(real.c_str(), &old) == 0;
    if (existed && !S_ISREG(old.st_mode)) {
        return MakeError("cannot write " + PathText(to) + ": it is not a file");
    }
    if (from.st_dev == into.st_dev) {
        UniqueFd fd(open(finished.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        if (!fd) {
            return MakeError("cannot read " + PathText(finished) + ": " + ErrnoText(errno));
        }
        if (existed && fchown(fd.get(), old.st_uid, old.st_gid) != 0) {
            // Not ours to give away; the file stays ours.
        }
        if (fchmod(fd.get(), existed ? (old.st_mode & 07777) : DefaultFileMode()) != 0 ||
            fsync(fd.get()) != 0) {
            return MakeError("cannot write " + PathText(to) + ": " + ErrnoText(errno));
        }
        if (rename(finished.c_str(), real.c_str()) == 0) {
            SyncFolder(folder);
            return {};
        }
        if (errno != EXDEV) {
            return MakeError("cannot replace " + PathText(to) + ": " + ErrnoText(errno));
        }
    }
    if (Status copied = CopyFileReplacing(finished, real); !copied) {
        return copied;
    }
    unlink(finished.c_str());
    return {};
}

PrivateFolder::PrivateFolder(PrivateFolder&& other) noexcept
    : m_path(std::exchange(other.m_path, fs::path())), m_owner(std::move(other.m_owner)) {}

PrivateFolder& PrivateFolder::operator=(PrivateFolder&& other) noexcept {
    if (this != &other) {
        Remove();
        m_path = std::exchange(other.m_path, fs::path());
        m_owner = std::move(other.m_owner);
    }
    return *this;
}

PrivateFolder::~PrivateFolder() {
    Remove();
}

void PrivateFolder::Remove() {
    if (!m_path.empty()) {
        UniqueFd dir(open(m_path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (dir) {
            RemoveContents(dir.get());
            rmdir(m_path.c_str());
        }
        m_path.clear();
    }
    if (m_owner) {
        UnregisterOwnerFile(m_owner.get());
        m_owner.reset();
    }
}

Result<PrivateFolder> PrivateFolder::Make(const std::string& prefix) {
    std::error_code ec;
    fs::path base = fs::temp_directory_path(ec);
    if (ec) {
        base = "/tmp";
    }
    PrivateFolder folder;
    for (int attempt = 0; attempt < kNameAttempts && folder.m_path.empty(); ++attempt) {
        const fs::path path = base / (prefix + std::to_string(getpid()) + "-" + RandomName());
        AnnounceName(path);
        if (mkdir(path.c_str(), 0700) == 0) {
            folder.m_path = path;
        } else if (errno != EEXIST) {
            return MakeError("cannot make a folder in " + PathText(base) + ": " + ErrnoText(errno));
        }
    }
    if (folder.m_path.empty()) {
        return MakeError("cannot make a folder in " + PathText(base) + ": " + ErrnoText(EEXIST));
    }
    UniqueFd dir(open(folder.m_path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!dir || fchmod(dir.get(), 0700) != 0) {
        return MakeError("cannot make a folder in " + PathText(base) + ": " + ErrnoText(errno));
    }
    // The owner file appears under its name already locked, so a sweep never finds it free
    // while this process lives.
    const std::string fresh = std::string(kOwnerFile) + "-new";
    UniqueFd owner(
        openat(dir.get(), fresh.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!owner) {
        return MakeError("cannot make a folder in " + PathText(base) + ": " + ErrnoText(errno));
    }
    flock(owner.get(), LOCK_EX | LOCK_NB); // where locks are unsupported the process id decides
    const std::string pid = std::to_string(getpid()) + "\n";
    if (!WriteAll(owner.get(), reinterpret_cast<const std::uint8_t*>(pid.data()), pid.size()) ||
        renameat(dir.get(), fresh.c_str(), dir.get(), kOwnerFile) != 0) {
        return MakeError("cannot make a folder in " + PathText(base) + ": " + ErrnoText(errno));
    }
    RegisterOwnerFile(owner.get());
    folder.m_owner = std::move(owner);
    return folder;
}

std::string OurFolderPrefix() {
    return "orvistad-" + std::to_string(getuid()) + "-";
}

std::size_t RemoveStalePrivateFolders(const fs::path& given) {
    fs::path base = given;
    if (base.empty()) {
        std::error_code ec;
        base = fs::temp_directory_path(ec);
        if (ec) {
            return 0;
        }
    }
    UniqueFd baseFd(open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!baseFd) {
        return 0;
    }
    const std::string prefix = OurFolderPrefix();
    std::vector<std::string> names;
    if (const int listFd = dup(baseFd.get()); listFd >= 0) {
        if (DIR* dir = fdopendir(listFd)) {
            while (const dirent* entry = readdir(dir)) {
                const std::string name = entry->d_name;
                if (name.starts_with(prefix)) {
                    names.push_back(name);
                }
            }
            closedir(dir);
        } else {
            close(listFd);
        }
    }
    std::size_t removed = 0;
    for (const std::string& name : names) {
        struct stat named {};
        struct stat opened {};
        if (fstatat(baseFd.get(), name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISDIR(named.st_mode) || named.st_uid != getuid()) {
            continue;
        }
        UniqueFd dir(openat(baseFd.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!dir || fstat(dir.get(), &opened) != 0 || !SameFile(named, opened) || opened.st_uid != getuid()) {
            continue;
        }
        UniqueFd lock;
        if (PidInName(name, prefix) == getpid() || !IsAbandoned(dir.get(), name, prefix, opened, lock)) {
            continue; // ours, or in use
        }
        RemoveContents(dir.get());
        if (unlinkat(baseFd.get(), name.c_str(), AT_REMOVEDIR) == 0) {
            ++removed;
        }
    }
    return removed;
}

} // namespace orv
