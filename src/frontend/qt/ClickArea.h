#pragma once

#include <QLabel>

namespace tobble {

// Label2(1): the invisible area over the character that takes the clicks. Assistive technology
// finds it as a button named after the character, and pressing it is a click.
class ClickArea : public QLabel {
    Q_OBJECT

public:
    ClickArea(int index, QWidget* parent = nullptr);

    // A click by other means than the mouse.
    void press();

signals:
    void clicked(int index);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int index_;
    bool pressed_ = false;
};

} // namespace tobble
