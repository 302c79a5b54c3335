#include "view/PaintBoxEx.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

namespace orv {

TPaintboxEx::TPaintboxEx(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TPaintboxEx::MouseEnter() {
    if (OnMouseEnter) {
        OnMouseEnter();
    }
}

void TPaintboxEx::MouseLeave() {
    if (OnMouseLeave) {
        OnMouseLeave();
    }
}

void TPaintboxEx::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (OnPaint) {
        OnPaint(painter);
    } else {
        painter.fillRect(rect(), palette().window());
    }
}

void TPaintboxEx::enterEvent(QEnterEvent*) {
    MouseEnter();
}

void TPaintboxEx::leaveEvent(QEvent*) {
    MouseLeave();
}

void TPaintboxEx::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton && m_clicked) {
        m_clicked = false;
        if (rect().contains(at) && OnClick) {
            OnClick(at);
        }
    }
    if (OnMouseUp) {
        OnMouseUp(event->button(), event->buttons(), event->modifiers(), at);
    }
}

void TPaintboxEx::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_clicked = true;
    }
    if (OnMouseDown) {
        OnMouseDown(event->button(), event->buttons(), event->modifiers(), event->position().toPoint());
    }
}

void TPaintboxEx::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        m_clicked = false;
        if (OnDoubleClick) {
            OnDoubleClick(at);
        }
        // A dialog the double click opened took the button's release: no press follows.
        if (!(QGuiApplication::mouseButtons() & Qt::LeftButton)) {
            return;
        }
    }
    if (OnMouseDown) {
        OnMouseDown(event->button(), event->buttons(), event->modifiers(), at);
    }
}

void TPaintboxEx::mouseMoveEvent(QMouseEvent* event) {
    if (OnMouseMove) {
        OnMouseMove(event->buttons(), event->modifiers(), event->position().toPoint());
    }
}

void TPaintboxEx::wheelEvent(QWheelEvent* event) {
    if (!OnMouseWheel) {
        event->ignore();
        return;
    }
    const QPoint delta = event->angleDelta();
    OnMouseWheel(delta.y() != 0 ? delta.y() : delta.x(), event->modifiers(), event->position().toPoint());
}

} // namespace orv
