// Writes a starting corpus for fuzz_scenario into DIR: scenarios our writer makes and the
// scenarios of the real-map corpus when it is given.
// Usage: fuzz_scenario.seeds DIR [CORPUS_DIR]

#include "archive/MapArchiveReader.h"
#include "base/FileUtil.h"
#include "scenario/CCHKFile.h"

#include <filesystem>
#include <iostream>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: fuzz_scenario.seeds DIR [CORPUS_DIR]\n";
        return 2;
    }
    namespace fs = std::filesystem;
    const fs::path out = argv[1];
    fs::create_directories(out);
    orv::SilentPrompter silent;
    int n = 0;
    for (int version : {59, 63, 205}) {
        orv::TCHK chk(silent);
        chk.NewMap(2, version % 8, 32, 24, nullptr);
        chk.Version = static_cast<std::uint16_t>(version);
        chk.AddUnit(40, 40, 0, 214);
        chk.AddLocation(1, 1, 4, 4, 256, 32, "Location");
        if (auto bytes = chk.WriteToBytes()) {
            (void)orv::WriteWholeFile(out / ("written" + std::to_string(n++) + ".chk"), bytes.value());
        }
    }
    if (argc > 2 && fs::is_directory(argv[2])) {
        for (const auto& entry : fs::directory_iterator(argv[2])) {
            const auto ext = entry.path().extension();
            if (ext != ".scm" && ext != ".scx") {
                continue;
            }
            auto reader = orv::MapArchiveReader::Open(entry.path());
            auto chk = reader ? reader.value().ReadFile("staredit\\scenario.chk")
                              : orv::Result<std::vector<std::uint8_t>>(orv::MakeError(""));
            if (chk && chk.value().size() <= 300000) {
                (void)orv::WriteWholeFile(out / (entry.path().stem().string() + ".chk"), chk.value());
            }
        }
    }
    return 0;
}
