#include "cli/EditScript.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "base/Random.h"

#include <array>
#include <sstream>

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

Status RunEditScript(const std::string& script, TMapTools& tools, ScriptPrompter& prompter) {
    std::istringstream lines(script);
    std::string line;
    int number = 0;
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
            tools.Edit.CurrentPlayer = player - 1;
        } else if (action.contains("brush")) {
            const QJsonObject brush = action.value("brush").toObject();
            const int shape = IndexOf(kShapes, brush.value("shape").toString("normal"));
            const int size = IndexOf(kSizes, brush.value("size").toString("small"));
            if (shape < 0 || size < 0) {
                return fail("unknown brush shape or size");
            }
            tools.SetBrush(shape + 1, size);
        } else if (action.contains("seed")) {
            if (!action.value("seed").isDouble()) {
                return fail("the seed must be a number");
            }
            SeedRandom(static_cast<std::uint32_t>(action.value("seed").toDouble()));
        } else if (action.contains("press") || action.contains("release") || action.contains("click") ||
                   action.contains("double_click")) {
            const char* key = action.contains("press")     ? "press"
                              : action.contains("release") ? "release"
                              : action.contains("click")   ? "click"
                                                           : "double_click";
            if (!ReadPoint(action.value(key), x, y) || !ReadButton(action, button)) {
                return fail(std::string("bad point or button for \"") + key + "\"");
            }
            TPointerEvent event{button, button == TPointerEvent::Button::Left, x, y};
            const std::string which = key;
            if (which == "press") {
                tools.Press(event);
            } else if (which == "release") {
                event.leftHeld = false;
                tools.Release(event);
            } else {
                // A click is a press and a release at one point; a double click, two.
                for (int times = which == "click" ? 1 : 2; times > 0; --times) {
                    tools.Press(event);
                    event.leftHeld = false;
                    tools.Release(event);
                    event.leftHeld = button == TPointerEvent::Button::Left;
                }
            }
        } else if (action.contains("move")) {
            if (!ReadPoint(action.value("move"), x, y)) {
                return fail("bad point for \"move\"");
            }
            tools.Move({TPointerEvent::Button::None, tools.InGesture(), x, y});
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
            } else if (command == "revealers") {
                const int player = action.value("player").toInt(0);
                if (player < 1 || player > 8) {
                    return fail("revealers take a \"player\" from 1 to 8");
                }
                tools.AddMapRevealers(player);
            } else {
                return fail("unknown command");
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
