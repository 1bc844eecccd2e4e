#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>

namespace tobble {

// Image1: stretches its picture over the whole box, aspect ratio ignored.
class PictureBox : public QWidget {
    Q_OBJECT

public:
    explicit PictureBox(QWidget* parent = nullptr);

    void setPicture(const QImage& image);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;
    QPixmap scaled_; // the picture at the box's size on the screen, made once per change
};

} // namespace tobble
