#include "frontend/qt/MainWindow.h"

#include <QAction>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <limits>

#include "frontend/qt/ClickArea.h"
#include "frontend/qt/PictureBox.h"
#include "frontend/qt/QuestionBox.h"
#include "frontend/qt/TextLabel.h"
#include "frontend/qt/platform/QtText.h"
#include "ui/Captions.h"
#include "ui/Layout.h"

namespace tobble {

namespace {

QRect toPixels(const layout::Rect& r) {
    return {layout::toPixels(r.left), layout::toPixels(r.top), layout::toPixels(r.width),
            layout::toPixels(r.height)};
}

QColor toQColor(std::uint32_t colour) {
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

QFont labelFont() {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(layout::kLabelFontPixels);
    font.setBold(true);
    return font;
}

} // namespace

MainWindow::MainWindow(const Platform& platform, QWidget* parent)
    : QMainWindow(parent), client_(new QWidget(this)), randomTimer_(new QTimer(this)),
      flashTimer_(new QTimer(this)), randomDriver_(randomTimer_), flashDriver_(flashTimer_),
      program_(*this, platform, randomDriver_, flashDriver_) {
    // Created in the always-on-top band: on X11 a window can only state that reliably before it
    // is mapped, and start-up confirms it. No maximize button: the size is fixed.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    setWindowTitle(toQString(captions::kInitialCaption));
    setWindowIcon(QIcon(QStringLiteral(":/tobble.png")));

    client_->setObjectName(QStringLiteral("Form1"));
    client_->setAutoFillBackground(true);
    setCentralWidget(client_);
    setBackColor(layout::kBlack);
    createControls();
    createMenu();
    // The window takes exactly the size of its client area and menu bar; Shrink changes it.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    client_->setFixedSize(layout::toPixels(layout::kClientWidth),
                          layout::toPixels(layout::kClientHeight));

