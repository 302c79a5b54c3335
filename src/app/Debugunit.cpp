#include "app/Debugunit.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace orv {
namespace {

std::mutex g_mutex;
std::optional<std::filesystem::path> g_override;
std::uint64_t g_cap = kDefaultDebugLogCap;
int g_sessions = 0;

// The open log file; valid only in the process that opened it (a forked child opens its
// own).
struct OpenLog {
    int fd = -1;
    pid_t owner = 0;
    std::filesystem::path path;
    std::uint64_t size = 0;
};
OpenLog g_log;

void CloseLog() {
    if (g_log.fd >= 0 && g_log.owner == getpid()) {
        close(g_log.fd);
    }
    g_log = {};
}

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Drops the oldest half of the file, whole lines, keeping the file itself (other holders of
// it write on into the same file).
void DropOldestHalf() {
    struct stat info {};
    if (fstat(g_log.fd, &info) != 0) {
        return;
    }
    const auto size = static_cast<std::size_t>(info.st_size);
    std::vector<char> text(size);
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = pread(g_log.fd, text.data() + got, size - got, static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    std::size_t cut = got / 2;
    while (cut < got && text[cut] != '\n') {
        ++cut;
    }
    cut = cut < got ? cut + 1 : got;
    if (ftruncate(g_log.fd, 0) != 0) {
        return;
    }
    WriteAll(g_log.fd, text.data() + cut, got - cut); // the file is in append mode
    g_log.size = got - cut;
}

std::filesystem::path DefaultLogPath() {
    if (const char* explicitPath = std::getenv("ORVISTAD_DEBUG_LOG")) {
        return explicitPath;
    }
    std::filesystem::path stateHome;
    if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg && *xdg) {
        stateHome = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        stateHome = std::filesystem::path(home) / ".local" / "state";
    } else {
        return {};
    }
    return stateHome / "orvistad" / "debug.txt";
}

std::string TimeOfDayText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[64];
    const std::size_t length = std::strftime(text, sizeof text, "%X", &local);
    return std::string(text, length);
}

std::uint64_t TickCountMs() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace

std::string FormatDebugLogLine(std::string_view timeOfDay, std::uint64_t tickMs, std::string_view message) {
    std::string line;
    line.reserve(timeOfDay.size() + message.size() + 32);
    line.append(timeOfDay);
    line.append("  :  ");
    line.append(std::to_string(tickMs));
    line.append(" : ");
    line.append(message);
    line.append("\r\n");
    return line;
}

void SetDebugLogPath(std::filesystem::path path) {
    std::lock_guard lock(g_mutex);
    g_override = std::move(path);
}

std::filesystem::path DebugLogPath() {
    std::lock_guard lock(g_mutex);
    return g_override ? *g_override : DefaultLogPath();
}

void SetDebugLogCap(std::uint64_t bytes) {
    std::lock_guard lock(g_mutex);
    g_cap = bytes;
}

std::uint64_t DebugLogCap() {
    std::lock_guard lock(g_mutex);
    return g_cap;
}

DebugLogSession::DebugLogSession() {
    std::lock_guard lock(g_mutex);
    ++g_sessions;
}

DebugLogSession::~DebugLogSession() {
    std::lock_guard lock(g_mutex);
    if (--g_sessions == 0) {
        CloseLog();
    }
}

void DebugLog(std::string_view message) {
    const std::filesystem::path path = DebugLogPath();
    std::lock_guard lock(g_mutex);
    if (g_log.fd >= 0 && (g_log.owner != getpid() || g_log.path != path)) {
        CloseLog();
    }
    if (path.empty()) {
        return;
    }
    if (g_log.fd < 0) {
        std::error_code ec;
        if (path.has_parent_path()) {
            std::filesystem::create_directories(path.parent_path(), ec);
        }
        const int fd = open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) {
            return;
        }
        struct stat info {};
        g_log = {fd, getpid(), path, fstat(fd, &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0};
    }
    const std::string line = FormatDebugLogLine(TimeOfDayText(), TickCountMs(), message);
    if (WriteAll(g_log.fd, line.data(), line.size())) {
        g_log.size += line.size();
        if (g_log.size > g_cap) {
            DropOldestHalf();
        }
    }
    if (g_sessions == 0) {
        CloseLog();
    }
}

} // namespace orv
