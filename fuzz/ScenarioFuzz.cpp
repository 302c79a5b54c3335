// Any bytes as a scenario file: the section walk, every handler, the string tables (STR
// and STRx), and the writer over whatever was read.

#include "app/Debugunit.h"
#include "scenario/CCHKFile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    orv::SetDebugLogPath({}); // no log file grows while fuzzing
    const orv::Bytes bytes(data, size);
    // The string tables are read through their STR and STRx sections.
    static orv::SilentPrompter silent;
    static orv::TCHK chk(silent); // reused: every read starts by clearing it
    if (chk.ReadSections(bytes)) {
        (void)chk.WriteToBytes();
        chk.RebuildTileMap({0, 0, 16, 16});
        chk.AddUnit(10, 10, 0, 5);
    }
    return 0;
}
