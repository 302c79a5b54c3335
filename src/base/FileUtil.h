#pragma once

// Whole-file reads and writes with clear messages.

#include "base/Result.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace orv {

// Reads a whole file. Files above `maxBytes` are refused rather than loaded.
Result<std::vector<std::uint8_t>> ReadWholeFile(const std::filesystem::path& path,
                                                std::uint64_t maxBytes = std::uint64_t{1} << 31);

// Creates or overwrites a file with the given bytes, creating missing parent folders.
Status WriteWholeFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

// The path as UTF-8 text for messages.
std::string PathText(const std::filesystem::path& path);

} // namespace orv
