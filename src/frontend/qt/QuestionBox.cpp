#include "frontend/qt/QuestionBox.h"

#include <QKeyEvent>

namespace tobble {

namespace {

// Key codes as Windows numbers them; letters and digits are their upper-case ASCII codes.
qint16 keyCodeOf(const QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        return 13;
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9) ||
        key == Qt::Key_Space)
        return static_cast<qint16>(key);
    return 0;
}

// Shift 1, Ctrl 2, Alt 4.
int shiftStateOf(const QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
           (modifiers & Qt::AltModifier ? 4 : 0);
}

} // namespace

void QuestionBox::keyPressEvent(QKeyEvent* event) {
    emit keyDown(keyCodeOf(event), shiftStateOf(event));
    QLineEdit::keyPressEvent(event);
}

} // namespace tobble
