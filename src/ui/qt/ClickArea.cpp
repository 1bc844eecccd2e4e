#include "ui/qt/ClickArea.h"

#include <QMouseEvent>

namespace tobble {

ClickArea::ClickArea(int index, QWidget* parent) : QLabel(parent), index_(index) {
    setFocusPolicy(Qt::NoFocus);
    setCursor(QCursor(QPixmap(QStringLiteral(":/microphone.png")), 16, 16));
}

// A click is a press and a release of the left button inside the area.
void ClickArea::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
}

void ClickArea::mouseReleaseEvent(QMouseEvent* event) {
    const bool wasPressed = pressed_;
    pressed_ = false;
    if (wasPressed && event->button() == Qt::LeftButton &&
        rect().contains(event->position().toPoint()))
        emit clicked(index_);
}

} // namespace tobble
