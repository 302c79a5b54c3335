// Editing through the real widgets: a fog stroke painted with the mouse is one step that the
// Edit menu undoes and redoes, the caption marks a changed map, and undoing back to the saved
// state leaves nothing to ask about.

#include <QComboBox>
#include <QMouseEvent>

#include "gui/EditorFixture.h"
#include "view/PaintBoxEx.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

using test::Editor;

void Mouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButtons held) {
    QMouseEvent event(type, QPointF(at), target->mapToGlobal(QPointF(at)),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held, Qt::NoModifier);
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
    e.Trigger({"&Edit", "&Undo Map Revealers"});
    EXPECT_EQ(w->Scenario().Units.size(), units);
}

} // namespace
} // namespace orv
