#include "app/Debugunit.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <optional>
#include <system_error>

namespace orv {
namespace {

std::mutex g_mutex;
std::optional<std::filesystem::path> g_override;

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
    return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
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

void DebugLog(std::string_view message) {
    const std::filesystem::path path = DebugLogPath();
    if (path.empty()) {
        return;
    }
    const std::string line = FormatDebugLogLine(TimeOfDayText(), TickCountMs(), message);
    std::error_code ec;
    if (path.has_parent_path()) {
        std::filesystem::create_directories(path.parent_path(), ec);
    }
    std::lock_guard lock(g_mutex);
    if (std::FILE* file = std::fopen(path.c_str(), "ab")) {
        std::fwrite(line.data(), 1, line.size(), file);
        std::fclose(file);
    }
}

} // namespace orv
