#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTreeWidget>
#include <QWheelEvent>

#include "gui/EditorFixture.h"
#include "view/PaintBoxEx.h"

#include <gtest/gtest.h>

namespace orv::test {
namespace {

void SendMouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
    // A press names the button it pressed; a release, the left one.
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton
                                   : type == QEvent::MouseButtonPress && (buttons & Qt::MiddleButton)
                                       ? Qt::MiddleButton
                                       : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

TEST(MapWindow, A64MapInA610By433Display) {
    Editor e;
    TMapWindow* w = e.OpenOurMap(64);
    ASSERT_NE(w, nullptr);
    w->SetDisplaySize(610, 433);
    QApplication::processEvents();
    ASSERT_EQ(w->MapDisplay->size(), QSize(610, 433));
    const TViewport& v = w->View().Viewport;
    EXPECT_EQ(v.ViewWidth, 640);
    EXPECT_EQ(v.ViewHeight, 448);
    EXPECT_EQ(v.HoriScroll.PageSize, 608);
    EXPECT_EQ(v.VertScroll.PageSize, 416);
    EXPECT_EQ(v.HoriScroll.Max, 2048);
    // The bar on screen reaches Max - PageSize at most.
    EXPECT_EQ(w->HoriScroll->maximum(), 2048 - 608);
    EXPECT_EQ(w->HoriScroll->pageStep(), 608);
    w->HoriScroll->setValue(5000);
    EXPECT_EQ(v.ScrollTileX, 45);
    EXPECT_EQ(w->HoriScroll->value(), 1440);
    w->HoriScroll->setValue(100);
    EXPECT_EQ(v.ScrollTileX, 3);
    // The resize asked for a full render at the next tick.
    EXPECT_EQ(w->Timer1Timer(), CMapView::Tick::Full);
    EXPECT_EQ(w->View().Renderer.Frame32.size(), 640u * 448u);
}

TEST(MapWindow, TheMiniMapScrollsTheView) {
    Editor e;
    TMapWindow* w = e.OpenOurMap(128);
    ASSERT_NE(w, nullptr);
    w->SetDisplaySize(610, 433);
    QApplication::processEvents();
    EXPECT_DOUBLE_EQ(w->View().MiniMapScale(), 1.0);
    SendMouse(w->MiniMapPB, QEvent::MouseButtonPress, QPoint(64, 64), Qt::LeftButton);
    EXPECT_EQ(w->HoriScroll->value(), 1728);
    EXPECT_EQ(w->View().Viewport.HoriScroll.Position, 1728);
    EXPECT_EQ(w->View().Viewport.ScrollTileX, 54);
    SendMouse(w->MiniMapPB, QEvent::MouseButtonPress, QPoint(3, 2), Qt::LeftButton); // negative: clamped
    EXPECT_EQ(w->HoriScroll->value(), 0);
    EXPECT_EQ(w->VertScroll->value(), 0);
    // Dragging with the left button scrolls as it goes; with the right it only shows where.
    SendMouse(w->MiniMapPB, QEvent::MouseMove, QPoint(80, 40), Qt::LeftButton);
    EXPECT_EQ(w->HoriScroll->value(), 80 * 32 - 320);
    SendMouse(w->MiniMapPB, QEvent::MouseMove, QPoint(20, 20), Qt::RightButton);
    EXPECT_EQ(w->HoriScroll->value(), 80 * 32 - 320);
}

TEST(MapWindow, TheHoverRectangleGoesWhenThePointerLeaves) {
    Editor e;
    TMapWindow* w = e.OpenOurMap(64);
    ASSERT_NE(w, nullptr);
    auto greens = [&] {
        int n = 0;
        const QImage& picture = w->View().MiniMapPicture;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                n += (picture.pixel(x, y) & 0xFFFFFFu) == 0x008000u;
            }
        }
        return n;
    };
    SendMouse(w->MiniMapPB, QEvent::MouseMove, QPoint(60, 60), Qt::NoButton);
    EXPECT_GT(greens(), 0);
    EXPECT_EQ(w->HoriScroll->value(), 0); // no button: no scrolling
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(w->MiniMapPB, &leave);
    EXPECT_EQ(greens(), 0);
    // Pointer positions beyond the square are kept to it.
    SendMouse(w->MiniMapPB, QEvent::MouseMove, QPoint(500, -40), Qt::NoButton);
    EXPECT_GT(greens(), 0);
}

