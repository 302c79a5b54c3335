// Locations mode without a window: creating by a drag, the hover's captions, handles and
// cursors, resizing and moving inside the map, click selection, the slot limits of each
// format, the properties step, and every edit undone and redone byte for byte.

#include "support/TestSupport.h"
#include "tools/ToolsFixture.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

using Button = TPointerEvent::Button;

struct Locations : test::ToolsFixture {
    Locations() : ToolsFixture(4, 32, 24) { tools.SetMode(kModeLocations); }

    static TPointerEvent At(Button button, int x, int y, bool leftHeld = false) {
        TPointerEvent e = TPointerEvent::AtMapPixel(button, x, y, {});
        e.leftHeld = leftHeld;
        return e;
    }
    void Hover(int x, int y) { tools.Move(At(Button::None, x, y)); }
    // A left drag from one map pixel to another, through the point halfway.
    void Drag(int x1, int y1, int x2, int y2) {
        Hover(x1, y1);
        tools.Press(At(Button::Left, x1, y1));
        tools.Move(At(Button::None, (x1 + x2) / 2, (y1 + y2) / 2, true));
        tools.Release(At(Button::Left, x2, y2));
    }
    void Click(int x, int y) {
        tools.Press(At(Button::Left, x, y));
        tools.Release(At(Button::Left, x, y));
        tools.Click(At(Button::Left, x, y));
        tools.ClickDue(At(Button::None, x, y));
    }
    const LocationSlot& Slot(int i) const { return chk.Locations[static_cast<std::size_t>(i)]; }
    int Add(int l, int t, int r, int b) { return chk.AddLocation(l, t, r, b, 256, 1, "L"); }
};

void ExpectBox(const LocationSlot& l, int left, int top, int right, int bottom) {
    EXPECT_EQ(l.Left, left);
    EXPECT_EQ(l.Top, top);
    EXPECT_EQ(l.Right, right);
    EXPECT_EQ(l.Bottom, bottom);
}

TEST(LocationTool, ADragOverTilesCreatesANamedLocationEitherWay) {
    for (bool backwards : {false, true}) {
        Locations t;
        t.prompter.answers = {"Base <4>"};
        // Tile (2, 3) to tile (5, 7), either way round.
        if (backwards) {
            t.Drag(5 * 32 + 9, 7 * 32 + 9, 2 * 32 + 9, 3 * 32 + 9);
        } else {
            t.Drag(2 * 32 + 9, 3 * 32 + 9, 5 * 32 + 9, 7 * 32 + 9);
        }
        ASSERT_EQ(t.edit.Selection.Location, 1);
        ExpectBox(t.Slot(1), 64, 96, 160, 224);
        EXPECT_EQ(t.chk.Strings.Text(t.Slot(1).Name), "Base \x04");
        ASSERT_EQ(t.prompter.questions.size(), 1u);
        EXPECT_EQ(t.prompter.questions[0],
                  "Name of new location: Enter the name for the new location [location1 2 5 3 7]");
        EXPECT_EQ(t.history.StepNames(), std::vector<std::string>{"Create Location"});
    }
    // A cancelled name box keeps the name offered.
    Locations t;
    t.Drag(9, 9, 3 * 32, 2 * 32);
    EXPECT_EQ(t.chk.Strings.Text(t.Slot(1).Name), "location1 0 3 0 2");
}

TEST(LocationTool, AStraightDragCreatesNothingAndStaysCreatingUntilTheNextPress) {
    Locations t;
    t.Drag(2 * 32, 3 * 32, 9 * 32, 3 * 32 + 20); // one row
    t.Drag(2 * 32, 3 * 32, 2 * 32 + 5, 9 * 32);  // one column
    EXPECT_TRUE(t.edit.LocationCreating);
    EXPECT_TRUE(t.prompter.questions.empty());
    EXPECT_TRUE(t.history.StepNames().empty());
    // A drag that leaves the map makes the location end at the map's edge.
    t.Drag(28 * 32, 20 * 32, 40 * 32, 30 * 32);
    ExpectBox(t.Slot(1), 28 * 32, 20 * 32, 32 * 32, 24 * 32);
}

