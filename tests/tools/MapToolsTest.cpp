// The editing tools driven by pointer events, without a window: what each mode does with a
// press, a click, a double click and a right click, and a few hundred random actions that
// undo and redo back to the scenario's exact bytes.

#include "base/Random.h"
#include "support/RecordingPrompter.h"
#include "support/StandinData.h"
#include "support/TestSupport.h"
#include "tools/ToolsFixture.h"
#include "view/PointerStatus.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

using Button = TPointerEvent::Button;

struct Tools : test::ToolsFixture {
    int changes = 0;

    explicit Tools(int width = 32, int height = 24) : ToolsFixture(4, width, height) {
        tools.OnChange = [this](const TEditChange&) { ++changes; };
    }
    static TPointerEvent At(Button button, int x, int y) {
        return TPointerEvent::AtMapPixel(button, x, y, {});
    }
    TToolReply RightClick(int x, int y) {
        tools.Press(At(Button::Right, x, y));
        return tools.Release(At(Button::Right, x, y));
    }
    std::uint32_t AddUnit(int x, int y) {
        chk.AddUnit(x, y, 0, 0);
        return chk.Units.back().Key;
    }
};

TEST(MapTools, PointerEventsAreReadInMapPixelsAtEveryZoom) {
    Tools t;
    // Scrolled to tile (10, 3), the point (100, 40) of the display at 100% is tile (13, 4).
    TPointerEvent event;
    event.x = 100;
    event.y = 40;
    event.view = {32, 10, 3};
    EXPECT_EQ(event.Column(), 13);
    EXPECT_EQ(event.Row(), 4);
    EXPECT_EQ(PointerStatus(t.chk, test::StandinGameData(), event.MapX(), event.MapY()), "X:13, Y:4");
    // At 50% the same point is twice as far into the map.
    event.view.TileScreenSize = 16;
    EXPECT_EQ(event.MapX(), 10 * 32 + 200);
    EXPECT_EQ(event.Column(), 16);
}

TEST(MapTools, ModesAnswerPressesClicksAndRightClicksAsTheirToolsDo) {
    Tools t;
    const auto start = t.Bytes();
    // A right press and release in Terrain mode changes nothing and opens no menu.
    EXPECT_EQ(t.RightClick(100, 100).Popup, TPopupMenu::None);
    EXPECT_EQ(t.Bytes(), start);
    EXPECT_EQ(t.changes, 0);

    // Copy / Paste always offers its menu (its items come with tile copying).
    t.tools.SetMode(kModeCopyPaste);
    EXPECT_EQ(t.RightClick(100, 100).Popup, TPopupMenu::CopyPaste);
    EXPECT_TRUE(t.edit.PopupShown);
    t.tools.Release(Tools::At(Button::Left, 5, 5)); // the release that closes the menu
    EXPECT_FALSE(t.edit.PopupShown);

    // Locations: the menu only for a release strictly inside the selected location.
    const int slot = t.chk.AddLocation(64, 64, 192, 160, 64, 1, "Base");
    t.tools.SetMode(kModeLocations);
    EXPECT_EQ(t.RightClick(100, 100).Popup, TPopupMenu::None); // nothing selected
    t.edit.Selection.Location = slot;
    EXPECT_EQ(t.RightClick(64, 100).Popup, TPopupMenu::None); // on its edge
    EXPECT_EQ(t.RightClick(100, 100).Popup, TPopupMenu::Location);
    EXPECT_EQ(t.tools.Choose(TPopupItem::EditLocationProperties).Dialog, TToolDialog::LocationProperties);
    const TToolReply deleted = t.tools.Choose(TPopupItem::DeleteLocation);
    EXPECT_TRUE(deleted.Change.Locations);
    EXPECT_FALSE(t.chk.Locations[static_cast<std::size_t>(slot)].InUse);
    EXPECT_EQ(t.edit.Selection.Location, -1);

    // Units: with none selected a right click leaves placing; with some, the unit menu.
    t.tools.SetMode(kModeUnits);
    t.edit.CurrentUnitType = 7;
    EXPECT_EQ(t.RightClick(100, 100).Popup, TPopupMenu::None);
    EXPECT_EQ(t.edit.CurrentUnitType, -1);
    const std::uint32_t first = t.AddUnit(300, 300), second = t.AddUnit(400, 300), kept = t.AddUnit(500, 300);
    t.edit.Selection.Units = {second, first};
    EXPECT_EQ(t.RightClick(100, 100).Popup, TPopupMenu::Unit);
    t.tools.Choose(TPopupItem::DeleteUnit);
    ASSERT_EQ(t.chk.Units.size(), 1u);
    EXPECT_EQ(t.chk.Units[0].Key, kept);
    // The Delete key does what the menu's item does; the selection survives the undo.
    t.tools.Undo();
    EXPECT_EQ(t.chk.Units.size(), 3u);
    t.edit.Selection.Units = {kept};
    t.tools.DeleteSelection();
    EXPECT_EQ(t.chk.UnitIndex(kept), -1);
    EXPECT_EQ(t.chk.UnitIndex(first), 0);
    t.edit.CurrentUnitType = 3;
    t.tools.Escape();
    EXPECT_EQ(t.edit.CurrentUnitType, -1);
    EXPECT_EQ(t.history.StepNames(), (std::vector<std::string>{"Delete Location", "Delete Unit"}));

    // Doodads: the menu for a selection while none is being placed; placing, a right click
    // stops it and drops the selection.
    t.tools.SetMode(kModeDoodads);
    t.edit.Selection.Doodads = {12345};
    EXPECT_EQ(t.RightClick(100, 100).Popup, TPopupMenu::None); // no such doodad
    t.chk.AddDoodad(320, 320, 0);
    ASSERT_FALSE(t.chk.Doodads.empty());
    t.edit.Selection.Doodads = {t.chk.Doodads.back().Key};
    t.edit.CurrentDoodad = 4;
    EXPECT_EQ(t.RightClick(100, 100).Popup, TPopupMenu::None);
    EXPECT_TRUE(t.edit.Selection.Doodads.empty());
    t.edit.Selection.Doodads = {t.chk.Doodads.back().Key};
    t.edit.CurrentDoodad = -1;
    EXPECT_EQ(t.RightClick(100, 100).Popup, TPopupMenu::Doodad);
}