TEST(MapWindow, TheStatusBarShowsTheTileUnderThePointerAndWhatLiesThere) {
    Editor e;
    TMapWindow* w = e.OpenOurMap(64);
    ASSERT_NE(w, nullptr);
    const std::string marine = e.form->Data().UnitNameParts[0].front();
    w->VertScroll->setValue(64); // two tiles down
    // Our map has a unit of type 0 of player 1 at (100, 100), that is tile (3, 3).
    SendMouse(w->MapDisplay, QEvent::MouseMove, QPoint(100, 40), Qt::NoButton);
    EXPECT_EQ(e.form->StatusPanels[0]->text().toStdString(), "X:3, Y:3 - " + marine + ", Player 1");
    // Open ground; the whole-map location is not named.
    SendMouse(w->MapDisplay, QEvent::MouseMove, QPoint(200, 300), Qt::NoButton);
    EXPECT_EQ(e.form->StatusPanels[0]->text().toStdString(), "X:6, Y:11");
    // Locations there are named.
    TCHK& chk = w->Scenario();
    const int name = chk.AddString("Base");
    chk.Locations[4] = {192, 320, 256, 384, static_cast<std::uint16_t>(name + 1), 0, true};
    SendMouse(w->MapDisplay, QEvent::MouseMove, QPoint(200, 300), Qt::NoButton);
    EXPECT_EQ(e.form->StatusPanels[0]->text().toStdString(), "X:6, Y:11 - Base");
    w->Zoom_Lvl->setCurrentIndex(1); // 50%: 16 screen pixels per tile, 2 map pixels per screen pixel
    SendMouse(w->MapDisplay, QEvent::MouseMove, QPoint(100, 40), Qt::NoButton);
    const TViewport& v = w->View().Viewport;
    EXPECT_EQ(e.form->StatusPanels[0]->text().toStdString(),
              "X:" + std::to_string(v.ScrollTileX + 200 / 32) +
                  ", Y:" + std::to_string(v.ScrollTileY + 80 / 32));
    // Past the map's edge there is no tile to name.
    w->Zoom_Lvl->setCurrentIndex(0); // 25%: the whole 64 x 64 map takes 512 pixels
    SendMouse(w->MapDisplay, QEvent::MouseMove, QPoint(600, 40), Qt::NoButton);
    EXPECT_EQ(e.form->StatusPanels[0]->text().toStdString(), "");
}

