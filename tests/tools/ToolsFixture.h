#pragma once

// A new map of the stand-in game data with the editing tools on it, as a map window has them.

#include "support/RecordingPrompter.h"
#include "support/StandinData.h"
#include "tools/MapTools.h"

#include <cstdint>
#include <vector>

namespace orv::test {

struct ToolsFixture {
    RecordingPrompter prompter;
    TCHK chk{prompter, &StandinGameData().UnitsDat};
    TEditHistory history;
    TEditState edit;
    TMapTools tools{chk, history, edit, prompter};

    ToolsFixture(int tileset, int width, int height) {
        chk.NewMap(2, tileset, width, height, &StandinGameData().Tileset(tileset));
        chk.AssignKeys();
    }
    // What a save would write.
    std::vector<std::uint8_t> Bytes() const { return chk.Snapshot().value(); }
};

} // namespace orv::test
