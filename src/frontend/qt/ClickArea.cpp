#include "frontend/qt/ClickArea.h"

#include <QAccessibleWidget>
#include <QGuiApplication>
#include <QIcon>
#include <QMouseEvent>
#include <QPixmap>

#include "frontend/qt/platform/QtText.h"
#include "ui/Captions.h"
#include "ui/Layout.h"

namespace tobble {

namespace {

// The pointer is 32 x 32 in the window's own units, with its hot spot at the centre.
constexpr int kPointerSize = 32;

// A button whose one action, press, clicks the area.
class ClickAreaAccessible : public QAccessibleWidget {
public:
    explicit ClickAreaAccessible(ClickArea* area) : QAccessibleWidget(area, QAccessible::Button) {}

    QStringList actionNames() const override { return {pressAction()}; }

    // After the call has returned: what the click starts must not hold up the caller.
    void doAction(const QString& name) override {
        if (name == pressAction())
            QMetaObject::invokeMethod(static_cast<ClickArea*>(widget()), &ClickArea::press,
                                      Qt::QueuedConnection);
    }
};

QAccessibleInterface* makeAccessible(const QString& /*className*/, QObject* object) {
    auto* area = qobject_cast<ClickArea*>(object);
    return area ? new ClickAreaAccessible(area) : nullptr;
}

} // namespace

ClickArea::ClickArea(int index, QWidget* parent) : QLabel(parent), index_(index) {
    static const bool accessible = (QAccessible::installFactory(makeAccessible), true);
    (void)accessible;
    setAccessibleName(toQString(captions::kLabel2Name));
    setAccessibleDescription(QStringLiteral("Makes Tobble say a line"));
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

void ClickArea::press() {
    emit clicked(index_);
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
