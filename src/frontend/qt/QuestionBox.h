#pragma once

#include <QLineEdit>

namespace tobble {

// Text1: reports every key-down, auto-repeats included, before its own editing handles the key.
class QuestionBox : public QLineEdit {
    Q_OBJECT

public:
    explicit QuestionBox(QWidget* parent = nullptr) : QLineEdit(parent) {}

signals:
    void keyDown(qint16 keyCode, int shift);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace tobble
