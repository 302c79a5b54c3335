#include "cli/EditScript.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "base/Random.h"
#include "graphics/CTileset.h"
#include "graphics/OrvistadTypes.h"
#include "graphics/RuleTables.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <sstream>
#include <tuple>

namespace orv::cli {
namespace {

// The index of `text` in `names`, or -1.
template <std::size_t N> int IndexOf(const std::array<const char*, N>& names, const QString& text) {
    for (std::size_t i = 0; i < N; ++i) {
        if (text == QLatin1String(names[i])) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

constexpr std::array<const char*, 6> kModes{"terrain", "copy", "locations", "units", "doodads", "fog"};
constexpr std::array<const char*, 3> kShapes{"normal", "rectangular", "square"};
constexpr std::array<const char*, 5> kSizes{"small", "medium", "large", "huge", "gargantuan"};

bool ReadPoint(const QJsonValue& value, int& x, int& y) {
    const QJsonArray pair = value.toArray();
    if (!value.isArray() || pair.size() != 2 || !pair[0].isDouble() || !pair[1].isDouble()) {
        return false;
    }
    x = pair[0].toInt();
    y = pair[1].toInt();
    return true;
}

bool ReadButton(const QJsonObject& action, TPointerEvent::Button& button) {
    const QString name = action.value("button").toString("left");
    if (name == "left") {
        button = TPointerEvent::Button::Left;
    } else if (name == "right") {
        button = TPointerEvent::Button::Right;
    } else {
        return false;
    }
    return true;
}

// A terrain by its name in the tileset's palette, or by its group number; -1 when neither.
int TerrainGroup(const QJsonValue& value, int tileset) {
    if (value.isDouble()) {
        const double group = value.toDouble();
        return group >= 0 && group < 1024 && group == static_cast<int>(group) ? static_cast<int>(group) : -1;
    }
    const auto& names = TerrainTypeNames[static_cast<std::size_t>(tileset & 7)];
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (!names[i].empty() &&
            value.toString() == QLatin1String(names[i].data(), static_cast<qsizetype>(names[i].size()))) {
            return TerrainTypeGroups[static_cast<std::size_t>(tileset & 7)][i];
        }
    }
    return -1;
}

// The pointer of the script: a 640 x 480 display at 100% that scrolls so each point is on
// screen, and the buttons held.
struct ScriptPointer {
    TPointerView view;
    bool left = false, right = false;

    TPointerEvent At(TPointerEvent::Button button, int x, int y) {
        // Scroll only when the point is off the display, putting it near the middle.
        const int column = x / 32, row = y / 32;
        if (x < view.ScrollTileX * 32 || x >= view.ScrollTileX * 32 + 640) {
            view.ScrollTileX = std::max(0, column - 10);
        }
        if (y < view.ScrollTileY * 32 || y >= view.ScrollTileY * 32 + 480) {
            view.ScrollTileY = std::max(0, row - 7);
        }
        TPointerEvent event = TPointerEvent::AtMapPixel(button, x, y, view);
        event.leftHeld = left;
        event.rightHeld = right;
        return event;
    }

    void Hold(TPointerEvent::Button button, bool down) {
        (button == TPointerEvent::Button::Left ? left : right) = down;
    }

    // As in a map window, a left press let go is a click, acted on once no double click came:
    // so a drag in Units or Doodads mode selects what it covers.
    void Run(TMapTools& tools, const std::string& what, TPointerEvent::Button button, int x, int y) {
        const TPointerEvent::Button l = TPointerEvent::Button::Left;
        if (what == "move") {
            tools.Move(At(TPointerEvent::Button::None, x, y));
        } else if (what == "press") {
            Hold(button, true);
            tools.Press(At(button, x, y));
        } else if (what == "release") {
            const bool click = button == l && left;
            Hold(button, false);
            if (click) {
                tools.Click(At(l, x, y));
            }
            tools.Release(At(button, x, y));
            if (click) {
                tools.ClickDue(At(TPointerEvent::Button::None, x, y));
            }
        } else if (what == "click") {
            Run(tools, "press", l, x, y);
            Run(tools, "release", l, x, y);
        } else {
            // A double click: the first click waits, the second press cancels it and is no
            // click of its own.
            Run(tools, "press", l, x, y);
            tools.Click(At(l, x, y));
            Hold(l, false);
            tools.Release(At(l, x, y));
            tools.DoubleClick(At(l, x, y));
            Hold(l, true);
            tools.Press(At(l, x, y));
            Hold(l, false);
            tools.Release(At(l, x, y));
        }
    }
};

} // namespace

std::optional<std::string> ScriptPrompter::InputText(const std::string&, const std::string&,
                                                     const std::string&) {
    if (answers.empty()) {
        return std::nullopt;
    }
    std::string answer = answers.front();
    answers.pop_front();
    return answer;
}

Prompter::Answer ScriptPrompter::AskYesNoCancel(const std::string&) {
    const std::optional<std::string> answer = InputText({}, {}, {});
    return answer == "yes" ? Answer::Yes : answer == "no" ? Answer::No : Answer::Cancel;
}

namespace {

// A whole number of a settings line's object; absent: `fallback`. The error names the key.
Result<std::int64_t> Whole(const QJsonObject& object, const char* key, std::int64_t low, std::int64_t high,
                           std::int64_t fallback) {
    if (!object.contains(key)) {
        return fallback;
    }
    const QJsonValue value = object.value(key);
    const double wanted = value.toDouble();
    if (!value.isDouble() || wanted != std::floor(wanted) || wanted < static_cast<double>(low) ||
        wanted > static_cast<double>(high)) {
        return MakeError(std::string("\"") + key + "\" must be a whole number from " + std::to_string(low) +
                         " to " + std::to_string(high));
    }
    return static_cast<std::int64_t>(wanted);
}

const std::array<const char*, 8> kTilesetNames{"Badlands",     "Space Platform", "Installation", "Ash World",
                                               "Jungle World", "Desert",         "Ice",          "Twilight"};

// {"settings": {...}}: the values go through the settings store, as the window's pages hand
// them over, and closing it makes the step.
Status ApplySettings(const QJsonObject& given, TMapTools& tools, ScriptPrompter& prompter,
                     const TScriptData& data) {
    TSettingsStore store(tools.Record(), tools.Edit.Text, prompter, data.Tables);
    const std::string encodingHint =
        " cannot be written in the map's text encoding (an {\"answer\": \"yes\"} line before this one writes "
        "the map's new text as UTF-8)";
    auto text = [&](const char* key, auto set) -> Status {
        if (!given.contains(key)) {
            return {};
        }
        if (!given.value(key).isString()) {
            return MakeError(std::string("\"") + key + "\" must be a text");
        }
        if (!set(given.value(key).toString().toStdString())) {
            return MakeError(std::string("the ") + key + encodingHint);
        }
        return {};
    };
    if (Status ok = text("name", [&](const std::string& t) { return store.SetName(t); }); !ok) {
        return ok;
    }
    if (Status ok = text("description", [&](const std::string& t) { return store.SetDescription(t); }); !ok) {
        return ok;
    }
    if (given.contains("tileset")) {
        const QJsonValue value = given.value("tileset");
        int tileset = value.isString() ? IndexOf(kTilesetNames, value.toString()) : -1;
        if (value.isDouble()) {
            const auto number = Whole(given, "tileset", 0, 7, 0);
            if (!number) {
                return MakeError(number.error());
            }
            tileset = static_cast<int>(number.value());
        }
        if (tileset < 0) {
            return MakeError("\"tileset\" must be a number from 0 to 7 or a tileset's name");
        }
        if (Status ok = store.SetTileset(tileset); !ok) {
            return ok;
        }
    }
    if (given.contains("base_terrain")) {
        const std::string name = given.value("base_terrain").toString().toStdString();
        const auto& names = TerrainTypeNames[static_cast<std::size_t>(store.PendingTileset())];
        const auto found = std::find(names.begin(), names.end(), name);
        if (name.empty() || found == names.end()) {
            return MakeError("\"base_terrain\" must name a terrain of the tileset");
        }
        if (Status ok = store.SetBaseTerrain(static_cast<int>(found - names.begin())); !ok) {
            return ok;
        }
    }
    for (auto [key, set] :
         {std::pair{"width", &TSettingsStore::SetWidth}, std::pair{"height", &TSettingsStore::SetHeight}}) {
        const auto side = Whole(given, key, 1, 256, -1);
        if (!side) {
            return MakeError(side.error());
        }
        if (side.value() >= 0) {
            if (Status ok = (store.*set)(static_cast<int>(side.value())); !ok) {
                return ok;
            }
        }
    }
    for (const QJsonValue& entry : given.value("players").toArray()) {
        const QJsonObject player = entry.toObject();
        const auto number = Whole(player, "number", 1, 12, 0);
        if (!number || number.value() == 0) {
            return MakeError("each player needs a \"number\" from 1 to 12");
        }
        const int p = static_cast<int>(number.value()) - 1;
        const auto owner =
            Whole(player, "owner", 0, 8, tools.Scenario().OwnerTypes[static_cast<std::size_t>(p)]);
        const auto race = Whole(player, "race", 0, 7, tools.Scenario().Races[static_cast<std::size_t>(p)]);
        const auto force = Whole(player, "force", 1, 4, 0);
        const auto colour = Whole(player, "color", 0, 11, -1);
        for (const Result<std::int64_t>* r : {&owner, &race, &force, &colour}) {
            if (!*r) {
                return MakeError(r->error());
            }
        }
        Status ok = store.SetOwner(p, static_cast<int>(owner.value()));
        ok = ok ? store.SetRace(p, static_cast<int>(race.value())) : ok;
        ok = ok && force.value() > 0 ? store.SetPlayerForce(p, static_cast<int>(force.value()) - 1) : ok;
        ok = ok && colour.value() >= 0 ? store.SetColour(p, static_cast<int>(colour.value())) : ok;
        if (!ok) {
            return ok;
        }
    }
    for (const QJsonValue& entry : given.value("forces").toArray()) {
        const QJsonObject force = entry.toObject();
        const auto number = Whole(force, "number", 1, 4, 0);
        if (!number || number.value() == 0) {
            return MakeError("each force needs a \"number\" from 1 to 4");
        }
        const int f = static_cast<int>(number.value()) - 1;
        if (force.contains("name")) {
            if (!force.value("name").isString()) {
                return MakeError("a force's \"name\" must be a text");
            }
            if (!store.SetForceName(f, force.value("name").toString().toStdString())) {
                return MakeError("the force name" + encodingHint);
            }
        }
        int flags = tools.Scenario().ForceFlags[static_cast<std::size_t>(f)];
        for (auto [key, bit] : {std::pair{"random_start", 1}, std::pair{"allied", 2},
                                std::pair{"allied_victory", 4}, std::pair{"shared_vision", 8}}) {
            if (force.contains(key)) {
                if (!force.value(key).isBool()) {
                    return MakeError(std::string("\"") + key + "\" must be true or false");
                }
                flags = force.value(key).toBool() ? flags | bit : flags & ~bit;
            }
        }
        if (Status ok = store.SetForceFlags(f, flags); !ok) {
            return ok;
        }
    }
    for (const QJsonValue& entry : given.value("units").toArray()) {
        const QJsonObject unit = entry.toObject();
        const auto type = Whole(unit, "type", 0, kSettingsUnitCount - 1, -1);
        if (!type || type.value() < 0) {
            return MakeError("each unit needs a \"type\" from 0 to 227");
        }
        const int u = static_cast<int>(type.value());
        // Expansion units have the expansion's settings only; the others both.
        const int mode = store.ExpansionOnlyUnit(u) ? 1 : 2;
        if (unit.contains("default") && !unit.value("default").isBool()) {
            return MakeError("\"default\" must be true or false");
        }
        if (unit.value("default").toBool(false)) {
            store.StoreUnitDefault(u, mode);
            continue;
        }
        // Fields left out keep what the page would show: the map's values, or the game's.
        const TUnitStats loaded = store.LoadUnit(u, mode);
        TUnitStats stats = loaded.UseDefault ? store.DefaultUnit(u, mode) : loaded;
        stats.CustomName = loaded.CustomName;
        stats.Name = loaded.Name;
        for (auto [key, field, high] :
             {std::tuple{"hp", &stats.HitPoints, 0xFFFFFF}, std::tuple{"shields", &stats.Shields, 0xFFFF},
              std::tuple{"armor", &stats.Armor, 0xFF}, std::tuple{"build_time", &stats.BuildTime, 0xFFFF},
              std::tuple{"minerals", &stats.Minerals, 0xFFFF}, std::tuple{"gas", &stats.Gas, 0xFFFF}}) {
            const auto value = Whole(unit, key, 0, high, *field);
            if (!value) {
                return MakeError(value.error());
            }
            *field = static_cast<std::uint32_t>(value.value());
        }
        if (Status ok = store.StoreUnit(u, mode, stats, store.LoadAvailability(u)); !ok) {
            return MakeError(ok.error().empty() ? "the unit's name" + encodingHint : ok.error());
        }
    }
    tools.Changed(store.Finish(tools.History(), data.TilesetFor));
    return {};
}

} // namespace

Status RunEditScript(const std::string& script, TMapTools& tools, ScriptPrompter& prompter,
                     const TScriptData& data) {
    std::istringstream lines(script);
    std::string line;
    int number = 0;
    ScriptPointer pointer;
    while (std::getline(lines, line)) {
        ++number;
        if (line.find_first_not_of(" \t\r") == std::string::npos) {
            continue; // blank lines are allowed
        }
        auto fail = [&](const std::string& why) {
            return MakeError("line " + std::to_string(number) + ": " + why);
        };
        QJsonParseError parsed{};
        const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(line), &parsed);
        if (parsed.error != QJsonParseError::NoError || !document.isObject()) {
            return fail("not a JSON object");
        }
        const QJsonObject action = document.object();
        int x = 0, y = 0;
        TPointerEvent::Button button = TPointerEvent::Button::Left;
        if (action.contains("mode")) {
            const int mode = IndexOf(kModes, action.value("mode").toString());
            if (mode < 0) {
                return fail("unknown mode");
            }
            tools.SetMode(mode);
        } else if (action.contains("player") && !action.contains("command")) {
            const int player = action.value("player").toInt(0);
            if (!action.value("player").isDouble() || player < 1 || player > 12) {
                return fail("the player must be a number from 1 to 12");
            }
            tools.SetPlayer(player - 1);
        } else if (action.contains("brush")) {
            const QJsonObject brush = action.value("brush").toObject();
            const int shape = IndexOf(kShapes, brush.value("shape").toString("normal"));
            const int size = IndexOf(kSizes, brush.value("size").toString("small"));
            if (shape < 0 || size < 0) {
                return fail("unknown brush shape or size");
            }
            tools.SetBrush(shape + 1, size);
        } else if (action.contains("terrain")) {
            const int group = TerrainGroup(action.value("terrain"), tools.Scenario().Tileset());
            if (group < 0) {
                return fail("unknown terrain: give a terrain name of the map's tileset or a group number");
            }
            tools.Edit.SelectedTerrain = group * 16;
        } else if (action.contains("seed")) {
            if (!action.value("seed").isDouble()) {
                return fail("the seed must be a number");
            }
            SeedRandom(static_cast<std::uint32_t>(action.value("seed").toDouble()));
        } else if (action.contains("press") || action.contains("release") || action.contains("click") ||
                   action.contains("double_click") || action.contains("move")) {
            const char* key = action.contains("press")     ? "press"
                              : action.contains("release") ? "release"
                              : action.contains("click")   ? "click"
                              : action.contains("move")    ? "move"
                                                           : "double_click";
            if (!ReadPoint(action.value(key), x, y) || !ReadButton(action, button)) {
                return fail(std::string("bad point or button for \"") + key + "\"");
            }
            const std::size_t units = tools.Scenario().Units.size(),
                              doodads = tools.Scenario().Doodads.size();
            pointer.Run(tools, key, button, x, y);
            // A click that should have placed something and did not is told; the run goes on.
            const bool click = std::string_view(key) == "click";
            if (click && tools.Edit.Mode == kModeUnits && tools.Edit.CurrentUnitType >= 0 &&
                tools.Scenario().Units.size() == units) {
                prompter.messages.push_back("line " + std::to_string(number) + ": unit " +
                                            std::to_string(tools.Edit.CurrentUnitType) +
                                            " does not fit at (" + std::to_string(x) + ", " +
                                            std::to_string(y) + ")");
            } else if (click && tools.Edit.Mode == kModeDoodads && tools.Edit.CurrentDoodad >= 0 &&
                       tools.Scenario().Doodads.size() == doodads) {
                prompter.messages.push_back("line " + std::to_string(number) + ": doodad " +
                                            std::to_string(tools.Edit.CurrentDoodad) + " does not fit at (" +
                                            std::to_string(x) + ", " + std::to_string(y) + ")");
            }
        } else if (action.contains("command")) {
            const QString command = action.value("command").toString();
            if (command == "undo") {
                tools.Undo();
            } else if (command == "redo") {
                tools.Redo();
            } else if (command == "fog_all_on") {
                tools.FogAllOn();
            } else if (command == "fog_all_off") {
                tools.FogAllOff();
            } else if (command == "copy") {
                tools.Choose(TPopupItem::Copy);
            } else if (command == "cut") {
                tools.Choose(TPopupItem::Cut);
            } else if (command == "paste") {
                tools.Choose(TPopupItem::Paste);
            } else if (command == "delete") {
                tools.DeleteSelection();
            } else if (command == "escape") {
                tools.Escape();
            } else if (command == "revealers") {
                const int player = action.value("player").toInt(0);
                if (player < 1 || player > 8) {
                    return fail("revealers take a \"player\" from 1 to 8");
                }
                tools.AddMapRevealers(player);
            } else {
                return fail("unknown command");
            }
        } else if (action.contains("unit") && !action.contains("command")) {
            const QJsonValue value = action.value("unit");
            const int type = value.toInt(-2);
            if (!value.isDouble() || type < -1 || type >= UnitsTable::kTypes || value.toDouble() != type) {
                return fail("the unit must be a unit type number from 0 to 227, or -1");
            }
            tools.Edit.CurrentUnitType = type;
            if (type >= 0) {
                tools.SetMode(kModeUnits);
            }
        } else if (action.contains("doodad")) {
            const QJsonValue value = action.value("doodad");
            const int doodad = value.toInt(-2);
            if (!value.isDouble() || doodad < -1 || doodad >= kDoodadCount || value.toDouble() != doodad) {
                return fail("the doodad must be a doodad number from 0 to 511, or -1");
            }
            tools.Edit.CurrentDoodad = doodad;
            if (doodad >= 0) {
                tools.SetMode(kModeDoodads);
            }
        } else if (action.contains("unit_properties")) {
            const QJsonObject given = action.value("unit_properties").toObject();
            const std::vector<int> selected = tools.Edit.Selection.UnitIndices(tools.Scenario());
            if (selected.empty()) {
                return fail("no unit is selected");
            }
            // Fields left out show the first selected unit's values, as the dialog does.
            const UnitRecord& first = tools.Scenario().Units[static_cast<std::size_t>(selected.front())];
            const TUnitProperties shown = TUnitProperties::Of(first);
            std::array<std::string, 5> texts{std::to_string(shown.HitPoints), std::to_string(shown.Shields),
                                             std::to_string(shown.Energy), std::to_string(shown.Resources),
                                             std::to_string(shown.Hangar)};
            const std::array<const char*, 5> keys{"hp", "shields", "energy", "resources", "hangar"};
            for (std::size_t i = 0; i < keys.size(); ++i) {
                if (given.contains(keys[i])) {
                    const QJsonValue value = given.value(keys[i]);
                    texts[i] = value.isDouble() ? QString::number(value.toDouble(), 'f', 0).toStdString()
                                                : value.toString("?").toStdString();
                    if (value.isDouble() && value.toDouble() != std::floor(value.toDouble())) {
                        texts[i] = "?";
                    }
                }
            }
            int owner = shown.Owner;
            if (given.contains("owner")) {
                owner = given.value("owner").toInt(0) - 1;
            }
            const int state = given.contains("state") ? given.value("state").toInt(-1) : shown.State;
            if (state < 0 || state > 31) {
                return fail("\"state\" must be a whole number from 0 to 31");
            }
            const Result<TUnitProperties> properties = ParseUnitProperties(owner, texts, state);
            if (!properties) {
                return fail(properties.error());
            }
            tools.ApplyUnitProperties(properties.value());
        } else if (action.contains("location_properties")) {
            const QJsonObject given = action.value("location_properties").toObject();
            const int slot = tools.Edit.Selection.Location;
            if (!tools.Edit.Selection.HasLocation(tools.Scenario())) {
                return fail("no location is selected");
            }
            // Fields left out keep their values.
            const LocationSlot& l = tools.Scenario().Locations[static_cast<std::size_t>(slot)];
            TLocationProperties properties{std::nullopt, l.Flags, l.Left, l.Top, l.Right, l.Bottom};
            if (given.contains("name")) {
                if (!given.value("name").isString()) {
                    return fail("the name must be a text");
                }
                properties.Name = given.value("name").toString().toStdString();
            }
            auto whole = [&given](const char* key, double low, double high, auto& field) {
                if (!given.contains(key)) {
                    return true;
                }
                const QJsonValue value = given.value(key);
                const double wanted = value.toDouble();
                if (!value.isDouble() || wanted != static_cast<double>(static_cast<std::int64_t>(wanted)) ||
                    wanted < low || wanted > high) {
                    return false;
                }
                field = static_cast<std::remove_reference_t<decltype(field)>>(wanted);
                return true;
            };
            const double lo = INT32_MIN, hi = INT32_MAX;
            for (auto [key, ok] : {std::pair{"elevation", whole("elevation", 0, 65535, properties.Flags)},
                                   std::pair{"left", whole("left", lo, hi, properties.Left)},
                                   std::pair{"top", whole("top", lo, hi, properties.Top)},
                                   std::pair{"right", whole("right", lo, hi, properties.Right)},
                                   std::pair{"bottom", whole("bottom", lo, hi, properties.Bottom)}}) {
                if (!ok) {
                    return fail(std::string("\"") + key + "\" must be a whole number in its range");
                }
            }
            const Result<bool> applied = tools.ApplyLocationProperties(properties);
            if (!applied) {
                return fail(applied.error());
            }
            if (!applied.value()) {
                return fail(
                    "the name cannot be written in the map's text encoding (an {\"answer\": \"yes\"} line "
                    "before this one writes the map's new text as UTF-8)");
            }
        } else if (action.contains("settings")) {
            if (!action.value("settings").isObject()) {
                return fail("the settings must be an object");
            }
            if (Status ok = ApplySettings(action.value("settings").toObject(), tools, prompter, data); !ok) {
                // The window's own message; the values already taken stay out of the map.
                return fail(ok.error());
            }
        } else if (action.contains("answer")) {
            if (!action.value("answer").isString()) {
                return fail("the answer must be a text");
            }
            prompter.answers.push_back(action.value("answer").toString().toStdString());
        } else {
            return fail("unknown action");
        }
    }
    return {};
}

} // namespace orv::cli
