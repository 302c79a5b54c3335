#include "cli/CliApp.h"

#include "archive/MapArchiveReader.h"
#include "archive/Stormunit.h"

#include <cstdio>
#include <functional>
#include <map>

namespace orv::cli {
namespace {

constexpr const char* kUsage = R"(Usage: orvistad-cli COMMAND [ARGUMENTS]

Batch work on StarCraft and Brood War maps with the Orvistad editor's own core.

Commands:
  ls MAP                  list the files a map archive holds: hash slot, size, stored
                          size, compression, encryption and name (unnamed files are shown
                          as FileNNNNNNNN.xxx)
  extract MAP NAME OUT    write the archived file NAME (e.g. staredit\scenario.chk) to OUT

Maps are read the way the game reads them, so protected maps open too.

Options:
  -h, --help              show this help
)";

std::string Hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

std::string UnnamedName(std::uint32_t blockIndex) {
    char text[32];
    std::snprintf(text, sizeof text, "File%08u.xxx", blockIndex);
    return text;
}

std::string Pad(std::string text, std::size_t width) {
    if (text.size() < width) {
        text.insert(0, width - text.size(), ' ');
    }
    return text;
}

int List(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 2) {
        err << "usage: orvistad-cli ls MAP\n";
        return 2;
    }
    auto archive = MapArchiveReader::Open(args[1]);
    if (!archive) {
        err << "orvistad-cli: " << archive.error() << "\n";
        return 1;
    }
    const auto entries = archive.value().ListFiles();
    out << "archive header at offset " << archive.value().HeaderOffset() << "; " << entries.size() << " file"
        << (entries.size() == 1 ? "" : "s") << "\n";
    out << " slot       size     stored  compression         encrypted  name\n";
    for (const MapArchiveEntry& e : entries) {
        std::string compression = e.compression;
        compression.resize(std::max<std::size_t>(compression.size(), 18), ' ');
        const bool encrypted = (e.flags & 0x00010000) != 0;
        out << Pad(std::to_string(e.hashSlot), 5) << Pad(std::to_string(e.size), 11)
            << Pad(std::to_string(e.packedSize), 11) << "  " << compression << "  " << (encrypted ? "yes" : "no ")
            << "        " << (e.name.empty() ? UnnamedName(e.blockIndex) : e.name);
        if (!e.name.empty() && !e.readable) {
            out << "  (unreadable)";
        }
        if (e.locale != 0) {
            out << "  (locale " << Hex(e.locale) << ")";
        }
        out << "\n";
    }
    return 0;
}

int Extract(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 4) {
        err << "usage: orvistad-cli extract MAP NAME OUT\n";
        return 2;
    }
    TMyMPQ archives;
    if (Status extracted = archives.ExtractFileFromArchive(args[1], args[2], args[3]); !extracted) {
        err << "orvistad-cli: " << extracted.error() << "\n";
        return 1;
    }
    out << "wrote " << args[3] << "\n";
    return 0;
}

} // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        err << kUsage;
        return 2;
    }
    if (args[0] == "-h" || args[0] == "--help" || args[0] == "help") {
        out << kUsage;
        return 0;
    }
    using Command = std::function<int(const std::vector<std::string>&, std::ostream&, std::ostream&)>;
    static const std::map<std::string, Command> kCommands = {
        {"ls", List},
        {"extract", Extract},
    };
    const auto it = kCommands.find(args[0]);
    if (it == kCommands.end()) {
        err << "orvistad-cli: unknown command '" << args[0] << "' (see orvistad-cli --help)\n";
        return 2;
    }
    return it->second(args, out, err);
}

} // namespace orv::cli
