// The widget prompter: what users see in message boxes.

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include "app/WidgetPrompter.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

// Runs `look` on the message box once it is shown, then closes it with `button`.
void WhenTheBoxShows(std::function<void(QMessageBox&)> look, QMessageBox::StandardButton button) {
    QTimer::singleShot(0, [look, button] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        look(*box);
        box->button(button)->click();
    });
}

TEST(WidgetPrompter, MessagesAreShownAsPlainTextNeverAsMarkup) {
    TWidgetPrompter prompter(nullptr);
    const std::string text = "Cannot open /maps/<h1><font color=red>big</font></h1>.scx: it is not a file";
    WhenTheBoxShows(
        [&](QMessageBox& box) {
            EXPECT_EQ(box.textFormat(), Qt::PlainText);
            EXPECT_EQ(box.text().toStdString(), text);
        },
        QMessageBox::Ok);
    prompter.ShowMessage(text);
    WhenTheBoxShows(
        [&](QMessageBox& box) {
            EXPECT_EQ(box.textFormat(), Qt::PlainText);
            EXPECT_EQ(box.icon(), QMessageBox::Warning) << "failures are not shown as information";
        },
        QMessageBox::Ok);
    prompter.ShowError("Could not save <b>x</b>.scx: No space left on device");
    WhenTheBoxShows([&](QMessageBox& box) { EXPECT_EQ(box.textFormat(), Qt::PlainText); }, QMessageBox::No);
    EXPECT_EQ(prompter.AskYesNoCancel("Save changes to <b>x</b>.scx?"), Prompter::Answer::No);
}

} // namespace
} // namespace orv
