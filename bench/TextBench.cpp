// Guessing a map's code page from a full 1,024-string table, as opening a map does.
// Target: under 1 ms.

#include "scenario/CCHKFile.h"
#include "scenario/ScenarioText.h"
#include "support/RecordingPrompter.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <random>

namespace {

const orv::TextCodec& Codec() {
    static const orv::TextCodec codec = [] {
        auto opened = orv::TextCodec::Open();
        if (!opened) {
            std::fprintf(stderr, "%s\n", opened.error().c_str());
            std::abort();
        }
        return std::move(opened).value();
    }();
    return codec;
}

// 1,024 strings of 8 to 200 bytes as maps hold them: mostly ASCII with colour bytes, Korean
// trigger texts, a few Western and UTF-8 ones.
std::vector<std::string> MixedTable() {
    const std::vector<std::string> pieces = {"\x04",
                                             "Lost Temple ",
                                             "\r\n",
                                             "\xC7\xD1\xB1\xDB ",
                                             "\xB4\xDC\xC0\xE5",
                                             "\xDC"
                                             "berall ",
                                             "h\xE4l ",
                                             "\xED\x95\x9C ",
                                             "\xA1\xA1"};
    std::mt19937 random(1024);
    std::vector<std::string> table(1024);
    for (std::size_t i = 0; i < table.size(); ++i) {
        const std::size_t kind = i % 16; // 0-9 ASCII, 10-13 Korean, 14 Western, 15 UTF-8
        std::string& s = table[i];
        const std::size_t length = 8 + random() % 192;
        while (s.size() < length) {
            const std::size_t piece = random() % 3;
            s += pieces[piece];
            if (kind >= 10) {
                s += pieces[kind <= 13 ? 3 + random() % 2 : kind == 14 ? 5 + random() % 2 : 7];
            }
        }
    }
    return table;
}

void BM_DetectCodePage1024Strings(benchmark::State& state) {
    const std::vector<std::string> table = MixedTable();
    const std::vector<std::string_view> evidence(table.begin(), table.end());
    Codec();
    for (auto _ : state) {
        auto guess = orv::DetectCodePage(evidence, Codec());
        benchmark::DoNotOptimize(guess);
    }
}
BENCHMARK(BM_DetectCodePage1024Strings)->Unit(benchmark::kMicrosecond);

// The same table referred to by 16 triggers of 64 text actions: collecting the references
// from the scenario is part of the work.
void BM_DetectCodePageOfScenario(benchmark::State& state) {
    orv::test::RecordingPrompter prompter;
    orv::TCHK chk(prompter);
    chk.Version = 205;
    chk.Strings.Entries = MixedTable();
    chk.Triggers.assign(16 * 2400, 0);
    for (std::uint32_t n = 0; n < 1024; ++n) {
        const std::size_t at = (n / 64) * 2400 + 320 + 32 * (n % 64);
        const std::uint32_t number = n + 1;
        for (std::size_t k = 0; k < 4; ++k) {
            chk.Triggers[at + 4 + k] = static_cast<std::uint8_t>(number >> (8 * k));
        }
        chk.Triggers[at + 0x1A] = 9; // display text
    }
    Codec();
    for (auto _ : state) {
        auto guess = orv::DetectCodePage(chk, Codec());
        benchmark::DoNotOptimize(guess);
    }
}
BENCHMARK(BM_DetectCodePageOfScenario)->Unit(benchmark::kMicrosecond);

} // namespace
