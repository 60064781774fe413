#pragma once

#include "app/Form1.h"
#include "view/canvas_widgets.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

namespace qorn::test {

// A mouse event on the canvas at a stitch position, with modifiers (QTest::mouseMove has none).
inline void send(QWidget* canvas, QEvent::Type type, Form1& f, QPointF stitch, Qt::MouseButton button,
                 Qt::MouseButtons held, Qt::KeyboardModifiers mods = {}) {
    const CanvasGeometry g = f.Picdisplay->geometry();
    const QPointF pixel(stitch.x() * g.zoom + 1, stitch.y() * g.zoom * g.asp2 + 1);
    QMouseEvent e(type, pixel, canvas->mapToGlobal(pixel), button, held, mods);
    QApplication::sendEvent(canvas, &e);
}

inline void dragOnCanvas(Form1& f, QPointF from, QPointF to, Qt::MouseButton button = Qt::LeftButton,
                         Qt::KeyboardModifiers mods = {}) {
    QWidget* c = f.Picdisplay;
    send(c, QEvent::MouseButtonPress, f, from, button, button, mods);
    send(c, QEvent::MouseMove, f, (from + to) / 2, Qt::NoButton, button, mods);
    send(c, QEvent::MouseMove, f, to, Qt::NoButton, button, mods);
    send(c, QEvent::MouseButtonRelease, f, to, button, Qt::NoButton, mods);
}

inline void clickOnCanvas(Form1& f, QPointF at, Qt::MouseButton button = Qt::LeftButton) {
    send(f.Picdisplay, QEvent::MouseButtonPress, f, at, button, button);
    send(f.Picdisplay, QEvent::MouseButtonRelease, f, at, button, Qt::NoButton);
}

// The pattern as 32-bit pixels, for comparing with what a command left.
inline QImage patternImage(Form1& f) { return f.state().LeadSrc.image().convertToFormat(QImage::Format_RGB32); }

// A key pressed while the canvas has the focus.
inline void pressKey(Form1& f, Qt::Key key) {
    QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(f.Picdisplay, &e);
}

// What the canvas widget shows, without its border.
inline QImage shownCanvas(Form1& f) {
    const QImage grab = f.Picdisplay->grab().toImage().convertToFormat(QImage::Format_RGB32);
    return grab.copy(1, 1, grab.width() - 2, grab.height() - 1);
}

// The same canvas rendered from the pattern alone: no frame, no band.
inline QImage bareCanvas(Form1& f) {
    CanvasRenderer r;
    return r.renderAll(f.state().LeadSrc.image(), f.Picdisplay->geometry(), f.gridChoice());
}

} // namespace qorn::test
