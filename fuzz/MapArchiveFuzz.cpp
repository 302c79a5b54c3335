// Any bytes at all, read as a map archive: look up the files a map holds and list it.

#include "app/Debugunit.h"
#include "archive/MapArchiveReader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    orv::SetDebugLogPath({}); // no log file grows while fuzzing
    // The library's sound decoders are kept out of the fuzzer's process by the reader with
    // a child process; the fuzzer itself must not fork, so it refuses those files.
    orv::MapArchiveReader::SetSoundDecoding(orv::MapArchiveReader::SoundDecoding::Refuse);
    auto reader = orv::MapArchiveReader::FromBytes(std::vector<std::uint8_t>(data, data + size));
    if (!reader) {
        return 0;
    }
    for (const char* name : {"staredit\\scenario.chk", "(listfile)", "staredit\\wav\\a.wav"}) {
        (void)reader.value().ReadFile(name);
    }
    (void)reader.value().ListFiles();
    return 0;
}
