// Any bytes as a piece of the current game's CASC storage. The first byte picks the parser:
// 0 a local index, 1 a BLTE stream, 2 an encoding table, 3 the root and the build files.

#include "archive/CascFormat.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const orv::Bytes bytes(data + 1, size - 1);
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    switch (data[0] % 4) {
    case 0:
        if (auto entries = orv::casc::ParseIndex(bytes)) {
            for (const auto& entry : entries.value()) {
                (void)orv::casc::RecordHeaderMatches(bytes, entry.key);
            }
        }
        break;
    case 1:
        // A small limit keeps the fuzzer's memory low; the parser's own limit is tested elsewhere.
        (void)orv::casc::DecodeBlte(bytes, 16u << 20);
        break;
    case 2:
        (void)orv::casc::ParseEncoding(bytes);
        break;
    default:
        (void)orv::casc::ParseRoot(text);
        (void)orv::casc::ParseBuildInfo(text);
        (void)orv::casc::ParseBuildConfig(text);
        break;
    }
    return 0;
}
