#pragma once

#include <QMainWindow>
#include <map>

#include "app/Program.h"
#include "frontend/qt/QtTimerDriver.h"
#include "ui/Window.h"

class QAction;
class QTimer;

namespace tobble {

class ClickArea;
class PictureBox;
class QuestionBox;
class TextLabel;

// Form1 on the screen: lays out the controls and the menu, and forwards every event to the
// program's logic.
class MainWindow : public QMainWindow, public Window {
    Q_OBJECT

public:
    explicit MainWindow(const Platform& platform, QWidget* parent = nullptr);

    // Shows the window in the middle of the screen it is on.
    void showCentred();

    Program& program() { return program_; }

    WindowHandle hWnd() const override;
    void setBackColor(std::uint32_t colour) override;
    void setCaption(const std::u16string& caption) override;
    std::u16string currentCaption() const override;
    void setLabel1Caption(const std::u16string& caption) override;
    void setImage1Picture(PicturePtr picture) override;
    void moveImage1(int left, int top) override;
    void moveLabel2(int index, int left, int top) override;
    void setWidth(int twips) override;
    void setHeight(int twips) override;
    bool isChecked(MenuCommand item) const override;
    void setChecked(MenuCommand item, bool checked) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void createControls();
    void createMenu();

    QWidget* client_;
    PictureBox* image1_ = nullptr;
    TextLabel* label1_ = nullptr;
    ClickArea* label2_ = nullptr;
    TextLabel* label3_ = nullptr;
    QuestionBox* text1_ = nullptr;
    std::map<MenuCommand, QAction*> checkableItems_;

    QTimer* randomTimer_;
    QTimer* flashTimer_;
    QtTimerDriver randomDriver_;
    QtTimerDriver flashDriver_;
    Program program_;
};

} // namespace tobble
