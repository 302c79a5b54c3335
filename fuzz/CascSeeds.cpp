// Writes a starting corpus for fuzz_casc into DIR: the pieces of a fake storage holding the
// stand-in files (its indexes, BLTE records of every form, the encoding table, the root, the
// build files), each behind the byte that picks its parser.
// Usage: fuzz_casc.seeds DIR

#include "archive/CascFormat.h"
#include "base/FileUtil.h"
#include "support/CascBuilder.h"
#include "support/TestSupport.h"

#include <iostream>

namespace {

int n = 0;

bool Seed(const std::filesystem::path& dir, std::uint8_t parser, const std::vector<std::uint8_t>& bytes) {
    std::vector<std::uint8_t> seed{parser};
    seed.insert(seed.end(), bytes.begin(), bytes.end());
    return orv::WriteWholeFile(dir / ("seed" + std::to_string(n++)), seed).ok();
}

std::vector<std::uint8_t> Record(const orv::test::RecordSpot& spot) {
    const auto archive = orv::test::ReadBytes(spot.archive);
    return {archive.begin() + static_cast<std::ptrdiff_t>(spot.offset + 30),
            archive.begin() + static_cast<std::ptrdiff_t>(spot.offset + spot.size)};
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: fuzz_casc.seeds DIR\n";
        return 2;
    }
    const std::filesystem::path dir(argv[1]);
    orv::test::TempDir scratch;
    orv::test::CascBuilder builder;
    builder.BlockSize = 300;
    builder.Add("arr/units.dat", orv::test::Pattern(1000, 1), orv::test::BlteForm::Blocks);
    builder.Add("rez/stat_txt.tbl", orv::test::Pattern(200, 2), orv::test::BlteForm::Stored);
    builder.Add("TileSet/Jungle.vx4ex", orv::test::Pattern(500, 3), orv::test::BlteForm::NoTable);
    builder.AddNotInstalled("locales/koKR/Assets/rez/stat_txt.tbl", orv::test::Pattern(10, 4));
    const auto storage = builder.Write(scratch.path() / "game");
    bool ok = true;
    for (const auto& index : storage.indexFiles) {
        ok = ok && Seed(dir, 0, orv::test::ReadBytes(index));
    }
    for (const auto& [path, spot] : storage.files) {
        ok = ok && Seed(dir, 1, Record(spot));
    }
    for (const auto* spot : {&storage.encoding, &storage.root}) {
        const auto blte = Record(*spot);
        ok = ok && Seed(dir, 1, blte);
        auto decoded = orv::casc::DecodeBlte(blte);
        ok = ok && decoded.ok() && Seed(dir, spot == &storage.encoding ? 2 : 3, decoded.value());
    }
    ok = ok && Seed(dir, 3, orv::test::ReadBytes(storage.folder / ".build.info")) &&
         Seed(dir, 3, orv::test::ReadBytes(storage.buildConfig));
    return ok ? 0 : 1;
}
