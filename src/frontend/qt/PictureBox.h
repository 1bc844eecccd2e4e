#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>

#include "seams/Pictures.h"

namespace tobble {

// Image1: stretches its picture over the whole box, aspect ratio ignored.
class PictureBox : public QWidget {
    Q_OBJECT

public:
    explicit PictureBox(QWidget* parent = nullptr);

    void setPicture(PicturePtr picture);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PicturePtr picture_;
    QImage image_;   // the picture's own pixels, not copied
    QPixmap scaled_; // the picture at the box's size on the screen, made once per change
};

} // namespace tobble
