#pragma once

#include "base/Result.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orv {

// What a child may spend before it is stopped. A hostile file can make library code
// allocate gigabytes or loop for a long time; the child is stopped instead and the caller
// gets an error that says which limit it reached.
struct ChildLimits {
    // Address space the child may take beyond what it inherits (RLIMIT_AS; the archive
    // library needs more than 512 MiB of it to add sounds; not applied in builds with
    // AddressSanitizer, whose shadow memory needs terabytes of address space).
    std::uint64_t memoryBytes = 1024u << 20;
    // Processor time (RLIMIT_CPU) and time on the clock, which the parent watches. Real maps
    // take well under a second; the margin is for slow or busy machines and sanitizer builds.
    int cpuSeconds = 10;
    int wallSeconds = 30;
};

// Runs `work` in a child process within `limits` and returns its result; a child that
// crashes or passes a limit gives an error instead of taking the program with it. Used
// around library code that aborts, crashes or runs away on malformed input; a crash is
// reported as `crashMessage` with the signal's number, a limit as `crashMessage` and the
// limit. Falls back to running in-process when no child can be started.
Status RunInChildProcess(const std::function<Status()>& work, const std::string& crashMessage,
                         const ChildLimits& limits = {});

// The same for work that produces bytes, which come back through a pipe.
Result<std::vector<std::uint8_t>>
RunInChildProcess(const std::function<Result<std::vector<std::uint8_t>>()>& work,
                  const std::string& crashMessage, const ChildLimits& limits = {});

} // namespace orv
