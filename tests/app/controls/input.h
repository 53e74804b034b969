// Synthetic input for the control tests: events are sent straight to the
// widget so that the tests do not depend on window focus or timing.
#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>

namespace testinput {

inline void Mouse(QWidget* w, QEvent::Type type, QPoint pt, Qt::MouseButton button,
                  Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(pt), QPointF(w->mapToGlobal(pt)), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}
inline void Press(QWidget* w, QPoint pt, Qt::MouseButton b = Qt::LeftButton) {
    Mouse(w, QEvent::MouseButtonPress, pt, b, b);
}
inline void Move(QWidget* w, QPoint pt, Qt::MouseButtons held) {
    Mouse(w, QEvent::MouseMove, pt, Qt::NoButton, held);
}
inline void Release(QWidget* w, QPoint pt, Qt::MouseButton b = Qt::LeftButton) {
    Mouse(w, QEvent::MouseButtonRelease, pt, b, Qt::NoButton);
}
// Returns whether the widget accepted the key.
inline bool Key(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent e(QEvent::KeyPress, key, mods);
    e.setAccepted(false);
    const bool handled = QApplication::sendEvent(w, &e);
    return handled && e.isAccepted();
}
inline void Wheel(QWidget* w, int delta) {
    const QPointF pos(w->width() / 2.0, w->height() / 2.0);
    QWheelEvent e(pos, QPointF(w->mapToGlobal(pos.toPoint())), QPoint(), QPoint(0, delta),
                  Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}
inline void Drain() { QCoreApplication::processEvents(); }

}  // namespace testinput
