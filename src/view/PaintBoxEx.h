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
    std::function<void(Qt::MouseButtons, Qt::KeyboardModifiers, QPoint)> OnMouseDown;
    std::function<void(Qt::MouseButtons, Qt::KeyboardModifiers, QPoint)> OnMouseMove;
    // A button let go: that button, and the point.
    std::function<void(Qt::MouseButton, Qt::KeyboardModifiers, QPoint)> OnMouseUp;

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
    void wheelEvent(QWheelEvent* event) override;
};

} // namespace orv
