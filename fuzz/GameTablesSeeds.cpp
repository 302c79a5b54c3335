// Writes a starting corpus for fuzz_game_tables into DIR: the stand-in string tables, colour
// rows and a few sprite sheets.
// Usage: fuzz_game_tables.seeds DIR

#include "StandinGameData.h"
#include "base/FileUtil.h"

#include <iostream>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: fuzz_game_tables.seeds DIR\n";
        return 2;
    }
    int n = 0;
    for (const auto& [name, bytes] : orv::standin::GenerateGameData()) {
        const bool table = name.ends_with(".tbl") || name.ends_with(".pcx");
        const bool someSheet = name.ends_with(".grp") && n % 25 == 0;
        if (table || someSheet || name.find("select") != std::string::npos) {
            if (!orv::WriteWholeFile(std::filesystem::path(argv[1]) / ("seed" + std::to_string(n)), bytes)) {
                return 1;
            }
        }
        ++n;
    }
    return 0;
}