TEST(MapTools, ADoubleClickCancelsTheClickWaitingBeforeIt) {
    Tools t;
    t.tools.SetMode(kModeUnits);
    t.edit.Selection.Units = {t.AddUnit(64, 64)};
    t.edit.ClickX = -1;
    EXPECT_TRUE(t.tools.Click(Tools::At(Button::Left, 64, 64)).StartClickTimer);
    EXPECT_TRUE(t.tools.ClickPending());
    EXPECT_EQ(t.tools.DoubleClick(Tools::At(Button::Left, 64, 64)).Dialog, TToolDialog::UnitProperties);
    t.tools.ClickDue(Tools::At(Button::None, 64, 64)); // the timer fires late: nothing runs
    EXPECT_EQ(t.edit.ClickX, -1);
    // A click alone is acted on at the point the pointer has when its time comes.
    t.tools.Click(Tools::At(Button::Left, 64, 64));
    t.tools.ClickDue(Tools::At(Button::None, 70, 80));
    EXPECT_EQ(t.edit.ClickX, 70);
    EXPECT_EQ(t.edit.ClickY, 80);
}

TEST(MapTools, AFogStrokeIsOneStepEndedByTheReleaseOrByAModeChange) {
    Tools t(16, 12);
    t.tools.SetMode(kModeFog);
    t.tools.SetBrush(1, 2); // radius 2
    std::fill(t.chk.FogGrid.begin(), t.chk.FogGrid.end(), std::uint8_t{0x40});
    // Begun at the map's last column: every covered tile of the map, nothing past it.
    t.tools.Press(Tools::At(Button::Left, 15 * 32 + 31, 5 * 32));
    EXPECT_TRUE(t.tools.InGesture());
    t.tools.Undo(); // waits for the gesture's end
    t.tools.Move([] {
        TPointerEvent e = Tools::At(Button::None, 15 * 32, 9 * 32);
        e.leftHeld = true;
        return e;
    }());
    t.tools.Release(Tools::At(Button::Left, 15 * 32, 9 * 32));
    EXPECT_EQ(t.chk.Fog(13, 3), 0x41);
    EXPECT_EQ(t.chk.Fog(15, 11), 0x41);
    EXPECT_EQ(t.chk.Fog(12, 5), 0x40);
    EXPECT_EQ(t.chk.Fog(16, 5), 0x40) << "past the map's last column";
    EXPECT_EQ(t.history.StepNames(), std::vector<std::string>{"Fog of War"});
    // A mode change in the middle of a drag ends it as one step; the new mode starts with the
    // medium fog brush.
    t.tools.Press(Tools::At(Button::Left, 32, 32));
    t.tools.SetMode(kModeTerrain);
    EXPECT_FALSE(t.tools.InGesture());
    EXPECT_EQ(t.history.StepNames().size(), 2u);
    EXPECT_EQ(t.edit.FogBrushRadius, 1);
    // Players 9 to 12 have no fog bit: no change, no step.
    t.tools.SetMode(kModeFog);
    t.tools.SetPlayer(9);
    const auto before = t.Bytes();
    t.tools.Press(Tools::At(Button::Left, 32, 32));
    t.tools.Release(Tools::At(Button::Left, 32, 32));
    EXPECT_EQ(t.Bytes(), before);
    EXPECT_EQ(t.history.StepNames().size(), 2u);
}

