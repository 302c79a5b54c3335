// Units and Doodads modes without a window: grid snapping, the unit placement tests, trails
// and the unit limit, the doodad cursor and placing, the selection rules, the unit
// properties, and every placement, deletion and change undone and redone byte for byte.

#include "graphics/RuleTables.h"
#include "support/TestSupport.h"
#include "tools/ToolsFixture.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

using Button = TPointerEvent::Button;

// The stand-in unit table with one type changed: `type`'s placement box and flags.
std::vector<std::uint8_t> UnitsDatWith(int type, int width, int height, std::uint32_t flags) {
    std::vector<std::uint8_t> dat = test::StandinGameData().UnitsDat;
    auto put = [&dat](std::size_t at, std::uint64_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            dat.at(at + static_cast<std::size_t>(i)) = static_cast<std::uint8_t>(value >> (8 * i));
        }
    };
    put(11284 + 4 * static_cast<std::size_t>(type), static_cast<std::uint64_t>(width), 2);
    put(11286 + 4 * static_cast<std::size_t>(type), static_cast<std::uint64_t>(height), 2);
    put(7032 + 4 * static_cast<std::size_t>(type), flags, 4);
    return dat;
}

constexpr int kBuilding = 106, kGround = 0, kFlyer = 58;

struct Units {
    std::vector<std::uint8_t> dat = [] {
        auto d = UnitsDatWith(kBuilding, 96, 64, UnitsTable::kBuilding);
        const auto put = [&d](int type, int w, int h, std::uint32_t flags) {
            auto one = UnitsDatWith(type, w, h, flags);
            for (std::size_t at : {11284 + 4 * std::size_t(type), 7032 + 4 * std::size_t(type)}) {
                std::copy(one.begin() + static_cast<std::ptrdiff_t>(at),
                          one.begin() + static_cast<std::ptrdiff_t>(at + 4),
                          d.begin() + static_cast<std::ptrdiff_t>(at));
            }
        };
        put(kGround, 16, 16, 0);
        put(kFlyer, 32, 32, UnitsTable::kFlyer);
        return d;
    }();
    test::RecordingPrompter prompter;
    TCHK chk{prompter, &dat};
    TEditHistory history;
    TEditState edit;
    TMapTools tools{chk, history, edit, prompter};

    Units() {
        chk.NewMap(2, 4, 32, 32, &test::StandinGameData().Tileset(4));
        tools.SetMode(kModeUnits);
        edit.Placement.IgnoreTerrain = true; // the terrain test has its own case
    }
    static TPointerEvent At(Button b, int x, int y, bool held = false) {
        TPointerEvent e = TPointerEvent::AtMapPixel(b, x, y, {});
        e.leftHeld = held;
        return e;
    }
    void Click(int x, int y) {
        tools.Press(At(Button::Left, x, y));
        tools.Release(At(Button::Left, x, y));
        tools.Click(At(Button::Left, x, y));
        tools.ClickDue(At(Button::None, x, y));
    }
    void Drag(int x1, int y1, int x2, int y2) {
        tools.Press(At(Button::Left, x1, y1));
        tools.Move(At(Button::None, x2, y2, true));
        tools.Release(At(Button::Left, x2, y2));
        tools.Click(At(Button::Left, x2, y2));
        tools.ClickDue(At(Button::None, x2, y2));
    }
    std::vector<std::uint8_t> Bytes() const { return chk.Snapshot().value(); }
};

TEST(Placement, BuildingsAndUnitsSnapToTheirGridsTowardZero) {
    Units t;
    TPlacementOptions o;
    EXPECT_EQ(SnapToGrid(t.chk, o, kBuilding, 100, 50), (TMapPoint{80, 32}));
    o.BuildingGrid = 16;
    EXPECT_EQ(SnapToGrid(t.chk, o, kBuilding, 100, 50), (TMapPoint{96, 48}));
    o.BuildingGrid = 0;
    EXPECT_EQ(SnapToGrid(t.chk, o, kBuilding, 100, 50), (TMapPoint{100, 50}));
    o.BuildingGrid = 32;
    for (int edge = -31; edge <= -1; ++edge) {
        EXPECT_EQ(SnapToGrid(t.chk, o, kBuilding, 48 + edge, 32 + edge), (TMapPoint{48, 32})) << edge;
    }
    EXPECT_EQ(SnapToGrid(t.chk, o, kGround, 100, 50), (TMapPoint{100, 50}))
        << "units have no grid by default";
    o.UnitGrid = 16;
    EXPECT_EQ(SnapToGrid(t.chk, o, kGround, 100, 50), (TMapPoint{88, 40}));
}

