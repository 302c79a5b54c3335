#pragma once

// orvistad-cli: batch work on maps with the editor's own core.

#include <ostream>
#include <string>
#include <vector>

namespace orv::cli {

// Runs one command line (without the program name); returns the exit status.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace orv::cli
