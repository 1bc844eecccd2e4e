#include "ui/qt/ClickArea.h"

#include <QGuiApplication>
#include <QIcon>
#include <QMouseEvent>
#include <QPixmap>

namespace tobble {

namespace {

// The pointer is 32 x 32 in the window's own units, with its hot spot at the centre.
constexpr int kPointerSize = 32;

} // namespace

ClickArea::ClickArea(int index, QWidget* parent) : QLabel(parent), index_(index) {
    setFocusPolicy(Qt::NoFocus);
    // On a scaled screen the pointer keeps its size, drawn from the 2x image (found by QIcon
    // beside the 1x one as microphone@2x.png) rather than blown up from the small one.
    const QIcon microphone(QStringLiteral(":/microphone.png"));
    const qreal scale = devicePixelRatioF();
    const QPixmap pointer = microphone.pixmap(QSize(kPointerSize, kPointerSize), scale);
    // Qt's X11 backend takes the hot spot in the image's own pixels, Wayland in the window's
    // units.
    const int hotSpot = QGuiApplication::platformName() == QLatin1String("xcb")
                            ? qRound(kPointerSize / 2 * pointer.devicePixelRatio())
                            : kPointerSize / 2;
    setCursor(QCursor(pointer, hotSpot, hotSpot));
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
