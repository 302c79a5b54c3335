#pragma once

#include "base/Result.h"

#include <string>

namespace orv::standin {

// Writes every stand-in file into a new archive at `path` (replacing it), atomically.
Status WriteStandinArchive(const std::string& path);

} // namespace orv::standin