TEST(Placement, UnitsOfOneLayerDoNotOverlapUnlessAllowed) {
    Units t;
    const TPlacementOptions& o = t.edit.Placement;
    t.chk.AddUnit(200, 200, 0, kGround);
    EXPECT_FALSE(CanPlaceUnit(t.chk, o, kGround, 205, 205));
    EXPECT_TRUE(CanPlaceUnit(t.chk, o, kGround, 216, 200)) << "boxes that only touch";
    EXPECT_TRUE(CanPlaceUnit(t.chk, o, kFlyer, 200, 200)) << "a flyer over a ground unit";
    t.chk.AddUnit(400, 400, 0, kFlyer);
    EXPECT_FALSE(CanPlaceUnit(t.chk, o, kFlyer, 420, 420));
    t.edit.Placement.AllowOverlap = true;
    EXPECT_TRUE(CanPlaceUnit(t.chk, o, kFlyer, 420, 420));
    EXPECT_TRUE(CanPlaceUnit(t.chk, o, kGround, 200, 200));
    EXPECT_FALSE(CanPlaceUnit(t.chk, o, kGround, 32 * 32 + 5, 100)) << "never off the map";
    EXPECT_FALSE(CanPlaceUnit(t.chk, o, -1, 100, 100));
}

TEST(Placement, TheTerrainDecidesForGroundUnitsAndBuildingsButNotFlyers) {
    Units t;
    t.edit.Placement.IgnoreTerrain = false;
    // A new map is all one plain terrain: every unit fits; a cell of a group that is not
    // buildable or walkable stops the ground ones there.
    EXPECT_TRUE(CanPlaceUnit(t.chk, t.edit.Placement, kBuilding, 300, 300));
    EXPECT_TRUE(CanPlaceUnit(t.chk, t.edit.Placement, kGround, 300, 300));
    const CStarcraftTileset& tileset = *t.chk.TilesetLink;
    int blocked = -1;
    for (int g = 1; g < tileset.GroupCount() && blocked < 0; ++g) {
        const bool unwalkable =
            (tileset.Graphics(g * 16).Flags[0] & 1) == 0 && tileset.TileHasGraphics(g * 16);
        if (unwalkable && (tileset.Header(g).Flags & 0xF0) != 0) {
            blocked = g;
        }
    }
    ASSERT_GE(blocked, 0) << "the stand-in tileset has an unwalkable group";
    for (int c = 8; c < 12; ++c) {
        for (int r = 8; r < 12; ++r) {
            t.chk.TileMap[TCHK::Cell(c, r)] = static_cast<std::uint16_t>(blocked * 16);
        }
    }
    EXPECT_FALSE(CanPlaceUnit(t.chk, t.edit.Placement, kGround, 10 * 32, 10 * 32));
    EXPECT_FALSE(CanPlaceUnit(t.chk, t.edit.Placement, kBuilding, 10 * 32, 10 * 32));
    EXPECT_TRUE(CanPlaceUnit(t.chk, t.edit.Placement, kFlyer, 10 * 32, 10 * 32));
    t.edit.Placement.IgnoreTerrain = true;
    EXPECT_TRUE(CanPlaceUnit(t.chk, t.edit.Placement, kGround, 10 * 32, 10 * 32));
}

