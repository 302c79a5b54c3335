// Any bytes as a scenario file: the section walk, every handler, the string tables (STR
// and STRx), the text layer (the map's code page guessed, each string shown and stored back),
// and the writer over whatever was read.

#include "app/Debugunit.h"
#include "scenario/CCHKFile.h"
#include "scenario/ScenarioText.h"
#include "scenario/TaggedText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    orv::SetDebugLogPath({}); // no log file grows while fuzzing
    const orv::Bytes bytes(data, size);
    // The string tables are read through their STR and STRx sections.
    static orv::SilentPrompter silent;
    static orv::TCHK chk(silent); // reused: every read starts by clearing it
    if (chk.ReadSections(bytes)) {
        static const auto codec = orv::TextCodec::Open();
        if (codec) {
            const orv::CodePageGuess guess = orv::DetectCodePage(chk, codec.value());
            for (std::uint32_t number : orv::TextStringNumbers(chk)) {
                const std::string raw = chk.Strings.Text(number);
                // A string shown in a text field and stored unchanged keeps its bytes.
                const auto shown = codec.value().Show(raw, guess.ShownPage());
                const auto stored = codec.value().Store(shown.Text, shown.ShownAs);
                if (orv::FromTagged(orv::ToTagged(raw)) != raw || (stored && stored.value() != raw)) {
                    std::abort();
                }
            }
        }
        (void)chk.WriteToBytes();
        chk.RebuildTileMap({0, 0, 16, 16});
        chk.AddUnit(10, 10, 0, 5);
    }
    return 0;
}
