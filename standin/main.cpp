// orvistad-standin OUT.mpq: writes Orvistad's stand-in game archive.

#include "StandinArchive.h"

#include <iostream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: orvistad-standin OUT.mpq\n";
        return 2;
    }
    const auto status = orv::standin::WriteStandinArchive(argv[1]);
    if (!status) {
        std::cerr << "orvistad-standin: " << status.error() << "\n";
        return 1;
    }
    return 0;
}