TEST(Placement, AClickPlacesOneUnitAndADragATrailThatIsOneStep) {
    Units t;
    t.edit.CurrentUnitType = kGround;
    t.tools.SetPlayer(3);
    t.Click(100, 100);
    ASSERT_EQ(t.chk.Units.size(), 1u);
    EXPECT_EQ(t.chk.Units[0].Owner, 3);
    EXPECT_EQ(t.chk.Units[0].X, 100);
    // Anywhere and Overlapping: every move of a drag places a unit.
    t.edit.Placement.AllowOverlap = true;
    t.tools.Press(Units::At(Button::Left, 300, 300));
    for (int x = 300; x < 400; x += 10) {
        t.tools.Move(Units::At(Button::None, x, 300, true));
    }
    t.tools.Release(Units::At(Button::Left, 400, 300));
    t.tools.Click(Units::At(Button::Left, 400, 300));
    t.tools.ClickDue(Units::At(Button::None, 400, 300));
    EXPECT_EQ(t.chk.Units.size(), 11u) << "the release ends the trail without a unit of its own";
    EXPECT_EQ(t.history.StepNames(), (std::vector<std::string>{"Place Unit", "Place Unit"}));
    t.tools.Undo();
    EXPECT_EQ(t.chk.Units.size(), 1u);
}

TEST(Placement, TheUnitLimitIsToldOnceAndChangesNothing) {
    Units t;
    t.edit.Placement.AllowOverlap = true;
    for (int i = 0; i < kMaxUnits - 1; ++i) {
        t.chk.AddUnit(100, 100, 0, kGround);
    }
    t.edit.CurrentUnitType = kGround;
    t.Click(200, 200);
    EXPECT_EQ(t.chk.Units.size(), static_cast<std::size_t>(kMaxUnits)) << "the 1650th is placed";
    const auto full = t.Bytes();
    t.tools.Press(Units::At(Button::Left, 300, 300));
    for (int x = 300; x < 400; x += 10) {
        t.tools.Move(Units::At(Button::None, x, 300, true));
    }
    t.tools.Release(Units::At(Button::Left, 400, 300));
    EXPECT_EQ(t.prompter.messages, std::vector<std::string>{"Max number of units reached (1650)"});
    EXPECT_EQ(t.Bytes(), full);
    EXPECT_EQ(t.history.StepNames().size(), 1u);
}

TEST(Placement, ADragSelectsUnitsByTheirCornersAndTheReleasePoint) {
    Units t;
    t.chk.AddUnit(100, 100, 0, kGround); // box 92..108
    t.chk.AddUnit(300, 300, 0, kGround);
    t.chk.AssignKeys();
    auto selected = [&t](int x1, int y1, int x2, int y2) {
        return UnitsInRect(t.chk, TSelectRect::Between(x1, y1, x2, y2));
    };
    EXPECT_EQ(selected(80, 80, 96, 96), std::vector<int>{0}) << "its top-left corner";
    EXPECT_EQ(selected(100, 100, 100, 100), std::vector<int>{0}) << "a click on it";
    EXPECT_EQ(selected(108, 60, 140, 100), std::vector<int>{}) << "the top-right corner on the edge: strict";
    EXPECT_EQ(selected(0, 0, 400, 400), (std::vector<int>{0, 1}));
    t.Drag(0, 0, 200, 200);
    ASSERT_EQ(t.edit.Selection.Units.size(), 1u);
    // Deleting is one step; the selection keeps naming the unit through undo and redo.
    const auto before = t.Bytes();
    t.tools.DeleteSelection();
    EXPECT_EQ(t.chk.Units.size(), 1u);
    t.tools.Undo();
    EXPECT_EQ(t.Bytes(), before);
    EXPECT_TRUE(t.edit.Selection.AnyUnit(t.chk));
}

