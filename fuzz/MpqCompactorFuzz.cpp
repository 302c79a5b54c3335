// Any bytes at all, written anew as a map archive (as a save does when the archive library
// cannot compact a map): the writer must refuse or succeed without reading outside the
// input, and what it writes must read back.

#include "app/Debugunit.h"
#include "archive/MapArchiveReader.h"
#include "archive/MpqCompactor.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    orv::SetDebugLogPath({});
    orv::MapArchiveReader::SetSoundDecoding(orv::MapArchiveReader::SoundDecoding::Refuse);
    const std::vector<std::uint8_t> input(data, data + size);
    orv::MpqRewriteOptions options;
    options.names = {"staredit\\wav\\a.wav"};
    auto rewritten = orv::MpqCompactor::Rewrite(input, options);
    if (rewritten) {
        auto reader = orv::MapArchiveReader::FromBytes(std::move(rewritten).value());
        if (reader) {
            (void)reader.value().ReadFile("staredit\\scenario.chk");
        }
    }
    // A larger table for the same files.
    options.hashTableSize = 64;
    (void)orv::MpqCompactor::Rewrite(input, options);
    return 0;
}
