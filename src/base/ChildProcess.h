#pragma once

#include "base/Result.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orv {

// Runs `work` in a child process and returns its result; a child that crashes gives an
// error instead of taking the program with it. Used around library code that aborts or
// crashes on malformed input; a crash is reported as `crashMessage` with the signal's
// number. Falls back to running in-process when no child can be started.
Status RunInChildProcess(const std::function<Status()>& work, const std::string& crashMessage);

// The same for work that produces bytes, which come back through a pipe.
Result<std::vector<std::uint8_t>> RunInChildProcess(const std::function<Result<std::vector<std::uint8_t>>()>& work,
                                                    const std::string& crashMessage);

} // namespace orv
