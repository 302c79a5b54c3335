// Editing through the real widgets: a fog stroke painted with the mouse is one step that the
// Edit menu undoes and redoes, the caption marks a changed map, undoing back to the saved
// state leaves nothing to ask about, and the right-click menu and the Delete key edit too.

#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTreeWidget>

#include "graphics/OrvistadTypes.h"
#include "gui/EditorFixture.h"
#include "settings/stringframe.h"
#include "tools/DDpalette.h"
#include "tools/LocationFrm.h"
#include "tools/UnitProperties.h"
#include "view/PaintBoxEx.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

using test::Editor;

void Mouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButtons held,
           Qt::MouseButton button = Qt::LeftButton) {
    QMouseEvent event(type, QPointF(at), target->mapToGlobal(QPointF(at)),
                      type == QEvent::MouseMove ? Qt::NoButton : button, held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

TEST(Editing, AFogStrokeIsOneStepTheEditMenuUndoesAndRedoes) {
    Editor e;
    TMapWindow* w = e.OpenOurMap(32);
    ASSERT_NE(w, nullptr);
    const auto saved = w->Scenario().Snapshot().value();
    EXPECT_EQ(w->windowTitle().toStdString(), "ours.scx");
    QAction* undo = e.Action({"&Edit", "&Undo"});
    EXPECT_FALSE(undo->isEnabled());

    w->Mode->setCurrentIndex(kModeFog);
    w->CurPlayer->setCurrentIndex(2);
    const std::uint8_t before = w->Scenario().Fog(2, 2);
    // Press on tile (2, 2), drag across to tile (6, 2), let go: one stroke.
    Mouse(w->MapDisplay, QEvent::MouseButtonPress, {2 * 32 + 5, 2 * 32 + 5}, Qt::LeftButton);
    for (int x = 2 * 32 + 5; x < 6 * 32 + 5; x += 16) {
        Mouse(w->MapDisplay, QEvent::MouseMove, {x, 2 * 32 + 5}, Qt::LeftButton);
    }
    Mouse(w->MapDisplay, QEvent::MouseButtonRelease, {6 * 32 + 5, 2 * 32 + 5}, Qt::NoButton);
    const std::uint8_t bit = 1u << 2;
    EXPECT_EQ(w->Scenario().Fog(2, 2), before ^ bit);
    EXPECT_EQ(w->Scenario().Fog(6, 2), w->Scenario().Fog(2, 2)); // the whole drag, radius 1
    EXPECT_EQ(w->Scenario().Fog(9, 2), before);
    EXPECT_EQ(w->History().StepNames(), std::vector<std::string>{"Fog of War"});
    EXPECT_EQ(w->windowTitle().toStdString(), "ours.scx*");
    EXPECT_TRUE(undo->isEnabled());
    EXPECT_EQ(undo->text().toStdString(), "&Undo Fog of War");

    // Ctrl+Z is the menu's short-cut; undoing back to the saved state is no change at all.
    EXPECT_EQ(undo->shortcut(), QKeySequence(QKeySequence::Undo));
    undo->trigger();
    EXPECT_EQ(w->Scenario().Snapshot().value(), saved);
    EXPECT_EQ(w->windowTitle().toStdString(), "ours.scx");
    QAction* redo = e.Action({"&Edit", "&Redo Fog of War"});
    ASSERT_NE(redo, nullptr);
    EXPECT_TRUE(redo->shortcuts().contains(QKeySequence("Ctrl+Y")));
    redo->trigger();
    EXPECT_EQ(w->Scenario().Fog(2, 2), before ^ bit);
    undo->trigger();
    e.Trigger({"&File", "&Close"});
    EXPECT_TRUE(e.prompter.asked.empty()); // nothing to save: no question
    EXPECT_TRUE(e.form->MapWindows().empty());
}

TEST(Editing, MenuCommandsAreStepsToo) {
    Editor e;
    TMapWindow* w = e.OpenOurMap(32);
    ASSERT_NE(w, nullptr);
    const std::size_t units = w->Scenario().Units.size();
    e.Trigger({"&Misc Tools", "Map Revealers", "Add for player 2"});
    EXPECT_GT(w->Scenario().Units.size(), units);
    e.Trigger({"&Misc Tools", "Fog", "All OFF for curplayer"});
    EXPECT_EQ(w->History().StepNames(), (std::vector<std::string>{"Map Revealers", "Fog All Off"}));
    e.Trigger({"&Edit", "&Undo Fog All Off"});

    // In Units mode a right click on the map offers the selection's menu; its delete item
    // and the Delete key are steps too.
    w->Mode->setCurrentIndex(kModeUnits);
    const std::size_t revealers = w->Scenario().Units.size();
    w->View().Edit.Selection.Units = {w->Scenario().Units.back().Key};
    std::vector<std::string> items;
    w->OnPopup = [&](QMenu& menu) -> std::optional<TPopupItem> {
        for (QAction* action : menu.actions()) {
            items.push_back(action->text().toStdString());
        }
        return TPopupItem::DeleteUnit;
    };
    Mouse(w->MapDisplay, QEvent::MouseButtonPress, {50, 50}, Qt::RightButton, Qt::RightButton);
    Mouse(w->MapDisplay, QEvent::MouseButtonRelease, {50, 50}, Qt::NoButton, Qt::RightButton);
    EXPECT_EQ(items, (std::vector<std::string>{"Edit Unit Properties", "Delete Unit"}));
    EXPECT_EQ(w->Scenario().Units.size(), revealers - 1);
    w->View().Edit.Selection.Units = {w->Scenario().Units.front().Key};
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(w, &del);
    EXPECT_EQ(w->Scenario().Units.size(), revealers - 2);
    EXPECT_EQ(w->History().StepNames(),
              (std::vector<std::string>{"Map Revealers", "Delete Unit", "Delete Unit"}));
    for (int i = 0; i < 3; ++i) {
        w->Undo();
    }
    EXPECT_EQ(w->Scenario().Units.size(), units);
    EXPECT_EQ(w->windowTitle().toStdString(), "ours.scx");
}

TEST(Editing, ThePaletteAndTheTerrainNodeChooseTheTerrainAndTerrainMode) {
    Editor e;
    TMapWindow* w = e.OpenOurMap(32);
    ASSERT_NE(w, nullptr);
    const int tileset = w->Scenario().Tileset();
    const auto& groups = TerrainTypeGroups[static_cast<std::size_t>(tileset)];
    w->Mode->setCurrentIndex(kModeFog);
    // The second entry of the palette's first row.
    Mouse(w->TerrainBox, QEvent::MouseButtonPress, {34 + 10, 10}, Qt::LeftButton);
    Mouse(w->TerrainBox, QEvent::MouseButtonRelease, {34 + 10, 10}, Qt::NoButton);
    EXPECT_EQ(w->Mode->currentIndex(), kModeTerrain);
    EXPECT_EQ(w->View().Edit.SelectedTerrain, groups[1] * 16);
    // The chosen entry is outlined in green, the others are not.
    const QImage palette = w->TerrainBox->grab().toImage();
    EXPECT_EQ(palette.pixelColor(33, 17), QColor(0, 255, 0));
    EXPECT_NE(palette.pixelColor(0, 17), QColor(0, 255, 0));
    // Past the fourth column, or past the last entry, nothing is chosen.
    Mouse(w->TerrainBox, QEvent::MouseButtonRelease, {4 * 34 + 1, 10}, Qt::NoButton);
    Mouse(w->TerrainBox, QEvent::MouseButtonRelease, {10, 4 * 34 + 5}, Qt::NoButton);
    EXPECT_EQ(w->View().Edit.SelectedTerrain, groups[1] * 16);
    // The tree's "Terrain" node lists the same terrains.
    QTreeWidgetItem* terrain = w->UnitSelect->topLevelItem(0);
    ASSERT_EQ(terrain->text(0).toStdString(), "Terrain");
    w->Mode->setCurrentIndex(kModeUnits);
    w->UnitSelect->setCurrentItem(terrain->child(2));
    EXPECT_EQ(w->Mode->currentIndex(), kModeTerrain);
    EXPECT_EQ(w->View().Edit.SelectedTerrain, groups[2] * 16);
    EXPECT_EQ(terrain->child(2)->text(0).toStdString(),
              TerrainTypeNames[static_cast<std::size_t>(tileset)][2]);
}

TEST(Editing, EachWindowKeepsTheTextEncodingChosenForIt) {
    Editor e;
    TMapWindow* first = e.OpenOurMap(32, "first.scx");
    TMapWindow* second = e.OpenOurMap(32, "second.scx");
    ASSERT_TRUE(first && second);
    const std::vector<std::string> menu{"&Display Options", "Text Encoding"};
    auto item = [&](const char* name) {
        std::vector<std::string> path = menu;
        path.push_back(name);
        return e.Action(path);
    };
    // Our maps' text is ASCII: nothing is decided until text needs a code page.
    EXPECT_FALSE(item("Korean (CP949)")->isChecked());
    e.Trigger({"&Display Options", "Text Encoding", "Korean (CP949)"});
    EXPECT_EQ(second->Text().WriteEncoding(), TextEncoding::Korean);
    EXPECT_TRUE(item("Korean (CP949)")->isChecked());
    EXPECT_EQ(first->Text().WriteEncoding(), std::nullopt);

    e.form->Workspace()->setActiveSubWindow(static_cast<QMdiSubWindow*>(first->parentWidget()));
    QApplication::processEvents();
    ASSERT_EQ(e.Active(), first);
    EXPECT_FALSE(item("Korean (CP949)")->isChecked());
    e.Trigger({"&Display Options", "Text Encoding", "UTF-8 for new text"});
    EXPECT_EQ(first->Text().WriteEncoding(), TextEncoding::Utf8);
    EXPECT_TRUE(item("UTF-8 for new text")->isChecked());
    EXPECT_FALSE(item("Korean (CP949)")->isChecked());
    EXPECT_EQ(second->Text().WriteEncoding(), TextEncoding::Korean) << "each window keeps its own";
}

TEST(Editing, ALocationIsDrawnOutNamedAndEditedInItsDialog) {
    Editor e;
    TMapWindow* w = e.OpenOurMap(32);
    ASSERT_NE(w, nullptr);
    w->Mode->setCurrentIndex(kModeLocations);
    Mouse(w->MapDisplay, QEvent::MouseMove, {2 * 32 + 5, 3 * 32 + 5}, Qt::NoButton);
    EXPECT_EQ(w->windowTitle().toStdString(), "ours.scx - Can add");
    e.prompter.answers = {"Base"};
    Mouse(w->MapDisplay, QEvent::MouseButtonPress, {2 * 32 + 5, 3 * 32 + 5}, Qt::LeftButton);
    Mouse(w->MapDisplay, QEvent::MouseMove, {4 * 32, 5 * 32}, Qt::LeftButton);
    Mouse(w->MapDisplay, QEvent::MouseButtonRelease, {5 * 32 + 5, 7 * 32 + 5}, Qt::NoButton);
    const int slot = w->View().Edit.Selection.Location;
    ASSERT_EQ(slot, 1);
    const LocationSlot& l = w->Scenario().Locations[1];
    EXPECT_EQ(std::vector<int>({l.Left, l.Top, l.Right, l.Bottom}), std::vector<int>({64, 96, 160, 224}));
    Mouse(w->MapDisplay, QEvent::MouseMove, {100, 150}, Qt::NoButton);
    EXPECT_EQ(w->windowTitle().toStdString(), "ours.scx* - Cannot add");
    EXPECT_EQ(w->MapDisplay->cursor().shape(), Qt::PointingHandCursor);

    // The menu's "Edit Location Properties": a colour tag added to the name, High Air left
    // out, green; a right edge outside the map is refused first and the dialog stays open.
    std::string title;
    bool stayedOpen = false;
    w->OnLocationForm = [&](TLocationForm& form) {
        title = form.windowTitle().toStdString();
        form.NameFrame->StringDisplay->moveCursor(QTextCursor::Start);
        form.NameFrame->code->setCurrentIndex(0); // "Red"
        form.NameFrame->AddButton->click();
        form.Elevations[5]->setChecked(false);
        form.Colour->setCurrentIndex(1);
        form.Edges[2]->setValue(5000);
        form.accept();
        stayedOpen = form.result() != QDialog::Accepted;
        form.Edges[2]->setValue(320);
        form.accept();
    };
    w->OnPopup = [](QMenu&) -> std::optional<TPopupItem> { return TPopupItem::EditLocationProperties; };
    Mouse(w->MapDisplay, QEvent::MouseButtonPress, {100, 150}, Qt::RightButton, Qt::RightButton);
    Mouse(w->MapDisplay, QEvent::MouseButtonRelease, {100, 150}, Qt::NoButton, Qt::RightButton);
    EXPECT_EQ(title, "Editing Location: Base");
    EXPECT_TRUE(stayedOpen);
    ASSERT_FALSE(e.prompter.messages.empty());
    EXPECT_NE(e.prompter.messages.back().find("Right"), std::string::npos) << e.prompter.messages.back();
    EXPECT_EQ(w->Scenario().Strings.Text(l.Name), "\x01"
                                                  "Base");
    EXPECT_EQ(l.Flags, 32 | 128);
    EXPECT_EQ(l.Right, 320);
    EXPECT_EQ(w->History().StepNames(), (std::vector<std::string>{"Create Location", "Location Properties"}));
    e.Trigger({"&Edit", "&Undo Location Properties"});
    EXPECT_EQ(w->Scenario().Strings.Text(l.Name), "Base");
}

TEST(Editing, TheTaggedTextFieldKeepsEachStringsLineBreaksAndInsertsTags) {
    test::RecordingPrompter prompter;
    TCHK chk(prompter);
    chk.Strings.Entries = {"Plain"};
    chk.ScenarioName = 1;
    const TMapText text(chk);
    TStringFrm frame;
    frame.SetStr("\x01One\r\nTwo <1>", text);
    EXPECT_EQ(frame.StringDisplay->toPlainText().toStdString(), "<1>One\nTwo <<1>");
    EXPECT_FALSE(frame.Changed());
    EXPECT_EQ(frame.Text(), "<1>One\r\nTwo <<1>");
    frame.AddClick(); // no tag chosen: nothing
    EXPECT_FALSE(frame.Changed());
    frame.code->setCurrentIndex(8); // "JumpToStart"
    frame.StringDisplay->moveCursor(QTextCursor::End);
    frame.AddButton->click();
    EXPECT_TRUE(frame.Changed());
    EXPECT_EQ(frame.Text(), "<1>One\r\nTwo <<1><9>");
    frame.SetStr("a\nb", text);
    frame.StringDisplay->moveCursor(QTextCursor::End);
    frame.StringDisplay->insertPlainText("\nc");
    EXPECT_EQ(frame.Text(), "a\nb\nc") << "bare line feeds stay bare";
}

TEST(Editing, ThePalettesChooseWhatUnitsAndDoodadsModesPlace) {
    Editor e;
    TMapWindow* w = e.OpenOurMap(32);
    ASSERT_NE(w, nullptr);
    // The "Terrain" node chooses nothing; a unit chooses its type and Units mode.
    w->UnitSelect->setCurrentItem(w->UnitSelect->topLevelItem(0));
    EXPECT_EQ(w->Mode->currentIndex(), kModeTerrain);
    QTreeWidgetItem* group = w->UnitSelect->topLevelItem(1);
    ASSERT_GT(group->childCount(), 1);
    w->UnitSelect->setCurrentItem(group->child(1));
    EXPECT_EQ(w->Mode->currentIndex(), kModeUnits);
    EXPECT_EQ(w->View().Edit.CurrentUnitType, group->child(1)->data(0, Qt::UserRole).toInt());

    // The doodad palette: its first doodad is current from the start; choosing one in it
    // goes to Doodads mode, and the preview stands on the box's bottom edge.
    TDoodadPalette* palette = w->DoodadPalette();
    ASSERT_NE(palette, nullptr);
    ASSERT_GT(palette->Doodadbox->count(), 1);
    EXPECT_EQ(w->View().Edit.CurrentDoodad, palette->Doodads.front());
    palette->Doodadbox->setCurrentIndex(1);
    EXPECT_EQ(w->Mode->currentIndex(), kModeDoodads);
    EXPECT_TRUE(palette->isVisible());
    EXPECT_EQ(palette->doodadticker->maximum(), static_cast<int>(palette->Doodads.size()) - 1);
    EXPECT_EQ(w->View().Edit.CurrentDoodad, palette->Doodads.front());
    const DoodadInfoRecord& info = w->View().Tileset().DoodadInfo(palette->Doodads.front());
    EXPECT_EQ(palette->Preview.size(), QSize(info.Width * 32, info.Height * 32));
    const QImage shown = palette->DoodadPB->grab().toImage();
    EXPECT_EQ(shown.pixelColor(0, 0), QColor(Qt::black)) << "the preview is bottom-aligned";
    // Every group: its doodads share the item's string number, the track bar spans them
    // (0 to 0 for a group of one), and a wide doodad's preview is cut at the box's edge.
    bool single = false, wide = false;
    for (int item = 0; item < palette->Doodadbox->count(); ++item) {
        palette->Doodadbox->setCurrentIndex(item);
        ASSERT_FALSE(palette->Doodads.empty());
        for (int d : palette->Doodads) {
            EXPECT_EQ(w->View().Tileset().DoodadInfo(d).NameString,
                      palette->Doodadbox->itemData(item).toInt());
        }
        EXPECT_EQ(palette->doodadticker->minimum(), 0);
        EXPECT_EQ(palette->doodadticker->maximum(), static_cast<int>(palette->Doodads.size()) - 1);
        single = single || palette->Doodads.size() == 1;
        if (palette->Preview.width() > 200) {
            wide = true;
            EXPECT_EQ(palette->DoodadPB->grab().toImage().width(), 200);
        }
    }
    EXPECT_TRUE(single || wide) << "the stand-in tileset has a group of one or a doodad wider than the box";
}

TEST(Editing, TheUnitDialogWritesEveryFieldIntoEverySelectedUnitAsOneStep) {
    Editor e;
    TMapWindow* w = e.OpenOurMap(32);
    ASSERT_NE(w, nullptr);
    e.Trigger({"&Misc Tools", "Map Revealers", "Add for player 2"});
    w->Mode->setCurrentIndex(kModeUnits);
    const std::vector<UnitRecord>& units = w->Scenario().Units;
    ASSERT_GE(units.size(), 3u);
    w->View().Edit.Selection.Units = {units[0].Key, units[1].Key, units[2].Key};
    std::string caption;
    int attempts = 0;
    w->OnUnitForm = [&](TUnitForm& form) {
        caption = form.windowTitle().toStdString();
        form.Fields[0]->setText("300");
        form.Fields[2]->setText("ten");
        form.reject(); // Escape or the close button: refused, the energy field is named
        attempts += form.result() == 0;
        form.Fields[2]->setText("10");
        form.done(QDialog::Rejected); // any close applies
    };
    w->OnPopup = [](QMenu&) -> std::optional<TPopupItem> { return TPopupItem::EditUnitProperties; };
    Mouse(w->MapDisplay, QEvent::MouseButtonPress, {50, 50}, Qt::RightButton, Qt::RightButton);
    Mouse(w->MapDisplay, QEvent::MouseButtonRelease, {50, 50}, Qt::NoButton, Qt::RightButton);
    EXPECT_EQ(caption.rfind("Editing unit properties for: ", 0), 0u) << caption;
    EXPECT_NE(caption.find("  Player " + std::to_string(units[0].Owner + 1)), std::string::npos) << caption;
    EXPECT_EQ(attempts, 1);
    ASSERT_FALSE(e.prompter.messages.empty());
    EXPECT_EQ(e.prompter.messages.back().rfind("Energy %", 0), 0u) << e.prompter.messages.back();
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(units[i].HitPoints, 44);
        EXPECT_EQ(units[i].Energy, 10);
    }
    EXPECT_EQ(units[3].HitPoints, 100) << "units not selected keep theirs";
    EXPECT_EQ(w->History().UndoName(), "Unit Properties");
}

} // namespace
} // namespace orv
