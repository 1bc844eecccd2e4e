#pragma once

#include <QImage>

#include "platform/Platform.h"

namespace tobble {

// A picture decoded by Qt.
class QtPicture : public Picture {
public:
    explicit QtPicture(QImage image) : image_(std::move(image)) {}
    const QImage& image() const { return image_; }

private:
    QImage image_;
};

} // namespace tobble
