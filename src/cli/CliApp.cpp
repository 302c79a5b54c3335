#include "cli/CliApp.h"

#include "app/GameData.h"
#include "archive/MapArchiveReader.h"
#include "cli/Json.h"
#include "cli/TilesetSheet.h"
#include "graphics/OrvistadTypes.h"

#include <QGuiApplication>
#include "archive/Stormunit.h"

#include <chrono>
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
  data [--archive PATH]... [--standin]
                          run the editor's start-up (game archives from the Wine
                          registry's InstallPath and settings.txt) and print what it
                          loaded as JSON; --archive adds an archive with the highest
                          priority, --standin uses Orvistad's stand-in data alone
  tileset STEM_OR_NUMBER OUT.png [--archive PATH]... [--standin]
                          draw a contact sheet of a tileset (0 to 7, or badlands,
                          platform, Install, AshWorld, Jungle, Desert, Ice, twilight):
                          terrain variants, edge pairs, creep, doodads with their names

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

// Messages of the core go to standard error; nobody answers questions.
class StderrPrompter : public Prompter {
public:
    explicit StderrPrompter(std::ostream& err) : m_err(err) {}
    void ShowMessage(const std::string& text) override { m_err << "orvistad-cli: " << text << "\n"; }
    std::optional<std::string> InputText(const std::string&, const std::string&, const std::string&) override {
        return std::nullopt;
    }

private:
    std::ostream& m_err;
};

// Reads --archive PATH and --standin from args[first...]; the rest goes to `rest`.
bool ParseDataOptions(const std::vector<std::string>& args, std::size_t first, StartupOptions& options,
                      std::vector<std::string>& rest) {
    for (std::size_t i = first; i < args.size(); ++i) {
        if (args[i] == "--standin") {
            options.standinOnly = true;
        } else if (args[i] == "--archive" && i + 1 < args.size()) {
            options.extraArchives.push_back(args[++i]);
        } else if (args[i].rfind("--", 0) == 0) {
            return false;
        } else {
            rest.push_back(args[i]);
        }
    }
    return true;
}

int Tileset(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    StartupOptions options;
    std::vector<std::string> rest;
    if (!ParseDataOptions(args, 1, options, rest) || rest.size() != 2) {
        err << "usage: orvistad-cli tileset STEM_OR_NUMBER OUT.png [--archive PATH]... [--standin]\n";
        return 2;
    }
    const int tileset = TilesetFromText(rest[0]);
    if (tileset < 0) {
        err << "orvistad-cli: no tileset is called '" << rest[0] << "'\n";
        return 2;
    }
    // Text on the sheet needs a font system; without a display, draw off screen.
    if (!QGuiApplication::instance()) {
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && !qEnvironmentVariableIsSet("DISPLAY") &&
            !qEnvironmentVariableIsSet("WAYLAND_DISPLAY")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        static int argc = 1;
        static char name[] = "orvistad-cli";
        static char* argv[] = {name, nullptr};
        new QGuiApplication(argc, argv); // lives until the program ends
    }
    StderrPrompter prompter(err);
    TGameData data(prompter);
    data.Load(options);
    if (Status written = WriteTilesetSheet(data, tileset, rest[1]); !written) {
        err << "orvistad-cli: " << written.error() << "\n";
        return 1;
    }
    out << "wrote " << rest[1] << "\n";
    return 0;
}

int Data(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    StartupOptions options;
    std::vector<std::string> rest;
    if (!ParseDataOptions(args, 1, options, rest) || !rest.empty()) {
        err << "usage: orvistad-cli data [--archive PATH]... [--standin]\n";
        return 2;
    }
    StderrPrompter prompter(err);
    TGameData data(prompter);
    const auto start = std::chrono::steady_clock::now();
    data.Load(options);
    const auto ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();

    JsonWriter json(out);
    json.BeginObject().Key("archives").BeginArray();
    for (const std::string& archive : data.Archives.ArchiveList) {
        json.String(archive);
    }
    json.EndArray().Key("tables").BeginObject();
    const char* const tables[] = {GameTableNames::ImagesDat,   GameTableNames::SpritesDat,    GameTableNames::FlingyDat,
                                  GameTableNames::WeaponsDat,  GameTableNames::UpgradesDat,   GameTableNames::TechdataDat,
                                  GameTableNames::UnitsDat,    GameTableNames::StatTxt,       GameTableNames::ImagesTbl,
                                  GameTableNames::PlayerColours, GameTableNames::SelectionColours,
                                  GameTableNames::MinimapColours};
    for (const char* name : tables) {
        const long source = data.Archives.SourceOf(name);
        json.Key(name).BeginObject().Key("archive");
        if (source >= 0) {
            json.String(data.Archives.ArchiveList[static_cast<std::size_t>(source)]);
        } else {
            json.String("");
        }
        json.Key("bytes").Number(static_cast<std::int64_t>(data.Archives.ReadFileToStream(name).size())).EndObject();
    }
    int sheets = 0;
    int turrets = 0;
    for (const auto& sheet : data.GrpSheets) {
        sheets += sheet && sheet->HasData();
        turrets += sheet && sheet->Turret;
    }
    int unitsWithSheet = 0;
    for (int u = 0; u < kUnitTypeCount; ++u) {
        unitsWithSheet += data.UnitSheet(u) != nullptr;
    }
    json.EndObject().Key("counts").BeginObject();
    json.Key("strings").Number(static_cast<std::int64_t>(data.StatTxt.size()));
    json.Key("images").Number(static_cast<std::int64_t>(data.ImagesTbl.size()));
    json.Key("sheets").Number(std::int64_t{sheets});
    json.Key("units_with_sheet").Number(std::int64_t{unitsWithSheet});
    json.Key("turrets").Number(std::int64_t{turrets});
    json.EndObject().Key("ms").Number(ms).EndObject();
    out << "\n";
    return data.MissingTables.empty() ? 0 : 1;
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
        {"data", Data},
        {"tileset", Tileset},
    };
    const auto it = kCommands.find(args[0]);
    if (it == kCommands.end()) {
        err << "orvistad-cli: unknown command '" << args[0] << "' (see orvistad-cli --help)\n";
        return 2;
    }
    return it->second(args, out, err);
}

} // namespace orv::cli
