#pragma once

#include <QLabel>

namespace tobble {

// Label2(1): the invisible area over the character that takes the clicks.
class ClickArea : public QLabel {
    Q_OBJECT

public:
    ClickArea(int index, QWidget* parent = nullptr);

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