TEST(LocationTool, TheHoverCaptionIgnoresTheWholeMapSlotAndSlotZero) {
    Locations t;
    t.chk.Locations[kAnywhereSlot] = {0, 0, 1024, 768, 0, 0, true};
    t.chk.Locations[0] = {0, 0, 200, 200, 0, 0, true};
    t.Hover(50, 50);
    EXPECT_EQ(t.edit.Caption, "Can add");
    t.Add(40, 40, 80, 80);
    t.Hover(80, 80); // edges included
    EXPECT_EQ(t.edit.Caption, "Cannot add");
    t.tools.SetMode(kModeTerrain);
    EXPECT_EQ(t.edit.Caption, "") << "the caption is the mode's";
}

TEST(LocationTool, TheTableFillsItsSavedSlotsOnlyAndSaysWhenFull) {
    struct Case {
        int version;
        int capacity;
    };
    // The original format keeps 64 slots, the last of them the whole-map location.
    for (const Case c : {Case{205, 255}, Case{59, 64}}) {
        Locations t;
        t.chk.Version = c.version;
        const int last = c.capacity == 64 ? 62 : c.capacity - 1;
        for (int i = 1; i < last; ++i) {
            if (i != 30 && i != kAnywhereSlot) {
                t.chk.Locations[static_cast<std::size_t>(i)] = {0, 0, 32, 32, 0, 0, true};
            }
        }
        // Slot 30 and the last usable slot are free: the lowest is taken, then the last.
        t.Drag(100, 100, 200, 200);
        EXPECT_EQ(t.edit.Selection.Location, 30);
        t.Drag(300, 300, 400, 400);
        EXPECT_EQ(t.edit.Selection.Location, last);
        t.Drag(500, 300, 600, 400);
        ASSERT_EQ(t.prompter.messages.size(), 1u);
        EXPECT_EQ(t.prompter.messages[0],
                  "Maximum number of locations reached (" + std::to_string(c.capacity) + ")");
        EXPECT_EQ(t.history.StepNames().size(), 2u);
        EXPECT_FALSE(t.Slot(kLocationSlots - 1).InUse) << "a slot the file does not keep is never used";
    }
}

TEST(LocationTool, EdgesAndCornersGiveHandlesAndCursors) {
    Locations t;
    t.edit.Selection.Location = t.Add(320, 320, 640, 480);
    struct Case {
        int x, y;
        TCursorShape cursor;
        int handle;
    };
    for (const Case c :
         {Case{315, 400, TCursorShape::SizeHorizontal, 2}, Case{649, 400, TCursorShape::SizeHorizontal, 4},
          Case{500, 311, TCursorShape::SizeVertical, 0}, Case{500, 489, TCursorShape::SizeVertical, 1},
          Case{325, 475, TCursorShape::SizeNeSw, 32}, Case{312, 312, TCursorShape::SizeNwSe, 8},
          Case{645, 485, TCursorShape::SizeNwSe, 64}, Case{640, 320, TCursorShape::SizeNeSw, 16}}) {
        t.Hover(c.x, c.y);
        EXPECT_TRUE(t.edit.LocationOverEdge) << c.x << "," << c.y;
        EXPECT_EQ(t.edit.Cursor, c.cursor) << c.x << "," << c.y;
        EXPECT_EQ(t.edit.LocationHandle, c.handle) << c.x << "," << c.y;
    }
    t.Hover(330, 330);
    EXPECT_EQ(t.edit.Cursor, TCursorShape::PointingHand);
    EXPECT_TRUE(t.edit.LocationInside);
    t.Hover(329, 400);
    EXPECT_EQ(t.edit.Cursor, TCursorShape::SizeHorizontal);
    EXPECT_FALSE(t.edit.LocationInside);
    // An edge reaches along its own length only, not across the whole map.
    t.Hover(320, 100);
    EXPECT_FALSE(t.edit.LocationOverEdge);
    EXPECT_EQ(t.edit.Cursor, TCursorShape::Arrow);
}

TEST(LocationTool, ResizingAndMovingStayInsideTheMapWithEdgesInOrder) {
    Locations t;
    t.edit.Selection.Location = t.Add(64, 64, 160, 128);
    // The bottom-right handle to tile (9, 9).
    t.Drag(162, 130, 9 * 32 + 20, 9 * 32 + 20);
    ExpectBox(t.Slot(1), 64, 64, 288, 288);
    // The left edge past the right one: they trade places.
    t.Drag(62, 200, 12 * 32 + 5, 200);
    ExpectBox(t.Slot(1), 288, 64, 384, 288);
    // A move by 7 right and 3 down, in map pixels.
    t.Drag(330, 200, 337, 203);
    ExpectBox(t.Slot(1), 295, 67, 391, 291);
    // A move past the map's edge stops at it.
    t.Drag(330, 200, 3000, -500);
    ExpectBox(t.Slot(1), 1024 - 96, 0, 1024, 224);
    EXPECT_EQ(t.history.StepNames(), (std::vector<std::string>{"Resize Location", "Resize Location",
                                                               "Move Location", "Move Location"}));
}

