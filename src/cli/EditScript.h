#pragma once

// Scripted edits: JSON lines, one action an object, run through the same tools and edit
// history as a map window. Positions are map pixels.
//
//   {"mode": "terrain" | "copy" | "locations" | "units" | "doodads" | "fog"}
//   {"player": 1..12}
//   {"brush": {"shape": "normal" | "rectangular" | "square",
//              "size": "small" | "medium" | "large" | "huge" | "gargantuan"}}
//   {"terrain": "High Dirt" | group}   the terrain the brushes paint and a cut leaves
//   {"seed": N}
//   {"press": [x, y], "button": "left" | "right"}   {"move": [x, y]}
//   {"release": [x, y], "button": ...}   {"click": [x, y]}   {"double_click": [x, y]}
//   {"command": "undo" | "redo" | "fog_all_on" | "fog_all_off" | "revealers", "player": N}
//   {"command": "copy" | "cut" | "paste" | "delete" | "escape"}   the popup's items and the keys
//   {"location_properties": {"name": "...", "elevation": N, "left": X, "top": Y, "right": X,
//                            "bottom": Y}}   the selected location's; fields left out stay
//   {"unit": N}   {"doodad": N}   what a click in Units or Doodads mode places (-1: select)
//   {"unit_properties": {"hp": P, "shields": P, "energy": P, "resources": N, "hangar": N,
//                        "state": N, "owner": 1..12}}   the selected units'
//   {"settings": {"name": "...", "description": "...", "width": W, "height": H, "tileset": N | "Jungle
//   World",
//                 "players": [{"number": 1..12, "owner": N, "race": N, "force": 1..4, "color": N}],
//                 "forces": [{"number": 1..4, "name": "...", "allied": B, "allied_victory": B,
//                             "shared_vision": B, "random_start": B}],
//                 "units": [{"type": N, "default": B, "hp": N, "shields": N, "armor": N, "build_time": N,
//                            "minerals": N, "gas": N}]}}
//       the scenario settings, stored as the properties window stores them: one step; fields
//       left out stay; unit values go into both the original and the expansion sections
//   {"answer": "..."}   the answer to the next question the tools ask
//
// An unknown action or a bad value stops the run with a message naming the line; a click
// whose unit or doodad does not fit is told (in `messages`) and the run goes on.

#include "base/Prompter.h"
#include "base/Result.h"
#include "settings/SettingsStore.h"
#include "tools/MapTools.h"

#include <deque>
#include <functional>
#include <string>

namespace orv::cli {

// Answers the tools' questions from the script's "answer" lines; an unanswered question is
// cancelled. Messages go to `messages`.
class ScriptPrompter : public Prompter {
public:
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    std::optional<std::string> InputText(const std::string&, const std::string&, const std::string&) override;
    Answer AskYesNoCancel(const std::string& text) override;
    std::deque<std::string> answers;
    std::vector<std::string> messages;
};

// What the settings lines need besides the tools: the rule tables and the tileset of a number.
struct TScriptData {
    TSettingsTables Tables;
    std::function<CStarcraftTileset*(int)> TilesetFor;
};

// Runs the script on the tools; the first bad line stops it with an error naming the line.
Status RunEditScript(const std::string& script, TMapTools& tools, ScriptPrompter& prompter,
                     const TScriptData& data = {});

} // namespace orv::cli
