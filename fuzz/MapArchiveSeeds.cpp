// Writes a starting corpus for fuzz_map_archive into DIR: archives our writer makes, and
// the small archives of the real-map corpus when it is given.
// Usage: fuzz_map_archive.seeds DIR [CORPUS_DIR]

#include "archive/Stormunit.h"
#include "base/FileUtil.h"

#include <filesystem>
#include <iostream>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: fuzz_map_archive.seeds DIR [CORPUS_DIR]\n";
        return 2;
    }
    namespace fs = std::filesystem;
    const fs::path out = argv[1];
    fs::create_directories(out);

    std::vector<std::uint8_t> scenario;
    for (int i = 0; i < 20000; ++i) {
        scenario.push_back(static_cast<std::uint8_t>(i % 97 < 60 ? 0 : i * 7));
    }
    const fs::path chk = out / "scenario.tmp";
    if (!orv::WriteWholeFile(chk, scenario)) {
        return 1;
    }
    orv::TMyMPQ mpq;
    const auto status = mpq.SaveScenarioToArchive((out / "written.scx").string(), chk.string());
    fs::remove(chk);
    if (!status) {
        std::cerr << status.error() << "\n";
    }

    if (argc > 2 && fs::is_directory(argv[2])) {
        for (const auto& entry : fs::directory_iterator(argv[2])) {
            const auto ext = entry.path().extension();
            if ((ext == ".scm" || ext == ".scx") && entry.file_size() <= 128 * 1024) {
                fs::copy_file(entry.path(), out / entry.path().filename(),
                              fs::copy_options::overwrite_existing);
            }
        }
    }
    return 0;
}