TEST(LocationTool, ClicksCycleThroughShownLocationsOnly) {
    Locations t;
    const int a = t.Add(0, 0, 320, 320), b = t.Add(100, 100, 200, 200), c = t.Add(150, 150, 300, 300);
    t.Click(160, 160);
    EXPECT_EQ(t.edit.Selection.Location, a) << "the lowest slot first";
    t.Click(160, 160);
    EXPECT_EQ(t.edit.Selection.Location, b) << "then the lowest other than the one selected";
    t.Click(160, 160);
    EXPECT_EQ(t.edit.Selection.Location, a);
    t.chk.Locations[static_cast<std::size_t>(a)].Flags = 0xFF; // shown by no elevation item
    t.edit.LocationElevationMask = 0x3F;
    t.Click(160, 160);
    EXPECT_EQ(t.edit.Selection.Location, b);
    t.Click(160, 160);
    EXPECT_EQ(t.edit.Selection.Location, c);
    t.Click(250, 250);
    EXPECT_EQ(t.edit.Selection.Location, -1) << "clicking the only location again deselects it";
    // A double click on it there opens its properties: its first click deselected it.
    EXPECT_EQ(t.tools.DoubleClick(Locations::At(Button::Left, 250, 250)).Dialog,
              TToolDialog::LocationProperties);
    EXPECT_EQ(t.edit.Selection.Location, c);
    EXPECT_TRUE(t.history.StepNames().empty());
}

TEST(LocationTool, PropertiesAreOneStepAndRefuseWhatTheMapCannotHold) {
    Locations t;
    t.chk.Version = 205;
    t.edit.Text = TMapText(t.chk);
    const int slot = t.Add(64, 64, 160, 128);
    t.edit.Selection.Location = slot;
    const std::uint16_t name = t.Slot(slot).Name;
    // A name given back as shown keeps its bytes; flags and edges change.
    auto applied = t.tools.ApplyLocationProperties({"L", 0x80 | 0x05, 32, 32, 96, 96});
    ASSERT_TRUE(applied.ok() && applied.value());
    EXPECT_EQ(t.Slot(slot).Name, name);
    EXPECT_EQ(t.Slot(slot).Flags, 0x85);
    ExpectBox(t.Slot(slot), 32, 32, 96, 96);

    const auto before = t.Bytes();
    auto outside = t.tools.ApplyLocationProperties({std::nullopt, 0, 32, 32, 2000, 96});
    ASSERT_FALSE(outside.ok());
    EXPECT_NE(outside.error().find("Right"), std::string::npos) << outside.error();
    auto crossed = t.tools.ApplyLocationProperties({std::nullopt, 0, 96, 32, 32, 96});
    ASSERT_FALSE(crossed.ok());
    EXPECT_EQ(t.Bytes(), before) << "nothing is written for a refused value";

    // Korean in a Western map: refused unless the user takes UTF-8.
    t.chk.Strings.Entries[name - 1u] = "Caf\xE9";
    t.edit.Text = TMapText(t.chk);
    t.prompter.choices = {Prompter::Answer::No};
    auto refused = t.tools.ApplyLocationProperties({"기지", 0, 32, 32, 96, 96});
    ASSERT_TRUE(refused.ok());
    EXPECT_FALSE(refused.value());
    EXPECT_EQ(t.chk.Strings.Text(name), "Caf\xE9");

    // A location without a string gets a new one.
    t.chk.Locations[static_cast<std::size_t>(slot)].Name = 0;
    const std::size_t strings = t.chk.Strings.Entries.size();
    ASSERT_TRUE(t.tools.ApplyLocationProperties({"New <1>", 0, 32, 32, 96, 96}).ok());
    EXPECT_EQ(t.chk.Strings.Text(t.Slot(slot).Name), "New \x01");
    EXPECT_GE(t.chk.Strings.Entries.size(), strings);
}

