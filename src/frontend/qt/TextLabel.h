#pragma once

#include <QLabel>

namespace tobble {

// A label as the window's labels are: transparent, plain text (never markup), wrapped at word
// boundaries, cut at its edges, "&x" shown as an underlined x and "&&" as "&".
class TextLabel : public QLabel {
    Q_OBJECT

public:
    TextLabel(Qt::Alignment alignment, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace tobble
