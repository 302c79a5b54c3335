#include "cli/CliApp.h"

#include <QGuiApplication>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>

#include "app/GameData.h"
#include "app/GameExtract.h"
#include "app/MapDocument.h"
#include "app/MapSave.h"
#include "app/OptionCommands.h"
#include "archive/MapArchiveReader.h"
#include "archive/Stormunit.h"
#include "base/FileUtil.h"
#include "cli/DemoMap.h"
#include "cli/EditScript.h"
#include "cli/TilesetSheet.h"
#include "graphics/OrvistadTypes.h"
#include "scenario/CCHKFile.h"
#include "scenario/MapText.h"
#include "scenario/NewMapDefaults.h"
#include "scenario/ScenarioText.h"
#include "view/MapImage.h"
#include "view/MapRenderer.h"
#include "view/Overlays.h"
#include "view/Viewport.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>

namespace orv::cli {
namespace {

// Game strings are 8-bit: each byte becomes one character (U+0000 to U+00FF).
QString Latin1(const std::string& bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// How a map's text is shown: its legacy code page, UTF-8 when its only non-ASCII text is
// UTF-8, or ASCII.
QString EncodingShown(const CodePageGuess& guess) {
    if (guess.Legacy) {
        return EncodingName(*guess.Legacy);
    }
    return guess.Counts[ByteClass::Utf8] > 0 ? "UTF-8" : "ASCII";
}

// One JSON object on one line (keys in sorted order).
void WriteJson(std::ostream& out, const QJsonObject& object) {
    out << QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}

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
                          loaded as JSON, with the source of each table; --archive adds
                          an archive, a folder of extracted files or a current game's
                          installation folder with the highest priority, --standin uses
                          Orvistad's stand-in data alone
  extract-game INSTALL_DIR OUT_DIR
                          copy every file the editor reads (rule and text tables, palette
                          PCX files, sprite sheets, tilesets with their .vx4ex files) out
                          of the current game's storage (the folder with .build.info)
                          into OUT_DIR, under the storage's paths
  info MAP [--raw-strings]
                          print the scenario of a map (or a bare .chk) as JSON, its
                          text decoded in the code page it uses ("encoding"), or with
                          --raw-strings each byte as one character
  resave MAP OUT          load a map and save it again, as the editor does, into OUT
                          (OUT replaced only when the save worked)
  edit MAP OUT --script FILE [--history] [--archive PATH]... [--standin]
                          load a map, run the JSON-lines script FILE through the
                          editor's tools and edit history, and save it into OUT;
                          --history prints the steps made
  new OUT --width W --height H --tileset T --terrain N [--archive PATH]... [--standin]
                          create a new map (N: index into the tileset's terrain types)
  demo OUT [--archive PATH]... [--standin]
                          write the demo map: terrain types, doodads, units of several
                          owners, creep, fog of war and named locations
  render MAP OUT.jpg [--archive PATH]... [--standin]
                          write the whole-map image (32 pixels per tile, JPEG)
  render MAP OUT.png --view COL,ROW,WIDTH,HEIGHT [--flags N] [--player P] [--no-creep]
         [--grid] [--fine-grid] [--archive PATH]... [--standin]
                          draw what a map window of that size scrolled to that tile shows
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

// An archived name as it may be printed on a terminal: control characters (C0, DEL, and C1
// written as UTF-8) and bytes that are not UTF-8 are written as \xNN, so a hostile name
// cannot send escape sequences. Backslashes stay as they are, as the game writes paths.
std::string PrintableName(std::string_view name) {
    std::string out;
    auto escape = [&](unsigned char byte) {
        char text[8];
        std::snprintf(text, sizeof text, "\\x%02X", byte);
        out += text;
    };
    for (std::size_t i = 0; i < name.size();) {
        const auto byte = static_cast<unsigned char>(name[i]);
        if (byte < 0x20 || byte == 0x7F) {
            escape(byte);
            ++i;
            continue;
        }
        if (byte < 0x80) {
            out += static_cast<char>(byte);
            ++i;
            continue;
        }
        // A whole UTF-8 sequence of a printable character passes; anything else is escaped.
        const std::size_t length = byte >= 0xF0 && byte <= 0xF4  ? 4
                                   : byte >= 0xE0                ? 3
                                   : byte >= 0xC2 && byte < 0xE0 ? 2
                                                                 : 0;
        bool whole = length != 0 && i + length <= name.size();
        std::uint32_t code = byte & (length == 2 ? 0x1F : length == 3 ? 0x0F : 0x07);
        for (std::size_t k = 1; whole && k < length; ++k) {
            const auto next = static_cast<unsigned char>(name[i + k]);
            whole = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        const bool overlong =
            (length == 3 && code < 0x800) || (length == 4 && (code < 0x10000 || code > 0x10FFFF));
        if (whole && !overlong && !(code >= 0x80 && code <= 0x9F) && !(code >= 0xD800 && code <= 0xDFFF)) {
            out.append(name.substr(i, length));
            i += length;
        } else {
            escape(byte);
            ++i;
        }
    }
    return out;
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
            << Pad(std::to_string(e.packedSize), 11) << "  " << compression << "  "
            << (encrypted ? "yes" : "no ") << "        "
            << (e.name.empty() ? UnnamedName(e.blockIndex) : PrintableName(e.name));
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

int ExtractGame(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 3) {
        err << "usage: orvistad-cli extract-game INSTALL_DIR OUT_DIR\n";
        return 2;
    }
    auto report = ExtractGameFiles(args[1], args[2]);
    if (!report) {
        err << "orvistad-cli: " << report.error() << "\n";
        return 1;
    }
    for (const std::string& failure : report.value().failures) {
        err << "orvistad-cli: " << PrintableName(failure) << "\n";
    }
    out << "wrote " << report.value().written << " files (" << report.value().bytes << " bytes) to "
        << args[2];
    if (!report.value().notInstalled.empty()) {
        out << "; " << report.value().notInstalled.size() << " not installed";
    }
    if (!report.value().failures.empty()) {
        out << "; " << report.value().failures.size() << " failed";
    }
    out << "\n";
    return report.value().failures.empty() && report.value().written > 0 ? 0 : 1;
}

// Messages of the core go to standard error; nobody answers questions.
class StderrPrompter : public Prompter {
public:
    explicit StderrPrompter(std::ostream& err) : m_err(err) {}
    void ShowMessage(const std::string& text) override { m_err << "orvistad-cli: " << text << "\n"; }
    std::optional<std::string> InputText(const std::string&, const std::string&,
                                         const std::string&) override {
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

void EnsureGuiApplication() {
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
    EnsureGuiApplication();
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

std::string Name4(const std::array<char, 4>& name) {
    return std::string(name.data(), 4);
}

int Info(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const bool raw = args.size() == 3 && args[2] == "--raw-strings";
    if (args.size() != 2 && !raw) {
        err << "usage: orvistad-cli info MAP [--raw-strings]\n";
        return 2;
    }
    SilentPrompter quiet; // the messages of a load are not for a report
    TCHK chk(quiet);
    if (Status loaded = chk.LoadFromFile(args[1]); !loaded) {
        err << "orvistad-cli: " << loaded.error() << "\n";
        return 1;
    }
    // Strings as the editor shows them, in the code page the map's text points to; with
    // --raw-strings, each byte as one character (U+0000 to U+00FF).
    if (auto codec = TextCodec::Open(); !codec && !raw) {
        err << "orvistad-cli: " << codec.error() << "\n";
        return 1;
    }
    const TMapText mapText(chk);
    const CodePageGuess& guess = mapText.Guess();
    auto text = [&](std::uint32_t number) {
        const std::string& bytes = chk.Strings.Text(number);
        return raw ? Latin1(bytes) : QString::fromStdString(mapText.Show(bytes));
    };
    QJsonArray sections;
    for (const SectionInfo& section : chk.SectionsRead) {
        sections.append(QJsonObject{{"name", Latin1(Name4(section.Name))}, {"size", double(section.Size)}});
    }
    QJsonArray players;
    for (std::size_t p = 0; p < 12; ++p) {
        QJsonObject player{{"owner_type", chk.OwnerTypes[p]}, {"race", chk.Races[p]}};
        if (p < 8) {
            player["force"] = chk.PlayerForces[p];
            player["colour"] = chk.Colours[p];
        }
        players.append(player);
    }
    QJsonArray forces;
    for (std::size_t f = 0; f < 4; ++f) {
        forces.append(QJsonObject{{"name", text(chk.ForceNames[f])}, {"flags", chk.ForceFlags[f]}});
    }
    QJsonArray units;
    for (const UnitRecord& u : chk.Units) {
        units.append(QJsonObject{{"serial", double(u.Serial)},
                                 {"type", u.Type},
                                 {"owner", u.Owner},
                                 {"x", u.X},
                                 {"y", u.Y},
                                 {"hp", u.HitPoints},
                                 {"shields", u.Shields},
                                 {"energy", u.Energy},
                                 {"resources", double(u.Resources)},
                                 {"hangar", u.Hangar},
                                 {"state", u.State},
                                 {"valid_state", u.ValidState},
                                 {"valid_props", u.ValidProps}});
    }
    QJsonArray doodads;
    for (const DoodadRecord& d : chk.Doodads) {
        doodads.append(QJsonObject{
            {"number", d.Number}, {"x", d.X}, {"y", d.Y}, {"owner", d.Owner}, {"enabled", d.Enabled}});
    }
    QJsonArray locations;
    for (std::size_t i = 0; i < chk.Locations.size(); ++i) {
        const LocationSlot& l = chk.Locations[i];
        if (l.InUse) {
            locations.append(QJsonObject{{"slot", static_cast<int>(i)},
                                         {"left", l.Left},
                                         {"top", l.Top},
                                         {"right", l.Right},
                                         {"bottom", l.Bottom},
                                         {"name", text(l.Name)},
                                         {"flags", l.Flags}});
        }
    }
    QJsonArray kept;
    for (const KeptSection& section : chk.KeptSections) {
        kept.append(Latin1(Name4(section.Name)));
    }
    const QJsonObject report{{"version", chk.Version},
                             {"tileset", chk.Tileset()},
                             {"width", chk.Width},
                             {"height", chk.Height},
                             {"sections", sections},
                             {"name", text(chk.ScenarioName)},
                             {"description", text(chk.ScenarioDescription)},
                             {"encoding", EncodingShown(guess)},
                             {"players", players},
                             {"forces", forces},
                             {"units", units},
                             {"doodads", doodads},
                             {"locations", locations},
                             {"strings", static_cast<double>(chk.Strings.Entries.size())},
                             {"triggers", static_cast<double>(chk.Triggers.size() / 2400)},
                             {"briefings", static_cast<double>(chk.Briefings.size() / 2400)},
                             {"kept_sections", kept}};
    WriteJson(out, report);
    out << "\n";
    return 0;
}

// Opens a map exactly as the editor does (a working copy, the tileset linked), after removing
// the working folders that killed runs left; a failure is written to `err`.
std::unique_ptr<TMapDocument> OpenAsEditor(const std::string& path, TGameData& data, Prompter& prompter,
                                           std::ostream& err) {
    RemoveStaleWorkingFolders();
    auto doc = TMapDocument::Open(path, data, prompter);
    if (!doc) {
        err << "orvistad-cli: " << doc.error() << "\n";
        return nullptr;
    }
    return std::move(doc).value();
}

int Resave(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    StartupOptions options;
    std::vector<std::string> rest;
    if (!ParseDataOptions(args, 1, options, rest) || rest.size() != 2) {
        err << "usage: orvistad-cli resave MAP OUT [--archive PATH]... [--standin]\n";
        return 2;
    }
    StderrPrompter prompter(err);
    TGameData data(prompter);
    data.Load(options);
    const auto doc = OpenAsEditor(rest[0], data, prompter, err);
    if (!doc) {
        return 1;
    }
    auto saved = doc->Save(rest[1]);
    if (!saved) {
        err << "orvistad-cli: " << saved.error() << "\n";
        return 1;
    }
    if (saved.value().rebuilt) {
        out << rest[0]
            << " could not be updated in place (a protected archive); wrote a new archive with the scenario "
               "and "
            << saved.value().carried << " other file" << (saved.value().carried == 1 ? "" : "s") << "\n";
    }
    out << "wrote " << rest[1] << "\n";
    return 0;
}

int Edit(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    StartupOptions options;
    std::vector<std::string> rest, remaining = {"edit"};
    std::string scriptPath;
    bool history = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--script" && i + 1 < args.size()) {
            scriptPath = args[++i];
        } else if (args[i] == "--history") {
            history = true;
        } else {
            remaining.push_back(args[i]);
        }
    }
    if (scriptPath.empty() || !ParseDataOptions(remaining, 1, options, rest) || rest.size() != 2) {
        err << "usage: orvistad-cli edit MAP OUT --script FILE [--history] [--archive PATH]... [--standin]\n";
        return 2;
    }
    auto script = ReadWholeFile(scriptPath, 64u << 20);
    if (!script) {
        err << "orvistad-cli: " << script.error() << "\n";
        return 1;
    }
    // Loaded, edited and saved as the editor does: the same document, tools and history.
    cli::ScriptPrompter prompter;
    TGameData data(prompter);
    data.Load(options);
    const auto doc = OpenAsEditor(rest[0], data, prompter, err);
    if (!doc) {
        return 1;
    }
    TMapDocument& document = *doc;
    TEditState edit;
    edit.Text = TMapText(document.Chk); // the map's text encoding, as a window guesses it
    edit.Placement = PlacementOptions(data.Options);
    edit.SheetHalfHeight = [&data](int sheet) {
        return sheet > 0 && static_cast<std::size_t>(sheet) < data.GrpSheets.size() &&
                       data.GrpSheets[static_cast<std::size_t>(sheet)]
                   ? data.GrpSheets[static_cast<std::size_t>(sheet)]->HalfHeight()
                   : 0;
    };
    TMapTools tools(document.Chk, document.History, edit, prompter);
    tools.OnChange = [&document](const TEditChange& change) { document.Changed(change); };
    const cli::TScriptData scriptData{TSettingsTables::From(data),
                                      [&data](int tileset) { return &data.Tileset(tileset); }};
    const Status ran = cli::RunEditScript(std::string(script.value().begin(), script.value().end()), tools,
                                          prompter, scriptData);
    for (const std::string& message : prompter.messages) {
        err << "orvistad-cli: " << message << "\n";
    }
    if (!ran) {
        err << "orvistad-cli: " << scriptPath << ", " << ran.error() << "; nothing was written\n";
        return 1;
    }
    if (history) {
        const auto names = document.History.StepNames();
        for (std::size_t i = 0; i < document.History.Position(); ++i) {
            out << names[i] << "\n";
        }
    }
    auto saved = document.Save(rest[1]);
    if (!saved) {
        err << "orvistad-cli: " << saved.error() << "\n";
        return 1;
    }
    out << "wrote " << rest[1] << "\n";
    return 0;
}

int New(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    StartupOptions options;
    std::vector<std::string> rest;
    std::map<std::string, int> numbers = {{"--width", 128}, {"--height", 128}, {"--terrain", 0}};
    std::string tilesetText = "0";
    std::vector<std::string> remaining;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (numbers.count(args[i]) && i + 1 < args.size()) {
            const std::string& key = args[i];
            numbers[key] = std::atoi(args[i + 1].c_str());
            ++i;
        } else if (args[i] == "--tileset" && i + 1 < args.size()) {
            tilesetText = args[++i];
        } else {
            remaining.push_back(args[i]);
        }
    }
    remaining.insert(remaining.begin(), "new");
    const int tileset = TilesetFromText(tilesetText);
    if (!ParseDataOptions(remaining, 1, options, rest) || rest.size() != 1 || tileset < 0) {
        err << "usage: orvistad-cli new OUT --width W --height H --tileset T --terrain N [--archive PATH]... "
               "[--standin]\n";
        return 2;
    }
    const int width = numbers["--width"], height = numbers["--height"], terrain = numbers["--terrain"];
    const auto& groups = TerrainTypeGroups[static_cast<std::size_t>(tileset)];
    for (const auto& [what, side] : {std::pair{"width", width}, std::pair{"height", height}}) {
        if (const std::string problem = NewMapSizeProblem(what, side); !problem.empty()) {
            err << "orvistad-cli: " << problem << "\n";
            return 2;
        }
    }
    if (terrain < 0 || terrain >= kTerrainTypesPerTileset || groups[static_cast<std::size_t>(terrain)] == 0) {
        err << "orvistad-cli: terrain " << terrain << " is not a terrain type of "
            << TilesetNames[static_cast<std::size_t>(tileset)] << "\n";
        return 2;
    }
    StderrPrompter prompter(err);
    TGameData data(prompter);
    data.Load(options);
    TCHK chk(prompter, &data.UnitsDat);
    chk.NewMap(groups[static_cast<std::size_t>(terrain)], tileset, width, height, &data.Tileset(tileset));
    auto saved = SaveMap(data.Archives, chk, std::string(), rest[0]);
    if (!saved) {
        err << "orvistad-cli: " << saved.error() << "\n";
        return 1;
    }
    out << "wrote " << rest[0] << "\n";
    return 0;
}

int Render(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    StartupOptions options;
    std::vector<std::string> rest;
    std::vector<std::string> remaining = {"render"};
    int column = 0, row = 0, width = 0, height = 0, zoomIndex = TViewport::kDefaultZoom;
    std::uint32_t flags = 0;
    bool haveView = false, badOption = false;
    bool creep = true, grid = false, fineGrid = false;
    OverlayState overlay;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--view" && i + 1 < args.size()) {
            int c = 0, r = 0, w = 0, h = 0;
            if (std::sscanf(args[i + 1].c_str(), "%d,%d,%d,%d", &c, &r, &w, &h) == 4 && w > 0 && h > 0 &&
                w <= 8192 && h <= 8192) {
                column = std::max(0, c);
                row = std::max(0, r);
                width = w;
                height = h;
                haveView = true;
            } else {
                badOption = true;
            }
            ++i;
        } else if (args[i] == "--zoom" && i + 1 < args.size()) {
            const std::string percent = args[++i];
            const auto* caption =
                std::find_if(TViewport::kZoomCaptions.begin(), TViewport::kZoomCaptions.end(),
                             [&](const char* c) { return percent + "%" == c; });
            if (caption == TViewport::kZoomCaptions.end()) {
                badOption = true;
            } else {
                zoomIndex = static_cast<int>(caption - TViewport::kZoomCaptions.begin());
            }
        } else if (args[i] == "--no-creep") {
            creep = false;
        } else if (args[i] == "--grid") {
            grid = true;
        } else if (args[i] == "--fine-grid") {
            fineGrid = true;
        } else if ((args[i] == "--flags" || args[i] == "--player") && i + 1 < args.size()) {
            const int value = std::atoi(args[i + 1].c_str());
            if (args[i] == "--flags") {
                flags = static_cast<std::uint32_t>(value);
            } else {
                overlay.CurrentPlayer = value;
            }
            ++i;
        } else {
            remaining.push_back(args[i]);
        }
    }
    if (badOption || !ParseDataOptions(remaining, 1, options, rest) || rest.size() != 2) {
        err << "usage: orvistad-cli render MAP OUT.jpg | render MAP OUT.png --view COL,ROW,WIDTH,HEIGHT "
               "[--zoom PERCENT] "
               "[--flags N] [--player P] [--no-creep] [--grid] [--fine-grid] [--archive PATH]... "
               "[--standin]\n"
               "  PERCENT: 25, 50, 100, 200, 400 or 800\n";
        return 2;
    }
    StderrPrompter prompter(err);
    TGameData data(prompter);
    data.Load(options);
    data.Options.ShowCreep = creep;
    data.Options.ShowGrid = grid;
    data.Options.ShowFineGrid = fineGrid;
    TCHK chk(prompter, &data.UnitsDat);
    if (Status loaded = chk.LoadFromFile(rest[0]); !loaded) {
        err << "orvistad-cli: " << loaded.error() << "\n";
        return 1;
    }
    CStarcraftTileset& tileset = data.Tileset(chk.Tileset());
    chk.LinkTileset(&tileset);
    chk.RebuildCreep();
    if (!haveView) {
        if (Status written = ExportMapImage(chk, tileset, data, rest[1]); !written) {
            err << "orvistad-cli: " << written.error() << "\n";
            return 1;
        }
        out << "wrote " << rest[1] << "\n";
        return 0;
    }
    // What a map window of that display size shows, scrolled and zoomed as the window does
    // it (the scroll clamped as its scroll bars clamp it).
    TViewport viewport;
    viewport.Initialize(chk.Width, chk.Height, width, height);
    viewport.ZoomChange(zoomIndex);
    viewport.HoriScrollChange(column * viewport.TileScreenSize);
    viewport.VertScrollChange(row * viewport.TileScreenSize);
    const ViewState view = viewport.View(flags);
    EnsureGuiApplication(); // location names need the font system
    CMapRenderer renderer;
    renderer.DrawDisplay(chk, tileset, data, view, overlay);
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(0u);
    {
        QPainter painter(&image);
        painter.drawImage(QPoint(0, 0), renderer.Screen);
    }
    if (!image.save(QString::fromStdString(rest[1]))) {
        err << "orvistad-cli: cannot write " << rest[1] << "\n";
        return 1;
    }
    out << "wrote " << rest[1] << "\n";
    return 0;
}

int Demo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    StartupOptions options;
    std::vector<std::string> rest;
    if (!ParseDataOptions(args, 1, options, rest) || rest.size() != 1) {
        err << "usage: orvistad-cli demo OUT [--archive PATH]... [--standin]\n";
        return 2;
    }
    StderrPrompter prompter(err);
    TGameData data(prompter);
    data.Load(options);
    if (Status written = WriteDemoMap(data, rest[0]); !written) {
        err << "orvistad-cli: " << written.error() << "\n";
        return 1;
    }
    out << "wrote " << rest[0] << "\n";
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
    const auto ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();

    QJsonArray archives;
    QJsonArray kinds;
    for (std::size_t i = 0; i < data.Archives.ArchiveList.size(); ++i) {
        archives.append(Latin1(data.Archives.ArchiveList[i]));
        QJsonObject kind{{"path", Latin1(data.Archives.ArchiveList[i])},
                         {"kind", Latin1(data.Archives.SourceKind(i))}};
        if (const std::string problem = data.Archives.SourceProblem(i); !problem.empty()) {
            kind["problem"] = Latin1(problem);
        }
        kinds.append(kind);
    }
    QJsonObject tables;
    const std::vector<std::string> sources = TableSources(data.Archives);
    for (std::size_t i = 0; i < kGameTables.size(); ++i) {
        const char* name = kGameTables[i];
        const long source = data.Archives.SourceOf(name);
        tables[QLatin1String(name)] = QJsonObject{
            {"archive", Latin1(sources[i])},
            {"kind", Latin1(source >= 0 ? data.Archives.SourceKind(static_cast<std::size_t>(source))
                            : source == TMyMPQ::kFallbackSource ? "stand-in"
                                                                : "")},
            {"bytes", static_cast<double>(data.Archives.ReadFileToStream(name).size())}};
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
    const QJsonObject counts{{"strings", static_cast<double>(data.StatTxt.size())},
                             {"images", static_cast<double>(data.ImagesTbl.size())},
                             {"sheets", sheets},
                             {"units_with_sheet", unitsWithSheet},
                             {"turrets", turrets}};
    WriteJson(out, QJsonObject{{"archives", archives},
                               {"sources", kinds},
                               {"tables", tables},
                               {"counts", counts},
                               {"standin", data.UsingStandin},
                               {"notice", Latin1(data.Notice)},
                               {"ms", ms}});
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
        {"ls", List},         {"extract", Extract}, {"data", Data},
        {"tileset", Tileset}, {"info", Info},       {"extract-game", ExtractGame},
        {"resave", Resave},   {"new", New},         {"edit", Edit},
        {"render", Render},   {"demo", Demo},
    };
    const auto it = kCommands.find(args[0]);
    if (it == kCommands.end()) {
        err << "orvistad-cli: unknown command '" << args[0] << "' (see orvistad-cli --help)\n";
        return 2;
    }
    return it->second(args, out, err);
}

} // namespace orv::cli