TEST(LocationTool, EveryLocationEditIsUndoneAndRedoneByteForByte) {
    Locations t;
    std::vector<std::vector<std::uint8_t>> states{t.Bytes()};
    t.prompter.answers = {"First"};
    t.Drag(2 * 32, 3 * 32, 5 * 32, 7 * 32);
    states.push_back(t.Bytes());
    t.Drag(3 * 32 + 16, 5 * 32, 3 * 32 + 23, 5 * 32 + 3); // move
    states.push_back(t.Bytes());
    t.Drag(t.Slot(1).Right + 2, t.Slot(1).Bottom + 2, 9 * 32, 9 * 32); // resize
    states.push_back(t.Bytes());
    ASSERT_TRUE(t.tools.ApplyLocationProperties({"Renamed", 64, 0, 0, 320, 320}).ok());
    states.push_back(t.Bytes());
    t.tools.DeleteSelection();
    states.push_back(t.Bytes());
    ASSERT_EQ(t.history.StepNames().size(), 5u);
    for (std::size_t i = states.size() - 1; i > 0; --i) {
        t.tools.Undo();
        ASSERT_EQ(t.Bytes(), states[i - 1]) << "undoing step " << i;
    }
    for (std::size_t i = 1; i < states.size(); ++i) {
        t.tools.Redo();
        ASSERT_EQ(t.Bytes(), states[i]) << "redoing step " << i;
    }
}

TEST(LocationTool, WhatTheMapHoldsIsKeptByClicksDeletionsAndEmptyNames) {
    Locations t;
    // A location deleted under the pointer leaves nothing to grab: the next drag only creates.
    t.edit.Selection.Location = t.Add(64, 64, 320, 320);
    t.Hover(200, 200);
    ASSERT_TRUE(t.edit.LocationInside);
    t.tools.DeleteSelection();
    t.Drag(15 * 32 + 5, 10 * 32 + 5, 20 * 32 + 5, 15 * 32 + 5);
    ExpectBox(t.Slot(1), 15 * 32, 10 * 32, 20 * 32, 15 * 32);
    EXPECT_EQ(t.history.StepNames(), (std::vector<std::string>{"Delete Location", "Create Location"}));

    // A location partly off the map stays where it is when clicked inside; a move only never
    // takes it further out.
    t.chk.Locations[5] = {-100, 40, 300, 200, 0, 0, true};
    t.edit.Selection.Location = 5;
    t.Drag(150, 120, 150, 120);
    ExpectBox(t.Slot(5), -100, 40, 300, 200);
    t.Drag(150, 120, 100, 120);
    ExpectBox(t.Slot(5), -100, 40, 300, 200);
    t.Drag(150, 120, 160, 120);
    ExpectBox(t.Slot(5), -90, 40, 310, 200);
    // Resizing one edge of a location whose other axis is reversed leaves that axis alone.
    t.chk.Locations[5] = {400, 200, 96, 300, 0, 0, true};
    t.Hover(200, 202);
    ASSERT_EQ(t.edit.LocationHandle, 0);
    t.Drag(200, 202, 200, 4 * 32 + 9);
    ExpectBox(t.Slot(5), 400, 128, 96, 300);

    // An empty name is no string: two locations never share one.
    t.prompter.answers = {"", "Second"};
    t.Drag(2 * 32, 20 * 32, 5 * 32, 22 * 32);
    const int first = t.edit.Selection.Location;
    EXPECT_EQ(t.Slot(first).Name, 0);
    t.Drag(8 * 32, 20 * 32, 10 * 32, 22 * 32);
    EXPECT_EQ(t.chk.Strings.Text(t.Slot(t.edit.Selection.Location).Name), "Second");
    EXPECT_EQ(t.Slot(first).Name, 0);
}

TEST(LocationTool, TheOutlineFollowsTheGestureUnderWay) {
    Locations t;
    t.edit.Selection.Location = t.Add(64, 64, 160, 128);
    t.tools.Press(Locations::At(Button::Left, 100, 100)); // inside: a move
    auto moving = LocationToolOutline(t.chk, t.edit, 110, 90);
    ASSERT_TRUE(moving);
    EXPECT_EQ(moving->X1, 74);
    EXPECT_EQ(moving->Y1, 54);
    t.tools.Release(Locations::At(Button::Left, 100, 100));
    EXPECT_FALSE(LocationToolOutline(t.chk, t.edit, 110, 90)) << "nothing after the release";
    t.tools.Press(Locations::At(Button::Left, 400, 300)); // empty ground: a new location
    auto creating = LocationToolOutline(t.chk, t.edit, 500, 350);
    ASSERT_TRUE(creating);
    EXPECT_EQ(creating->X1, 12 * 32);
    EXPECT_EQ(creating->Y1, 9 * 32);
    EXPECT_EQ(creating->X2, 500);
}

} // namespace
} // namespace orv
