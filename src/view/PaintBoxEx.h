#pragma once

// A paint box that also reports the pointer entering and leaving it. Every event is a
// plain callback, so owners and tests hook in without signals.

#include <QWidget>

#include <functional>

namespace orv {

class TPaintboxEx : public QWidget {
public:
    explicit TPaintboxEx(QWidget* parent = nullptr);

    std::function<void(QPainter&)> OnPaint;
    std::function<void()> OnMouseLeave;
    std::function<void()> OnMouseEnter;
    // The wheel: OnMouseWheel gets each turn (in eighths of a degree, 120 a notch); the
    // down and up events are declared for owners that want them and are not raised.
    std::function<void(int delta, Qt::KeyboardModifiers, QPoint)> OnMouseWheel;
    std::function<void(Qt::KeyboardModifiers, QPoint)> OnMouseWheelDown;
    std::function<void(Qt::KeyboardModifiers, QPoint)> OnMouseWheelUp;
    // A button pressed or let go: that button, the buttons held after it, the keys, the point.
    std::function<void(Qt::MouseButton, Qt::MouseButtons, Qt::KeyboardModifiers, QPoint)> OnMouseDown;
    std::function<void(Qt::MouseButtons, Qt::KeyboardModifiers, QPoint)> OnMouseMove;
    std::function<void(Qt::MouseButton, Qt::MouseButtons, Qt::KeyboardModifiers, QPoint)> OnMouseUp;
    // A left press let go inside the box (raised before OnMouseUp). A second press soon after
    // a click is a double click: OnDoubleClick, then OnMouseDown; its release is no click.
    std::function<void(QPoint)> OnClick;
    std::function<void(QPoint)> OnDoubleClick;

    // What the framework's enter and leave notifications run.
    void MouseEnter();
    void MouseLeave();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    bool m_clicked = false; // a left press that a release inside makes a click
};

} // namespace orv
