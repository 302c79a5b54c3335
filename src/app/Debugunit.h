#pragma once

// The debug log: one time-stamped line per call, appended to a plain-text file. Each line
// goes to the file with its own write as soon as it is made, so the log survives a crash up
// to its last line.
//
// A line reads "<time of day>  :  <tick count in ms> : <message>" and ends with CR LF.
// The file lives in $XDG_STATE_HOME/orvistad/debug.txt (~/.local/state/orvistad/debug.txt
// when the variable is unset); ORVISTAD_DEBUG_LOG names another file. A log that cannot be
// written is skipped silently: logging never stops the program.
//
// Outside a DebugLogSession the file is opened and closed for every line; an operation that
// logs many lines (reading a scenario, saving a map) holds a session, and the file stays
// open until the last session ends. The log never grows past its cap: when a line takes it
// past, the oldest half of the file (whole lines) is dropped.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace orv {

void DebugLog(std::string_view message);

// The line DebugLog writes, CR LF included.
std::string FormatDebugLogLine(std::string_view timeOfDay, std::uint64_t tickMs, std::string_view message);

// Where the log goes; an empty path turns logging off. Overrides the environment.
void SetDebugLogPath(std::filesystem::path path);
std::filesystem::path DebugLogPath();

// The size the log is kept under, in bytes.
inline constexpr std::uint64_t kDefaultDebugLogCap = 8u << 20;
void SetDebugLogCap(std::uint64_t bytes);
std::uint64_t DebugLogCap();

// Keeps the log file open while it lives; sessions nest.
class DebugLogSession {
public:
    DebugLogSession();
    ~DebugLogSession();
    DebugLogSession(const DebugLogSession&) = delete;
    DebugLogSession& operator=(const DebugLogSession&) = delete;
};

} // namespace orv
