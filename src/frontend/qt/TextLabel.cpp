#include "frontend/qt/TextLabel.h"

#include <QPainter>

namespace tobble {

namespace {
// More text than this can never fit the label; laying out a megabyte line would only stall.
constexpr qsizetype kMostVisibleCharacters = 4096;
} // namespace

TextLabel::TextLabel(Qt::Alignment alignment, QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setAlignment(alignment | Qt::AlignTop);
    setWordWrap(true);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void TextLabel::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setFont(font());
    painter.setClipRect(rect());
    painter.drawText(rect(),
                     static_cast<int>(alignment()) | Qt::TextWordWrap | Qt::TextShowMnemonic,
                     text().left(kMostVisibleCharacters));
}

} // namespace tobble