TEST(MapWindow, TheWheelScrollsTheMap) {
    Editor e;
    TMapWindow* w = e.OpenOurMap(64);
    ASSERT_NE(w, nullptr);
    auto wheel = [&](int delta, Qt::KeyboardModifiers modifiers) {
        QWheelEvent event(QPointF(10, 10), w->MapDisplay->mapToGlobal(QPointF(10, 10)), QPoint(),
                          QPoint(0, delta), Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(w->MapDisplay, &event);
    };
    wheel(-120, Qt::NoModifier); // one notch down: three steps of 32 pixels
    EXPECT_EQ(w->VertScroll->value(), 96);
    EXPECT_EQ(w->View().Viewport.ScrollTileY, 3);
    wheel(-240, Qt::ShiftModifier);
    EXPECT_EQ(w->HoriScroll->value(), 192);
    wheel(1200, Qt::NoModifier);
    EXPECT_EQ(w->VertScroll->value(), 0);
    // Ctrl and the wheel zoom in (away from you) and out, within the six levels.
    wheel(120, Qt::ControlModifier);
    EXPECT_EQ(w->Zoom_Lvl->currentText().toStdString(), "200%");
    EXPECT_DOUBLE_EQ(w->View().Viewport.ZoomFactor, 0.5);
    for (int i = 0; i < 8; ++i) {
        wheel(-120, Qt::ControlModifier);
    }
    EXPECT_EQ(w->Zoom_Lvl->currentIndex(), 0);
}

TEST(MapWindow, KeysTheMiddleButtonAndTheWheelAtEveryZoomMoveTheView) {
    Editor e;
    TMapWindow* w = e.OpenOurMap(128);
    ASSERT_NE(w, nullptr);
    w->SetDisplaySize(640, 480);
    auto key = [&](int k) {
        QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
        QApplication::sendEvent(w, &press);
    };
    const TViewport& v = w->View().Viewport;
    key(Qt::Key_Right);
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    EXPECT_EQ(v.ScrollTileX, 1);
    EXPECT_EQ(v.ScrollTileY, 2);
    key(Qt::Key_PageDown);
    EXPECT_EQ(v.ScrollTileY, 2 + 480 / 32);
    key(Qt::Key_End);
    EXPECT_EQ(v.ScrollTileX, (128 * 32 - 640) / 32);
    EXPECT_EQ(v.ScrollTileY, (128 * 32 - 480) / 32);
    key(Qt::Key_Home);
    EXPECT_EQ(v.ScrollTileX, 0);
    EXPECT_EQ(v.ScrollTileY, 0);
    // Dragging with the middle button pulls the map along.
    SendMouse(w->MapDisplay, QEvent::MouseButtonPress, QPoint(300, 300), Qt::MiddleButton);
    SendMouse(w->MapDisplay, QEvent::MouseMove, QPoint(300 - 64, 300 - 96), Qt::MiddleButton);
    EXPECT_EQ(v.ScrollTileX, 2);
    EXPECT_EQ(v.ScrollTileY, 3);
    // Ctrl and the wheel zoom around the pointer: the tile under it stays.
    auto wheel = [&](int delta, Qt::KeyboardModifiers modifiers, QPointF at) {
        QWheelEvent event(at, w->MapDisplay->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(w->MapDisplay, &event);
    };
    key(Qt::Key_PageDown);
    const int column = (v.ScrollTileX * 32 + 400) / 32, row = (v.ScrollTileY * 32 + 200) / 32;
    wheel(120, Qt::ControlModifier, QPointF(400, 200));
    EXPECT_EQ(w->Zoom_Lvl->currentText().toStdString(), "200%");
    EXPECT_EQ((v.ScrollTileX * 32 + 400 / 2) / 32, column);
    EXPECT_EQ((v.ScrollTileY * 32 + 200 / 2) / 32, row);
    // At 800% every notch of the wheel still moves the view.
    w->Zoom_Lvl->setCurrentIndex(5);
    const int top = v.ScrollTileY;
    wheel(-120, Qt::NoModifier, QPointF(10, 10));
    EXPECT_GT(v.ScrollTileY, top);
}

TEST(MapWindow, ZoomLevelsScaleTheDisplay) {
    Editor e;
    TMapWindow* w = e.OpenOurMap(64);
    ASSERT_NE(w, nullptr);
    w->SetDisplaySize(610, 433);
    w->Timer1Timer();
    w->Zoom_Lvl->setCurrentIndex(0);
    EXPECT_EQ(w->HoriScroll->maximum(), w->View().Viewport.HoriScroll.Reach());
    EXPECT_EQ(w->Timer1Timer(), CMapView::Tick::Full);
    // The whole 64-tile map fits in the zoomed-out view.
    EXPECT_GE(w->View().Viewport.ViewWidth * w->View().Viewport.Scale, 64 * 32);
    const QImage shown = w->MapDisplay->grab().toImage();
    EXPECT_EQ(shown.size(), QSize(610, 433));
    // The map (2048 pixels, shown at a quarter) ends at 512 screen pixels; beyond it is black.
    EXPECT_NE(shown.pixel(400, 200) & 0xFFFFFFu, 0u);
    EXPECT_EQ(shown.pixel(600, 200) & 0xFFFFFFu, 0u);
    w->Zoom_Lvl->setCurrentIndex(2);
    EXPECT_DOUBLE_EQ(w->View().Viewport.ZoomFactor, 1.0);
}

TEST(MapWindow, TheGridsAreOneScreenPixelWideAtEveryZoom) {
    Editor e;
    TMapWindow* w = e.OpenOurMap(64);
    ASSERT_NE(w, nullptr);
    w->SetDisplaySize(600, 400);
    e.Trigger({"&Display Options", "Show Grid"});
    e.Trigger({"&Display Options", "Show Fine Grid"});
    const QRgb grid = 0xFF111111, fine = 0xFF222222;
    // Per zoom level: screen pixels between a grid line and the next.
    const std::pair<int, int> levels[] = {{0, 8}, {1, 16}, {2, 32}, {5, 256}};
    for (const auto& [level, step] : levels) {
        w->Zoom_Lvl->setCurrentIndex(level);
        w->Timer1Timer();
        const QImage shown = w->MapDisplay->grab().toImage();
        const int y = step / 4 + 1; // off every horizontal line
        for (int x = 0; x < 400; ++x) {
            const QRgb expected = x % step == 0 ? grid : (x % (step / 2) == 0 ? fine : 0);
            if (expected) {
                EXPECT_EQ(shown.pixel(x, y), expected) << "zoom level " << level << ", x " << x;
            } else {
                EXPECT_NE(shown.pixel(x, y), grid) << "zoom level " << level << ", x " << x;
            }
        }
    }
}

TEST(MapWindow, ModeAndPlayerComboBoxesReachTheView) {
    Editor e;
    TMapWindow* w = e.OpenOurMap(64);
    ASSERT_NE(w, nullptr);
    w->Timer1Timer();
    w->Mode->setCurrentIndex(5);
    EXPECT_EQ(w->View().Edit.Mode, kModeFog);
    EXPECT_EQ(w->View().DrawFlags(), 128u);
    w->CurPlayer->setCurrentIndex(3);
    EXPECT_EQ(w->View().Edit.CurrentPlayer, 3);
    EXPECT_EQ(w->Timer1Timer(), CMapView::Tick::Full);
    // Copy / Paste: moving the mouse draws nothing but the copy of the frame.
    w->Mode->setCurrentIndex(1);
    w->Timer1Timer();
    w->View().Edit.OverlayX += 5;
    EXPECT_EQ(w->Timer1Timer(), CMapView::Tick::Overlays);
    EXPECT_TRUE(w->View().DisplayBitmap == w->View().FrameBitmap);
}

TEST(MapWindow, OneUnitPaletteBranchOpensAtATime) {
    Editor e;
    TMapWindow* w = e.OpenOurMap(16);
    ASSERT_NE(w, nullptr);
    auto* other = new QTreeWidgetItem(w->UnitSelect, QStringList("Other"));
    new QTreeWidgetItem(other, QStringList("child"));
    QTreeWidgetItem* terrain = w->UnitSelect->topLevelItem(0);
    terrain->setExpanded(true);
    other->setExpanded(true);
    EXPECT_TRUE(other->isExpanded());
    EXPECT_FALSE(terrain->isExpanded());
}

} // namespace
} // namespace orv::test
