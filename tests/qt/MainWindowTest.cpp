#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "Fakes.h"
#include "platform/linux/LinuxPlatform.h"
#include "ui/qt/MainWindow.h"

namespace tobble::testing {
namespace {

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() : platform(log, decodeUtf8Lenient(dir.path().string())), window(platform) {
        dir.write("picture.jpg", "picture");
        dir.write("config.ini",
                  configText("Window test", {"Hello!", "Line 1", "Line 2", "Line 3", "Line 4"},
                             {"Answer 1", "Answer 2", "Answer 3", "Answer 4"}));
        window.showCentred();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        EXPECT_TRUE(QTest::qWaitFor([this] { return window.windowTitle() == "Window test"; }));
        log.clear();
    }

    QWidget* control(const char* name) {
        auto* widget = window.findChild<QWidget*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QLabel* label(const char* name) { return qobject_cast<QLabel*>(control(name)); }
    QColor background() { return control("Form1")->palette().color(QPalette::Window); }
    Form1& form() { return window.program().form(); }
    QAction* action(const char* name) { return window.findChild<QAction*>(QLatin1String(name)); }
    std::string sound(const std::string& name) { return "sound " + dir.prefix() + name + ".wav"; }
    bool logged(const std::string& prefix) {
        return std::any_of(log.begin(), log.end(),
                           [&](const std::string& line) { return line.starts_with(prefix); });
    }

    // Clicks where a person would: on whatever control lies at that point of the client area.
    void clickAt(QPoint point) {
        QWidget* client = control("Form1");
        QWidget* target = client->childAt(point);
        target = target ? target : client;
        QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(client, point));
    }

    QImage labelImage(const QString& text) {
        label("Label1")->setText(text);
        return label("Label1")->grab().toImage();
    }

    ContentDir dir;
    EventLog log;
    FakePlatform platform;
    MainWindow window;
};

TEST_F(MainWindowTest, ControlsStandWhereTheLayoutPutsThem) {
    EXPECT_EQ(control("Form1")->size(), QSize(145, 330));
    for (const auto& [name, rect] : {std::pair{"Image1", QRect(16, 16, 113, 151)},
                                     {"Label2", QRect(32, 24, 73, 121)},
                                     {"Label1", QRect(8, 176, 129, 97)},
                                     {"Label3", QRect(8, 288, 129, 17)},
                                     {"Text1", QRect(8, 304, 129, 19)}})
        EXPECT_EQ(control(name)->geometry(), rect) << name;
    for (const char* name : {"Label1", "Label3"}) {
        EXPECT_TRUE(control(name)->font().bold()) << name;
        EXPECT_EQ(control(name)->font().pixelSize(), 11) << name;
    }
    EXPECT_EQ(label("Label3")->text(), QStringLiteral("Ask Tobble:"));
    EXPECT_EQ(background(), QColor(Qt::black));
    EXPECT_EQ(QApplication::focusWidget(), control("Text1"));
    // Later controls lie above earlier ones; the picture and labels take no clicks.
    QWidget* client = control("Form1");
    const QObjectList stack = client->children();
    EXPECT_GT(stack.indexOf(control("Text1")), stack.indexOf(control("Label3")));
    EXPECT_GT(stack.indexOf(control("Label2")), stack.indexOf(control("Image1")));
    EXPECT_EQ(client->childAt(20, 304), control("Text1"));
    EXPECT_EQ(client->childAt(60, 80), control("Label2"));
    EXPECT_EQ(client->childAt(20, 20), nullptr);
    // Kept above the others, and no maximize: the size is fixed.
    EXPECT_EQ(window.windowFlags() & (Qt::WindowStaysOnTopHint | Qt::WindowMaximizeButtonHint),
              Qt::WindowStaysOnTopHint);
    EXPECT_LE((window.frameGeometry().center() - window.screen()->availableGeometry().center())
                  .manhattanLength(),
              2);
}

TEST_F(MainWindowTest, MenuTreeHasItsCaptionsShortcutsAndChecks) {
    const QList<QAction*> bar = window.menuBar()->actions();
    ASSERT_EQ(bar.size(), 1);
    EXPECT_EQ(bar[0]->text(), QStringLiteral("&Menu"));
    QStringList items;
    for (const QAction* item : bar[0]->menu()->actions()) {
        items << (item->isSeparator() ? QStringLiteral("-") : item->text());
        if (!item->shortcut().isEmpty())
            items.last() += QLatin1Char('\t') + item->shortcut().toString();
        if (item->isCheckable())
            items.last() += item->isChecked() ? QStringLiteral(" [x]") : QStringLiteral(" [ ]");
    }
    EXPECT_EQ(items.join(QLatin1Char('|')),
              QStringLiteral("Say &What?\tF5|-|&Shrink [ ]|-|Auto &Smack [ ]|Set &Time|-|"
                             "&Reload Config.ini|&Open Config.ini|-|&About\tF1|-|&Quit\tCtrl+Q"));
    // The check mark follows the command, once per choice.
    for (const bool on : {true, false}) {
        action("mnuOnOff")->trigger();
        EXPECT_EQ(action("mnuOnOff")->isChecked(), on);
        EXPECT_EQ(form().tmrRandom.enabled(), on);
    }
}

TEST_F(MainWindowTest, ShortcutsWorkWhileTheQuestionBoxHasTheFocus) {
    QTest::keyClick(control("Text1"), Qt::Key_F5);
    EXPECT_EQ(log, EventLog{sound("0")});
    EXPECT_EQ(background(), QColor(Qt::red));
    QTest::keyClick(control("Text1"), Qt::Key_F1);
    EXPECT_TRUE(logged("box 32 About Tobble"));
    QTest::keyClick(control("Text1"), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(log.back(), "end");
}

TEST_F(MainWindowTest, OnlyAClickOnTheCharacterFlashesAndSpeaks) {
    for (const QPoint p : {QPoint(31, 60), QPoint(105, 60), QPoint(60, 23), QPoint(60, 145)})
        clickAt(p);
    EXPECT_TRUE(log.empty());
    clickAt(QPoint(32, 24));
    const int n = form().speech().CurrentIndex;
    EXPECT_EQ(log, EventLog{sound(std::to_string(n))});
    EXPECT_EQ(label("Label1")->text(), QStringLiteral("Line %1").arg(n));
    EXPECT_EQ(background(), QColor(Qt::red));
    EXPECT_TRUE(QTest::qWaitFor([this] { return background() == QColor(Qt::black); }));
}

TEST_F(MainWindowTest, EnterAnswersAndKeepsTheQuestion) {
    auto* text1 = qobject_cast<QLineEdit*>(control("Text1"));
    QTest::keyClicks(text1, QStringLiteral("Will it rain today?"));
    EXPECT_TRUE(log.empty());
    QTest::keyClick(text1, Qt::Key_Return);
    const int m = form().speech().CurrentIndex;
    EXPECT_EQ(log, EventLog{sound("a" + std::to_string(m))});
    EXPECT_EQ(label("Label1")->text(), QStringLiteral("Answer %1").arg(m));
    EXPECT_EQ(text1->text(), QStringLiteral("Will it rain today?"));
    QTest::keyClick(text1, Qt::Key_Enter, Qt::ShiftModifier);
    EXPECT_EQ(log.size(), 2u) << "the keypad Enter with Shift answers too";
}

// Labels show their text as is: no markup; && shows one &, a single & underlines.
TEST_F(MainWindowTest, LabelsDrawTheirTextAsIs) {
    for (const auto& [text, shown] : {std::pair{"A&&B", "A&B"}, {"<b>hi</b>", "<b>hi</b>"}}) {
        QImage expected = labelImage(QString());
        QPainter painter(&expected);
        painter.setFont(control("Label1")->font());
        painter.setPen(Qt::white);
        painter.drawText(expected.rect(), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                         QString::fromLatin1(shown));
        painter.end();
        EXPECT_TRUE(labelImage(QString::fromLatin1(text)) == expected) << text;
    }
    EXPECT_FALSE(labelImage(QStringLiteral("&B")) == labelImage(QStringLiteral("B")));
}

TEST_F(MainWindowTest, ShrinkAndBackRestoreTheLayout) {
    const QSize normal = window.size();
    form().menuChosen(MenuCommand::mnuShrink);
    EXPECT_EQ(control("Form1")->size(), QSize(109, 147));
    EXPECT_EQ(control("Image1")->pos(), QPoint(0, 0));
    EXPECT_EQ(control("Label2")->pos(), QPoint(16, 8));
    form().menuChosen(MenuCommand::mnuShrink);
    EXPECT_EQ(control("Form1")->size(), QSize(145, 330));
    EXPECT_EQ(control("Image1")->pos(), QPoint(16, 16));
    EXPECT_EQ(control("Label2")->pos(), QPoint(32, 24));
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.size() == normal; }));
}