// A random action of every kind the tools take: modes, players, brushes and terrains, presses, drags,
// releases, clicks and double clicks of both buttons anywhere (off the map too), menu
// choices, location properties, the Delete and Escape keys, the fog and revealer commands, undo and redo,
// with random selections.
void RandomAction(Tools& t) {
    TCHK& chk = t.chk;
    const int w = chk.Width * 32, h = chk.Height * 32;
    auto point = [&] { return std::pair{RandomBelow(w + 200) - 100, RandomBelow(h + 200) - 100}; };
    const auto [x, y] = point();
    switch (RandomBelow(20)) {
    case 0:
    case 1:
        t.tools.SetMode(RandomBelow(6));
        break;
    case 2:
        t.tools.SetPlayer(RandomBelow(12));
        t.tools.SetBrush(1 + RandomBelow(3), RandomBelow(5));
        t.edit.SelectedTerrain = RandomBelow(14) * 32;
        t.edit.CurrentUnitType = RandomBelow(3) ? RandomBelow(228) : -1;
        t.edit.CurrentDoodad = RandomBelow(3) ? RandomBelow(64) : -1;
        t.edit.Placement = {RandomBelow(3) * 16, RandomBelow(3) * 16, RandomBelow(2) == 0,
                            RandomBelow(2) == 0};
        t.edit.SheetHalfHeight = [](int sheet) { return sheet % 3 * 24; };
        break;
    case 3:
    case 4:
    case 5:
    case 6: {
        const Button button = RandomBelow(4) ? Button::Left : Button::Right;
        TPointerEvent e = Tools::At(button, x, y);
        t.tools.Press(e);
        e.button = Button::None;
        e.leftHeld = button == Button::Left;
        for (int i = RandomBelow(8); i > 0; --i) {
            e.x += RandomBelow(129) - 64;
            e.y += RandomBelow(129) - 64;
            t.tools.Move(e);
        }
        e.button = button;
        t.tools.Release(e);
        break;
    }
    case 7:
        t.tools.Click(Tools::At(Button::Left, x, y));
        if (RandomBelow(2)) {
            t.tools.DoubleClick(Tools::At(Button::Left, x, y));
        }
        t.tools.ClickDue(Tools::At(Button::None, x, y));
        break;
    case 8:
    case 9: {
        const std::vector<UnitRecord>& units = chk.Units;
        t.edit.Selection.Units.clear();
        for (int i = RandomBelow(4); i > 0 && !units.empty(); --i) {
            t.edit.Selection.Units.push_back(
                units[static_cast<std::size_t>(RandomBelow(int(units.size())))].Key);
        }
        t.edit.Selection.Doodads.clear();
        if (!chk.Doodads.empty()) {
            t.edit.Selection.Doodads.push_back(
                chk.Doodads[static_cast<std::size_t>(RandomBelow(int(chk.Doodads.size())))].Key);
        }
        t.edit.Selection.Location = RandomBelow(kLocationSlots);
        break;
    }
    case 10:
    case 11:
        t.tools.DeleteSelection();
        break;
    case 12:
        t.tools.Choose(static_cast<TPopupItem>(RandomBelow(8)));
        break;
    case 13:
        if (RandomBelow(2)) {
            t.tools.Escape();
        } else {
            const std::optional<std::string> name =
                RandomBelow(2) ? std::optional<std::string>("Loc <1>" + std::to_string(x)) : std::nullopt;
            (void)t.tools.ApplyLocationProperties(
                {name, static_cast<std::uint16_t>(RandomBelow(512)), x, y, x + RandomBelow(300), y + 64});
        }
        break;
    case 14:
        RandomBelow(2) ? t.tools.FogAllOn() : t.tools.FogAllOff();
        break;
    case 15:
        if (RandomBelow(3) == 0) {
            t.tools.AddMapRevealers(1 + RandomBelow(8));
        }
        break;
    case 16:
        t.tools.Undo();
        break;
    case 17:
        t.tools.Redo();
        break;
    default:
        t.tools.Move(Tools::At(Button::None, x, y));
        break;
    }
}

void UndoRedoEverything(Tools& t) {
    const auto before = t.Bytes();
    for (int i = 0; i < 600; ++i) {
        RandomAction(t);
    }
    // The state at the history's end: steps undone last are redone first.
    while (t.history.CanRedo()) {
        t.tools.Redo();
    }
    const auto after = t.Bytes();
    EXPECT_GT(t.history.StepNames().size(), 5u);
    while (t.history.CanUndo()) {
        t.tools.Undo();
    }
    EXPECT_EQ(t.Bytes(), before);
    while (t.history.CanRedo()) {
        t.tools.Redo();
    }
    EXPECT_EQ(t.Bytes(), after);
}

TEST(MapTools, AnyRandomActionsUndoneGiveBackTheBytesOnANewMapAndACorpusMap) {
    SeedRandom(31);
    Tools fresh(64, 48);
    for (int i = 0; i < 6; ++i) {
        fresh.chk.AddLocation(32 * i, 32, 32 * i + 96, 128, 64, 1, "L" + std::to_string(i));
        fresh.chk.AddUnit(100 + 90 * i, 200, i, 0);
        fresh.chk.AddDoodad(64 * i + 32, 640, i);
    }
    fresh.chk.AssignKeys();
    UndoRedoEverything(fresh);
    ORV_REQUIRE_CORPUS();
    Tools real;
    ASSERT_TRUE(real.chk.LoadFromFile((test::CorpusDir() / "chk" / "forces.chk").string()).ok());
    real.chk.AssignKeys();
    UndoRedoEverything(real);
}

} // namespace
} // namespace orv
