#pragma once

// The debug log: one time-stamped line per call, appended to a plain-text file that is
// opened and closed for every line, so that the log survives a crash up to its last line.
//
// A line reads "<time of day>  :  <tick count in ms> : <message>" and ends with CR LF.
// The file lives in $XDG_STATE_HOME/orvistad/debug.txt (~/.local/state/orvistad/debug.txt
// when the variable is unset); ORVISTAD_DEBUG_LOG names another file. A log that cannot be
// written is skipped silently: logging never stops the program.

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

} // namespace orv
