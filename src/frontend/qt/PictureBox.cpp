#include "frontend/qt/PictureBox.h"

#include <QPainter>

namespace tobble {

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void PictureBox::setPicture(PicturePtr picture) {
    picture_ = std::move(picture);
    image_ = picture_ && !picture_->pixels.empty()
                 ? QImage(reinterpret_cast<const uchar*>(picture_->pixels.data()), picture_->width,
                          picture_->height, QImage::Format_ARGB32)
                 : QImage();
    scaled_ = QPixmap();
    update();
}

void PictureBox::paintEvent(QPaintEvent* /*event*/) {
    if (image_.isNull())
        return;
    const qreal ratio = devicePixelRatioF();
    const QSize deviceSize = size() * ratio;
    if (scaled_.size() != deviceSize) {
        scaled_ = QPixmap::fromImage(
            image_.scaled(deviceSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        scaled_.setDevicePixelRatio(ratio);
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, scaled_);
}

} // namespace tobble