TEST(Placement, UnitPropertiesMakeTheSelectedUnitsEqualOrNameTheFieldRefused) {
    Units t;
    for (int i = 0; i < 3; ++i) {
        t.chk.AddUnit(100 + 40 * i, 100, i, kGround);
    }
    t.chk.Units[0].State = 2;
    t.chk.Units[0].Resources = 500;
    t.chk.AssignKeys();
    for (const UnitRecord& u : t.chk.Units) {
        t.edit.Selection.Units.push_back(u.Key);
    }
    const auto before = t.Bytes();
    // The dialog shows the first unit; closed unchanged, it copies it into the others.
    t.tools.ApplyUnitProperties(TUnitProperties::Of(t.chk.Units[0]));
    for (const UnitRecord& u : t.chk.Units) {
        EXPECT_EQ(u.Owner, 0);
        EXPECT_EQ(u.State, 2);
        EXPECT_EQ(u.Resources, 500u);
    }
    const auto equal = t.Bytes();
    auto typed = ParseUnitProperties(4, {"300", "100", " 50 ", "7", "0"}, 2 | 64);
    ASSERT_TRUE(typed.ok()) << typed.error();
    EXPECT_EQ(typed.value().HitPoints, 44) << "300 modulo 256";
    EXPECT_EQ(typed.value().State, 2);
    t.tools.ApplyUnitProperties(typed.value());
    EXPECT_EQ(t.chk.Units[2].Owner, 4);
    EXPECT_EQ(t.chk.Units[2].Energy, 50);
    EXPECT_EQ(t.history.StepNames(), (std::vector<std::string>{"Unit Properties", "Unit Properties"}));
    t.tools.Undo();
    EXPECT_EQ(t.Bytes(), equal);
    t.tools.Undo();
    EXPECT_EQ(t.Bytes(), before);

    for (const auto& [fields, name] :
         {std::pair{std::array<std::string, 5>{"1x", "0", "0", "0", "0"}, "Hit Point %"},
          std::pair{std::array<std::string, 5>{"1", "", "0", "0", "0"}, "Shield Point %"},
          std::pair{std::array<std::string, 5>{"1", "0", "0", "-1", "0"}, "Resources"},
          std::pair{std::array<std::string, 5>{"1", "0", "0", "0", "70000"}, "In Hanger"}}) {
        const auto refused = ParseUnitProperties(0, fields, 0);
        ASSERT_FALSE(refused.ok()) << name;
        EXPECT_EQ(refused.error().rfind(name, 0), 0u) << refused.error();
    }
}

// Doodads: the first stand-in doodad of the tileset with a footprint.
int SomeDoodad(const TCHK& chk) {
    for (int d = 0; d < kDoodadCount; ++d) {
        if (chk.TilesetLink->DoodadInfo(d).Width > 0 && chk.TilesetLink->DoodadInfo(d).Height > 0) {
            return d;
        }
    }
    return -1;
}

TEST(Placement, DoodadsSitOnEvenColumnsAndArePlacedSelectedAndDeletedAsSteps) {
    Units t;
    t.tools.SetMode(kModeDoodads);
    const int doodad = SomeDoodad(t.chk);
    ASSERT_GE(doodad, 0);
    for (int x = -40; x < 40 * 32; x += 13) {
        EXPECT_EQ(DoodadCursorAt(t.chk, doodad, x, 300, 0).Column % 2, 0) << x;
    }
    const DoodadInfoRecord& info = t.chk.TilesetLink->DoodadInfo(doodad);
    // A footprint that asks for another group than the map's does not fit.
    const TDoodadCursor cursor = DoodadCursorAt(t.chk, doodad, 320, 320, 0);
    EXPECT_EQ(cursor.Row, 10 - info.Height / 2);
    EXPECT_FALSE(CanPlaceDoodad(t.chk, doodad, {-2, 3, 0})) << "off the map";
    bool needsTerrain = false;
    for (int r = 0; r < info.Height; ++r) {
        for (int c = 0; c < info.Width; ++c) {
            const std::uint16_t required = t.chk.TilesetLink->DoodadPlacement(doodad, c, r);
            needsTerrain = needsTerrain || required != 0;
            if (required != 0) {
                t.chk.Terrain(cursor.Column + c, cursor.Row + r) = static_cast<std::uint16_t>(required * 16);
                t.chk.Displayed(cursor.Column + c, cursor.Row + r) =
                    static_cast<std::uint16_t>(required * 16);
            }
        }
    }
    EXPECT_TRUE(CanPlaceDoodad(t.chk, doodad, cursor));

    const auto before = t.Bytes();
    t.edit.CurrentDoodad = doodad;
    t.edit.SheetHalfHeight = [](int) { return 0; };
    t.Click(320, 320);
    ASSERT_EQ(t.chk.Doodads.size(), 1u) << "doodad " << doodad << " " << int(info.Width) << "x"
                                        << int(info.Height) << " at " << cursor.Column << "," << cursor.Row;
    EXPECT_EQ(t.chk.Doodads[0].X, (cursor.Column + info.Width / 2) * 32);
    EXPECT_EQ(t.chk.Doodads[0].Owner, 12);
    EXPECT_TRUE(t.edit.Selection.AnyDoodad(t.chk)) << "the click selects what it placed";
    const auto placed = t.Bytes();
    if (needsTerrain) {
        t.Click(320, 320);
        EXPECT_EQ(t.chk.Doodads.size(), 1u) << "its own tiles do not match its footprint again";
    }
    // Deleting takes the doodad and its tiles away; undo and redo give the same bytes.
    t.tools.Escape();
    t.edit.Selection.Doodads = {t.chk.Doodads[0].Key};
    t.tools.DeleteSelection();
    EXPECT_TRUE(t.chk.Doodads.empty());
    t.tools.Undo();
    EXPECT_EQ(t.Bytes(), placed);
    t.tools.Undo();
    EXPECT_EQ(t.Bytes(), before);
    t.tools.Redo();
    EXPECT_EQ(t.Bytes(), placed);
}

