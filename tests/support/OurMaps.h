#pragma once

#include <string>

namespace orv::test {

// Writes a map with our own writer at `path`: `side` x `side` tiles of jungle with two units
// (owners 0 and 1), on the stand-in data.
void WriteOurMap(const std::string& path, int side = 64);

} // namespace orv::test
