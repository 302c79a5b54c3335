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

// Copies `from` over `to` by writing the copy beside `to` (".orvistad-part") and renaming it
// into place: `to` is always either the old file or the whole new one.
Status CopyFileReplacing(const std::filesystem::path& from, const std::filesystem::path& to);

// A new, uniquely named folder under the system's temporary folder that only this user can
// read (mode 0700), named `prefix` + six random characters.
Result<std::filesystem::path> MakePrivateFolder(const std::string& prefix);

// The path as UTF-8 text for messages.
std::string PathText(const std::filesystem::path& path);

} // namespace orv