TEST(Placement, ADoodadIsPlacedOnlyWhereItsTerrainMatchesToo) {
    Units t;
    t.tools.SetMode(kModeDoodads);
    const int doodad = SomeDoodad(t.chk);
    const DoodadInfoRecord& info = t.chk.TilesetLink->DoodadInfo(doodad);
    const TDoodadCursor cursor = DoodadCursorAt(t.chk, doodad, 320, 320, 0);
    bool needsTerrain = false;
    // The displayed tiles match its footprint, the terrain under them does not (as in maps
    // whose two grids differ): the doodad would not stay, so it is not placed.
    for (int r = 0; r < info.Height; ++r) {
        for (int c = 0; c < info.Width; ++c) {
            if (const std::uint16_t required = t.chk.TilesetLink->DoodadPlacement(doodad, c, r)) {
                needsTerrain = true;
                t.chk.Displayed(cursor.Column + c, cursor.Row + r) =
                    static_cast<std::uint16_t>(required * 16);
            }
        }
    }
    if (!needsTerrain) {
        GTEST_SKIP() << "doodad " << doodad << " asks for no terrain";
    }
    EXPECT_FALSE(CanPlaceDoodad(t.chk, doodad, cursor));
    t.edit.CurrentDoodad = doodad;
    t.Click(320, 320);
    EXPECT_TRUE(t.chk.Doodads.empty());
    EXPECT_TRUE(t.history.StepNames().empty());
}

TEST(Placement, ASpriteMovesTheDoodadDownAndItsFootprintWithIt) {
    Units t;
    const int doodad = SomeDoodad(t.chk);
    const TDoodadCursor cursor = DoodadCursorAt(t.chk, doodad, 320, 320, 80);
    EXPECT_EQ(cursor.Shift, 2);
    const DoodadInfoRecord& info = t.chk.TilesetLink->DoodadInfo(doodad);
    EXPECT_EQ(DoodadPosition(t.chk, doodad, cursor, 80).Y, (cursor.Row + info.Height / 2) * 32 + 80);
}

TEST(Placement, DoodadSelectionUsesItsOwnStrictBounds) {
    Units t;
    const int doodad = SomeDoodad(t.chk);
    const DoodadInfoRecord& info = t.chk.TilesetLink->DoodadInfo(doodad);
    t.chk.Doodads.push_back({static_cast<std::uint16_t>(doodad), 320, 320});
    const int l = 320 - 16 * info.Width, b = 320 + 16 * info.Height;
    auto selected = [&t](int x1, int y1, int x2, int y2) {
        return DoodadsInRect(t.chk, TSelectRect::Between(x1, y1, x2, y2)).size();
    };
    EXPECT_EQ(selected(320, 320, 320, 320), 1u) << "a click inside";
    EXPECT_EQ(selected(l, 320 - 16 * info.Height, l, 320 - 16 * info.Height), 1u)
        << "a click on its top-left corner";
    EXPECT_EQ(selected(l, b, l, b), 0u) << "a click on its bottom-left corner: x strict";
    EXPECT_EQ(selected(l - 10, 0, l + 10, 330), 1u) << "its top-left corner in the drag";
    EXPECT_EQ(selected(l, b, l + 20, b + 20), 0u)
        << "the bottom-left corner on the drag's left edge: x strict";
}

} // namespace
} // namespace orv