TEST_F(MainWindowTest, AutoPlaySpeaksOnItsOwnAtTheSetInterval) {
    platform.inputAnswers = {u"30"};
    action("mnuSetTime")->trigger();
    const std::string lineSound = "sound " + dir.prefix();
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return std::count_if(log.begin(), log.end(), [&](const std::string& line) {
                   return line.starts_with(lineSound) && !line.ends_with("/0.wav");
               }) >= 3;
    }));
    form().tmrRandom.setEnabled(false);
}

TEST_F(MainWindowTest, MicrophonePointerOnlyOverTheClickArea) {
    EXPECT_EQ(control("Label2")->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(control("Label2")->cursor().hotSpot(), QPoint(16, 16));
    EXPECT_FALSE(control("Label2")->cursor().pixmap().isNull());
    EXPECT_NE(control("Form1")->cursor().shape(), Qt::BitmapCursor);
}

// A character is a folder with its own files and a link to the program, started by its path.
TEST(LinuxPlatformFolders, TheFolderAsNamedHoldsTheCharacterUnlessItHoldsNone) {
    ContentDir folder;
    const std::string link = folder.prefix() + "tobble";
    const std::u16string own = LinuxPlatform("/proc/self/exe").programDirectory();
    EXPECT_EQ(LinuxPlatform(link).programDirectory(), own) << "an empty folder";
    for (const char* file : {"picture.jpg", "Config.ini"}) {
        folder.write(file, "x");
        EXPECT_EQ(toUtf8(LinuxPlatform(link).programDirectory()), folder.path().string());
        folder.remove(file);
    }
    EXPECT_EQ(LinuxPlatform("tobble").programDirectory(), own) << "a bare name, found on PATH";
}

// The real platform's message boxes: the icon the style asks for, the text as is.
TEST(LinuxPlatformBoxes, ShowTheIconTheStyleAsksForAndTheTextAsIs) {
    LinuxPlatform platform;
    for (const auto& [style, icon] : {std::pair{vbCritical, QMessageBox::Critical},
                                      std::pair{vbQuestion, QMessageBox::Question}}) {
        QStringList shown;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                shown = {QString::number(box->icon()), box->text(), box->windowTitle()};
                box->accept();
            }
        });
        poll.start(5);
        platform.messageBox(u"Is <b>this</b> & that?", style, u"Error!");
        EXPECT_EQ(shown, QStringList({QString::number(icon), "Is <b>this</b> & that?", "Error!"}));
    }
}

} // namespace
} // namespace tobble::testing

int main(int argc, char** argv) {
    // Window tests draw off screen unless told otherwise, so they need no display.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
