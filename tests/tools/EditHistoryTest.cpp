// The edit history and Fog of War painting: strokes change only the current player's bit,
// steps undo and redo in order, and the history knows the saved position.

#include "support/RecordingPrompter.h"
#include "support/StandinData.h"
#include "support/TestSupport.h"
#include "tools/FogTool.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace orv {
namespace {

TGameData& Game() {
    return test::StandinGameData();
}

struct Map {
    test::RecordingPrompter prompter;
    TCHK chk{prompter, &Game().UnitsDat};
    TEditHistory history;

    explicit Map(int width = 16, int height = 12) { chk.NewMap(2, 4, width, height, &Game().Tileset(4)); }
    std::vector<std::uint8_t> Bytes() const { return chk.Snapshot().value(); }
    void Stroke(int player, int radius, std::initializer_list<std::pair<int, int>> tiles) {
        TFogStroke stroke(chk, player, radius);
        for (const auto& [c, r] : tiles) {
            stroke.Paint(c, r);
        }
        history.Record("Fog of War", stroke.Finish());
    }
};

TEST(FogStroke, FlipsOnlyTheCurrentPlayersBitAsTheStartTileHasIt) {
    Map map;
    std::fill(map.chk.FogGrid.begin(), map.chk.FogGrid.end(), std::uint8_t{0});
    map.chk.Fog(6, 5) = 0xFE; // every other player fogged here
    map.Stroke(0, 1, {{5, 5}});
    EXPECT_EQ(map.chk.Fog(5, 5), 0x01); // begun on 0: player 1's bit set
    EXPECT_EQ(map.chk.Fog(6, 5), 0xFF); // the others' bits kept
    EXPECT_EQ(map.chk.Fog(7, 5), 0x00); // outside the square
    map.chk.Fog(5, 5) = 0x03;
    map.chk.Fog(6, 6) = 0xFF;
    map.chk.Fog(4, 4) = 0x00;
    map.Stroke(0, 1, {{5, 5}}); // begun on 0x03: player 1's bit cleared
    EXPECT_EQ(map.chk.Fog(5, 5), 0x02);
    EXPECT_EQ(map.chk.Fog(6, 6), 0xFE);
    EXPECT_EQ(map.chk.Fog(4, 4), 0x00);
    // At the map's last column and row nothing is written past the map.
    map.chk.Fog(16, 11) = 0x42;
    map.chk.Fog(15, 12) = 0x42;
    map.Stroke(3, 2, {{15, 11}});
    EXPECT_EQ(map.chk.Fog(15, 11) & 0x08, 0x08);
    EXPECT_EQ(map.chk.Fog(16, 11), 0x42);
    EXPECT_EQ(map.chk.Fog(15, 12), 0x42);
    // Players 9 to 12 have no bit: nothing changes and no step is made.
    const auto before = map.Bytes();
    const std::size_t steps = map.history.StepNames().size();
    map.Stroke(8, 4, {{3, 3}, {9, 9}});
    EXPECT_EQ(map.Bytes(), before);
    EXPECT_EQ(map.history.StepNames().size(), steps);
    EXPECT_EQ(FogAll(map.chk, 11, true), nullptr);
}

TEST(EditHistory, UndoAndRedoWalkTheStepsAndKnowTheSavedPosition) {
    Map map;
    const auto start = map.Bytes();
    map.history.MarkSaved();
    map.Stroke(0, 0, {{1, 1}, {2, 1}, {3, 1}}); // a drag: one step
    const auto afterStroke = map.Bytes();
    map.history.Record("Fog All Off", FogAll(map.chk, 0, false));
    EXPECT_EQ(map.history.StepNames(), (std::vector<std::string>{"Fog of War", "Fog All Off"}));
    EXPECT_FALSE(map.history.AtSaved());
    EXPECT_EQ(map.history.UndoName(), "Fog All Off");
    map.history.Undo(map.chk);
    EXPECT_EQ(map.Bytes(), afterStroke);
    EXPECT_EQ(map.history.RedoName(), "Fog All Off");
    const TEditChange change = map.history.Undo(map.chk);
    EXPECT_TRUE(change.Fog);
    EXPECT_EQ(change.Cells.Left, 1);
    EXPECT_EQ(change.Cells.Right, 4);
    EXPECT_EQ(map.Bytes(), start);
    EXPECT_TRUE(map.history.AtSaved()); // undoing back to the saved state: unchanged
    map.history.Redo(map.chk);
    EXPECT_EQ(map.Bytes(), afterStroke);
    // A new step after an undo drops what could be redone, and the saved position with it
    // once it lay there.
    map.history.MarkSaved();
    map.history.Undo(map.chk);
    map.Stroke(1, 0, {{5, 5}});
    EXPECT_FALSE(map.history.CanRedo());
    EXPECT_EQ(map.history.StepNames(), (std::vector<std::string>{"Fog of War"}));
    EXPECT_FALSE(map.history.AtSaved());
    map.history.Undo(map.chk);
    EXPECT_FALSE(map.history.AtSaved()) << "the saved state can no longer be reached";
    // A gesture abandoned half-way leaves nothing.
    map.history.Begin("Fog of War");
    TFogStroke stroke(map.chk, 2, 2);
    stroke.Paint(8, 8);
    map.history.Add(stroke.Finish());
    map.history.Cancel(map.chk);
    EXPECT_EQ(map.Bytes(), start);
    EXPECT_FALSE(map.history.CanRedo() && map.history.RedoName() != "Fog of War");
}

} // namespace
} // namespace orv