    connect(randomTimer_, &QTimer::timeout, this, [this] { program_.tmrRandomTicked(); });
    connect(flashTimer_, &QTimer::timeout, this, [this] { program_.tmrFlashTicked(); });
}

// Created bottom to top, so that each control lies above the ones before it.
void MainWindow::createControls() {
    image1_ = new PictureBox(client_);
    image1_->setObjectName(QStringLiteral("Image1"));
    image1_->setGeometry(toPixels(layout::kImage1));

    QPalette white = client_->palette();
    white.setColor(QPalette::WindowText, toQColor(layout::kWhite));

    label1_ = new TextLabel(Qt::AlignHCenter, client_);
    label1_->setObjectName(QStringLiteral("Label1"));
    label1_->setGeometry(toPixels(layout::kLabel1));
    label1_->setFont(labelFont());
    label1_->setPalette(white);
    label1_->setAccessibleDescription(QStringLiteral("What Tobble says"));

    label2_ = new ClickArea(1, client_);
    label2_->setObjectName(QStringLiteral("Label2"));
    label2_->setGeometry(toPixels(layout::kLabel2));
    connect(label2_, &ClickArea::clicked, this,
            [this](int index) { program_.label2Clicked(index); });

    label3_ = new TextLabel(Qt::AlignLeft, client_);
    label3_->setObjectName(QStringLiteral("Label3"));
    label3_->setGeometry(toPixels(layout::kLabel3));
    label3_->setFont(labelFont());
    label3_->setPalette(white);
    label3_->setText(toQString(captions::kAskCaption));

    text1_ = new QuestionBox(client_);
    text1_->setObjectName(QStringLiteral("Text1"));
    text1_->setGeometry(toPixels(layout::kText1));
    text1_->setMaxLength(std::numeric_limits<int>::max()); // a question may be any length
    text1_->setAccessibleName(QStringLiteral("Ask Tobble:"));
    connect(text1_, &QuestionBox::keyDown, this,
            [this](qint16 keyCode, int shift) { program_.text1KeyDown(keyCode, shift); });
    setFocusProxy(text1_);
    text1_->setFocus();
}

void MainWindow::createMenu() {
    QMenu* menu = menuBar()->addMenu(toQString(kMenuCaption));
    for (const MenuEntry& entry : kMenuEntries) {
        if (entry.isSeparator()) {
            menu->addSeparator()->setObjectName(QString::fromLatin1(entry.name));
            continue;
        }
        QAction* action = menu->addAction(toQString(entry.caption));
        action->setObjectName(QString::fromLatin1(entry.name));
        action->setShortcut(QKeySequence(toQString(entry.shortcut)));
        const MenuCommand command = entry.command;
        if (command == MenuCommand::mnuShrink || command == MenuCommand::mnuOnOff) {
            action->setCheckable(true);
            checkableItems_[command] = action;
        }
        // The check mark belongs to the logic: a click must not toggle it by itself.
        connect(action, &QAction::triggered, this, [this, action, command] {
            if (action->isCheckable())
                action->setChecked(!action->isChecked());
            program_.menuChosen(command);
        });
    }
}

void MainWindow::showCentred() {
    adjustSize();
    const QScreen* screen = this->screen();
    if (!screen) {
        show();
        return;
    }
    // move() places the frame; its size is known only once the window manager has framed the
    // window. So the window is centred by its own size first, then once more by its frame.
    const QPoint centre = screen->availableGeometry().center();
    const auto centreFrame = [this, centre] {
        const QSize frame = frameGeometry().size();
        move(centre - QPoint(frame.width() / 2, frame.height() / 2));
    };
    centreFrame();
    show();
    if (QWindow* native = windowHandle()) {
        auto* untilFramed = new QObject(this);
        const auto onMoved = [this, untilFramed, centreFrame] {
            if (frameGeometry().size() == size())
                return; // not framed yet
            untilFramed->deleteLater();
            disconnect(untilFramed, nullptr, nullptr, nullptr);
            centreFrame();
        };
        connect(native, &QWindow::xChanged, untilFramed, onMoved);
        connect(native, &QWindow::yChanged, untilFramed, onMoved);
    }
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // Once the window exists on the screen, the start-up sequence runs (only the first time).
    QTimer::singleShot(0, this, [this] { program_.activated(); });
}

WindowHandle MainWindow::hWnd() const {
    return static_cast<WindowHandle>(winId());
}

void MainWindow::setBackColor(std::uint32_t colour) {
    QPalette palette = client_->palette();
    palette.setColor(QPalette::Window, toQColor(colour));
    client_->setPalette(palette);
}

void MainWindow::setCaption(const std::u16string& caption) {
    setWindowTitle(toQString(caption));
}

std::u16string MainWindow::currentCaption() const {
    return windowTitle().toStdU16String();
}

void MainWindow::setLabel1Caption(const std::u16string& caption) {
    label1_->setText(toQString(caption));
}

void MainWindow::setImage1Picture(PicturePtr picture) {
    image1_->setPicture(std::move(picture));
}

void MainWindow::moveImage1(int left, int top) {
    image1_->move(layout::toPixels(left), layout::toPixels(top));
}

void MainWindow::moveLabel2(int /*index*/, int left, int top) {
    label2_->move(layout::toPixels(left), layout::toPixels(top));
}

void MainWindow::setWidth(int twips) {
    client_->setFixedWidth(layout::toPixels(twips - layout::kFrameWidth));
}

void MainWindow::setHeight(int twips) {
    client_->setFixedHeight(layout::toPixels(twips - layout::kFrameHeight));
}

bool MainWindow::isChecked(MenuCommand item) const {
    const auto it = checkableItems_.find(item);
    return it != checkableItems_.end() && it->second->isChecked();
}

void MainWindow::setChecked(MenuCommand item, bool checked) {
    if (const auto it = checkableItems_.find(item); it != checkableItems_.end())
        it->second->setChecked(checked);
}

} // namespace tobble
