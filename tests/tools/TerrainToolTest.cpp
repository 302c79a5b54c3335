// Terrain painting with the Rectangular and Square brushes, and Copy / Paste mode, driven by
// pointer events: what each brush writes, where a paste lands, and that every stroke, cut and
// paste undoes to the record's exact bytes.

#include "base/Random.h"
#include "graphics/CTileset.h"
#include "support/RecordingPrompter.h"
#include "support/StandinData.h"
#include "support/TestSupport.h"
#include "tools/ToolsFixture.h"

#include <gtest/gtest.h>
#include <set>

namespace orv {
namespace {

using Button = TPointerEvent::Button;

struct Tools : test::ToolsFixture {
    explicit Tools(int tileset = 4, int width = 32, int height = 24) : ToolsFixture(tileset, width, height) {
        edit.SelectedTerrain = 8 * 16; // Jungle
    }
    static TPointerEvent At(Button button, int column, int row, bool held = false) {
        TPointerEvent e = TPointerEvent::AtMapPixel(button, column * 32 + 5, row * 32 + 5, {});
        e.leftHeld = held;
        return e;
    }
    void Drag(Button button, std::vector<std::pair<int, int>> tiles) {
        tools.Press(At(button, tiles.front().first, tiles.front().second, button == Button::Left));
        for (const auto& [c, r] : tiles) {
            tools.Move(At(Button::None, c, r, button == Button::Left));
        }
        tools.Release(At(button, tiles.back().first, tiles.back().second));
    }
    // The cells whose terrain differs from `before`.
    std::set<std::pair<int, int>> Changed(const std::vector<std::uint16_t>& before) const {
        std::set<std::pair<int, int>> cells;
        for (int c = 0; c < kGridSide; ++c) {
            for (int r = 0; r < kGridSide; ++r) {
                if (chk.TerrainGrid[TCHK::Cell(c, r)] != before[TCHK::Cell(c, r)]) {
                    cells.insert({c, r});
                }
            }
        }
        return cells;
    }
    std::uint16_t T(int c, int r) { return chk.Terrain(c, r); }
};

using Cells = std::set<std::pair<int, int>>;

TEST(TerrainBrushes, WriteTheirTilesInPairsAndOnlyInsideTheMap) {
    SeedRandom(5);
    Tools t;
    t.tools.SetMode(kModeTerrain);
    // Rectangular, Small: exactly the pair under the point (tile 7 rounds down to 6).
    t.tools.SetBrush(2, 0);
    auto before = t.chk.TerrainGrid;
    t.Drag(Button::Left, {{7, 4}});
    EXPECT_EQ(t.Changed(before), (Cells{{6, 4}, {7, 4}}));
    EXPECT_EQ(t.T(6, 4) / 16, 8);
    EXPECT_EQ(t.T(7, 4), t.T(6, 4) + 16);
    // Square, Small: one tile, the left or the right half of a pair by its column.
    t.tools.SetBrush(3, 0);
    before = t.chk.TerrainGrid;
    t.Drag(Button::Left, {{11, 4}});
    EXPECT_EQ(t.Changed(before), (Cells{{11, 4}}));
    EXPECT_EQ(t.T(11, 4) / 16, 9);
    // Square, Medium, first column odd: it gets right halves; each even column its variant,
    // with the odd column after it the matching right half.
    t.tools.SetBrush(3, 1);
    before = t.chk.TerrainGrid;
    t.Drag(Button::Left, {{14, 10}});
    EXPECT_EQ(t.Changed(before).size(), 9u);
    for (int r = 9; r <= 11; ++r) {
        EXPECT_EQ(t.T(13, r) / 16, 9);
        EXPECT_EQ(t.T(14, r) / 16, 8);
    }
    EXPECT_EQ(t.T(15, 11), t.T(14, 11) + 16) << "the bottom row's variant of the column before";
    // Rectangular, Gargantuan: a variant per pair, 18 x 9 tiles.
    t.tools.SetBrush(2, 4);
    before = t.chk.TerrainGrid;
    t.Drag(Button::Left, {{16, 12}});
    std::set<std::uint16_t> variants;
    for (int c = 8; c < 26; c += 2) {
        for (int r = 8; r <= 16; ++r) {
            variants.insert(t.T(c, r));
            EXPECT_EQ(t.T(c + 1, r), t.T(c, r) + 16);
        }
    }
    EXPECT_GT(variants.size(), 1u);
    // At the map's corners nothing is written outside it.
    before = t.chk.TerrainGrid;
    t.Drag(Button::Left, {{0, 0}, {31, 23}});
    for (const auto& [c, r] : t.Changed(before)) {
        EXPECT_TRUE(c < 32 && r < 24) << c << "," << r;
    }
    EXPECT_EQ(t.T(0, 0) / 16, 8);
    EXPECT_EQ(t.T(31, 23) / 16, 9);
}

TEST(TerrainBrushes, ADragIsOneStepThatUndoesWithTheDoodadsItRemoved) {
    SeedRandom(8);
    Tools t;
    // A stand-in jungle doodad on the ground it asks for.
    CStarcraftTileset& tileset = test::StandinGameData().Tileset(4);
    const int ground = tileset.DoodadPlacement(1, 0, 0) & ~1;
    t.chk.NewMap(ground, 4, 32, 24, &tileset);
    const int column = 10 + (10 - tileset.DoodadInfo(1).Width / 2) % 2;
    t.chk.AddDoodad(32 * column + 16, 32 * 8 + 16, 1);
    t.chk.AssignKeys();
    const std::size_t doodads = t.chk.Doodads.size();
    const auto start = t.Bytes();
    const auto shown = t.chk.TileMap;
    t.tools.SetMode(kModeTerrain);
    t.tools.SetBrush(2, 4);
    t.Drag(Button::Left, {{8, 8}, {10, 8}, {12, 9}});
    EXPECT_EQ(t.history.StepNames(), std::vector<std::string>{"Paint Terrain"});
    EXPECT_LT(t.chk.Doodads.size(), doodads) << "the doodad does not suit jungle";
    const auto painted = t.Bytes();
    t.tools.Undo();
    EXPECT_EQ(t.Bytes(), start);
    EXPECT_EQ(t.chk.TileMap, shown);
    EXPECT_EQ(t.chk.Doodads.size(), doodads);
    t.tools.Redo();
    EXPECT_EQ(t.Bytes(), painted);
    // A right press in Terrain mode paints nothing.
    t.tools.Press(Tools::At(Button::Right, 3, 3));
    t.tools.Release(Tools::At(Button::Right, 3, 3));
    EXPECT_EQ(t.Bytes(), painted);
}

TEST(TerrainBrushes, TheIsometricBrushPaintsOnceAndUndoesCornersTilesAndIsom) {
    SeedRandom(11);
    Tools t;
    t.tools.SetMode(kModeTerrain);
    t.tools.SetBrush(1, 1);
    t.edit.SelectedTerrain = 4 * 16; // High Dirt
    const auto start = t.Bytes();
    t.Drag(Button::Left, {{12, 10}, {14, 10}});
    ASSERT_EQ(t.history.StepNames(), std::vector<std::string>{"Paint Terrain"});
    EXPECT_EQ(t.T(12, 10) / 32, 2) << "high dirt under the brush";
    const auto painted = t.Bytes();
    // The same terrain again changes nothing and makes no step.
    t.Drag(Button::Left, {{12, 10}});
    EXPECT_EQ(t.history.StepNames().size(), 1u);
    EXPECT_EQ(t.Bytes(), painted);
    // Undone, the corners go back too: painting again gives a step again.
    t.tools.Undo();
    EXPECT_EQ(t.Bytes(), start);
    t.Drag(Button::Left, {{12, 10}});
    EXPECT_EQ(t.history.StepNames().size(), 1u);
    EXPECT_NE(t.Bytes(), start);
}

TEST(CopyPaste, SelectsCopiesAndPastesTilesAsTheMenuSays) {
    Tools t;
    t.tools.SetMode(kModeCopyPaste);
    for (int c = 0; c < 32; ++c) {
        for (int r = 0; r < 24; ++r) {
            t.chk.Terrain(c, r) = t.chk.Displayed(c, r) = static_cast<std::uint16_t>(c * 100 + r);
        }
    }
    t.Drag(Button::Left, {{2, 3}, {5, 7}});
    EXPECT_EQ(t.edit.CopyTiles.Left, 2);
    EXPECT_EQ(t.edit.CopyTiles.Bottom, 7);
    t.Drag(Button::Left, {{4, 4}, {4, 9}}); // one column: the rectangle stays
    EXPECT_EQ(t.edit.CopyTiles.Right, 5);
    t.tools.Choose(TPopupItem::Copy);
    ASSERT_EQ(t.tools.Clipboard().Columns.size(), 4u);
    EXPECT_EQ(t.tools.Clipboard().Columns[0].size(), 5u);
    EXPECT_EQ(t.tools.Clipboard().Columns[3][4], 5 * 100 + 7);

    // Paste after a right click on (10, 10): the first tile goes to (9, 9).
    const auto before = t.Bytes();
    t.Drag(Button::Right, {{10, 10}});
    EXPECT_TRUE(t.edit.PopupShown);
    t.tools.Choose(TPopupItem::Paste);
    EXPECT_FALSE(t.edit.PopupShown);
    EXPECT_EQ(t.T(9, 9), 2 * 100 + 3);
    EXPECT_EQ(t.T(12, 13), 5 * 100 + 7);
    EXPECT_EQ(t.edit.CopyTiles.Left, 9);
    EXPECT_EQ(t.edit.CopyTiles.Bottom, 13);
    // Across the right and bottom edges only what lies inside is written.
    t.Drag(Button::Right, {{31, 23}});
    t.tools.Choose(TPopupItem::Paste);
    EXPECT_EQ(t.T(30, 22), 2 * 100 + 3);
    EXPECT_EQ(t.T(31, 23), 3 * 100 + 4);
    EXPECT_EQ(t.chk.Terrain(32, 23), 0);
    EXPECT_EQ(t.history.StepNames(), (std::vector<std::string>{"Paste", "Paste"}));
    t.tools.Undo();
    t.tools.Undo();
    EXPECT_EQ(t.Bytes(), before);

    t.Drag(Button::Left, {{2, 3}, {5, 7}});
    // Cut fills the terrain itself, so what shows is what is saved: even columns the chosen
    // terrain's left tile, odd columns its right tile.
    t.tools.Choose(TPopupItem::Cut);
    EXPECT_EQ(t.T(2, 3), 8 * 16);
    EXPECT_EQ(t.T(5, 7), 8 * 16 + 16);
    EXPECT_EQ(t.chk.Displayed(3, 5), 8 * 16 + 16);
    EXPECT_EQ(t.tools.Clipboard().Columns[0][0], 2 * 100 + 3);
    t.tools.Undo();
    EXPECT_EQ(t.Bytes(), before);
}

TEST(CopyPaste, OneClipboardServesMapsOfTheSameTilesetOnly) {
    auto shared = std::make_shared<TTileClipboard>();
    Tools jungle, other(4), desert(5);
    for (Tools* t : {&jungle, &other, &desert}) {
        t->tools.ShareClipboard(shared);
        t->tools.SetMode(kModeCopyPaste);
    }
    // Before any copy the clipboard is empty and of tileset 0.
    desert.Drag(Button::Right, {{3, 3}});
    desert.tools.Choose(TPopupItem::Paste);
    EXPECT_EQ(
        desert.prompter.messages,
        std::vector<std::string>{"Cannot use portions of maps with a different tileset [may be added]"});
    jungle.chk.Terrain(0, 0) = jungle.chk.Displayed(0, 0) = 77;
    jungle.tools.Choose(TPopupItem::Copy); // the rectangle (0, 0)-(0, 0)
    other.Drag(Button::Right, {{6, 6}});
    other.tools.Choose(TPopupItem::Paste);
    EXPECT_EQ(other.T(5, 5), 77);
    desert.tools.Choose(TPopupItem::Paste);
    EXPECT_EQ(desert.prompter.messages.size(), 2u);
    EXPECT_TRUE(desert.history.StepNames().empty());
}

} // namespace
} // namespace orv
