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
        std::vector<std::string> phrases{"Hello!"}, answers;
        for (int i = 1; i <= 5; ++i) {
            phrases.push_back("Line " + std::to_string(i));
            answers.push_back("Answer " + std::to_string(i));
        }
        dir.write("config.ini", configText("Window test", phrases, answers));
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

    // Clicks where a person would: on whatever control lies at that point of the client area.
    void clickAt(QPoint point) {
        QWidget* client = control("Form1");
        QWidget* target = client->childAt(point);
        if (!target)
            target = client;
        QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(client, point));
    }

    QString label1() { return qobject_cast<QLabel*>(control("Label1"))->text(); }

    QColor background() { return control("Form1")->palette().color(QPalette::Window); }

    bool logged(const std::string& prefix) {
        return std::any_of(log.begin(), log.end(),
                           [&](const std::string& line) { return line.starts_with(prefix); });
    }

    QImage labelImage(const QString& text) {
        auto* label = qobject_cast<QLabel*>(control("Label1"));
        label->setText(text);
        return label->grab().toImage();
    }

    ContentDir dir;
    EventLog log;
    FakePlatform platform;
    MainWindow window;
};

TEST_F(MainWindowTest, ControlsStandWhereTheLayoutPutsThem) {
    EXPECT_EQ(control("Form1")->size(), QSize(145, 330));
    EXPECT_EQ(control("Image1")->geometry(), QRect(16, 16, 113, 151));
    EXPECT_EQ(control("Label2")->geometry(), QRect(32, 24, 73, 121));
    EXPECT_EQ(control("Label1")->geometry(), QRect(8, 176, 129, 97));
    EXPECT_EQ(control("Label3")->geometry(), QRect(8, 288, 129, 17));
    EXPECT_EQ(control("Text1")->geometry(), QRect(8, 304, 129, 19));
    EXPECT_EQ(qobject_cast<QLabel*>(control("Label3"))->text(), QStringLiteral("Ask Tobble:"));
    EXPECT_EQ(background(), QColor(Qt::black));
}

TEST_F(MainWindowTest, QuestionBoxCoversTheCaptionAndTheClickAreaCoversThePicture) {
    QWidget* client = control("Form1");
    EXPECT_EQ(client->childAt(20, 304), control("Text1"));
    const QObjectList stack = client->children();
    EXPECT_GT(stack.indexOf(control("Text1")), stack.indexOf(control("Label3")));
    EXPECT_GT(stack.indexOf(control("Label2")), stack.indexOf(control("Image1")));
    EXPECT_EQ(client->childAt(60, 80), control("Label2"));
    EXPECT_EQ(client->childAt(20, 20), nullptr) << "the picture takes no clicks";
}

TEST_F(MainWindowTest, QuestionBoxHasTheFocusAndIsTheOnlyFocusableControl) {
    EXPECT_EQ(QApplication::focusWidget(), control("Text1"));
    for (const char* name : {"Image1", "Label1", "Label2", "Label3"})
        EXPECT_EQ(control(name)->focusPolicy(), Qt::NoFocus) << name;
}

TEST_F(MainWindowTest, MenuTreeHasItsCaptionsShortcutsAndSeparators) {
    const QList<QAction*> bar = window.menuBar()->actions();
    ASSERT_EQ(bar.size(), 1);
    EXPECT_EQ(bar[0]->text(), QStringLiteral("&Menu"));
    QStringList items;
    for (const QAction* action : bar[0]->menu()->actions()) {
        QString item = action->isSeparator() ? QStringLiteral("-") : action->text();
        if (!action->shortcut().isEmpty())
            item += QLatin1Char('\t') + action->shortcut().toString();
        if (action->isCheckable())
            item += action->isChecked() ? QStringLiteral(" [x]") : QStringLiteral(" [ ]");
        items << item;
    }
    EXPECT_EQ(items.join(QLatin1Char('|')),
              QStringLiteral("Say &What?\tF5|-|&Shrink [ ]|-|Auto &Smack [ ]|Set &Time|-|"
                             "&Reload Config.ini|&Open Config.ini|-|&About\tF1|-|&Quit\tCtrl+Q"));
}

TEST_F(MainWindowTest, ShortcutsWorkWhileTheQuestionBoxHasTheFocus) {
    QTest::keyClick(control("Text1"), Qt::Key_F5);
    EXPECT_TRUE(logged("sound " + dir.prefix() + "0.wav"));
    EXPECT_EQ(background(), QColor(Qt::red));
    log.clear();
    QTest::keyClick(control("Text1"), Qt::Key_F1);
    EXPECT_TRUE(logged("box 32 About Tobble"));
    QTest::keyClick(control("Text1"), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_TRUE(logged("end"));
}

TEST_F(MainWindowTest, AClickOnTheCharacterFlashesAndSpeaks) {
    clickAt(QPoint(32, 24));
    const int n = window.program().form().speech().CurrentIndex;
    EXPECT_EQ(log, EventLog{"sound " + dir.prefix() + std::to_string(n) + ".wav"});
    EXPECT_EQ(label1(), QStringLiteral("Line %1").arg(n));
    EXPECT_EQ(background(), QColor(Qt::red));
    EXPECT_TRUE(QTest::qWaitFor([this] { return background() == QColor(Qt::black); }));
}

TEST_F(MainWindowTest, AClickJustOutsideTheClickAreaDoesNothing) {
    for (const QPoint p : {QPoint(31, 60), QPoint(105, 60), QPoint(60, 23), QPoint(60, 145)})
        clickAt(p);
    EXPECT_TRUE(log.empty());
}

TEST_F(MainWindowTest, EnterAnswersAndKeepsTheQuestion) {
    auto* text1 = qobject_cast<QLineEdit*>(control("Text1"));
    QTest::keyClicks(text1, QStringLiteral("Will it rain?"));
    EXPECT_TRUE(log.empty());
    QTest::keyClick(text1, Qt::Key_Return);
    const int m = window.program().form().speech().CurrentIndex;
    EXPECT_EQ(log, EventLog{"sound " + dir.prefix() + "a" + std::to_string(m) + ".wav"});
    EXPECT_EQ(label1(), QStringLiteral("Answer %1").arg(m));
    EXPECT_EQ(text1->text(), QStringLiteral("Will it rain?"));
    log.clear();
    QTest::keyClick(text1, Qt::Key_Enter, Qt::ShiftModifier);
    EXPECT_EQ(log.size(), 1u) << "the keypad Enter with Shift answers too";
}

TEST_F(MainWindowTest, LabelsShowMarkupAsPlainText) {
    auto inkWidth = [](const QImage& image) {
        int left = image.width(), right = -1;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (qGray(image.pixel(x, y)) > 128)
                    left = std::min(left, x), right = std::max(right, x);
            }
        }
        return right - left;
    };
    EXPECT_GT(inkWidth(labelImage(QStringLiteral("<b>hi</b>"))),
              2 * inkWidth(labelImage(QStringLiteral("hi"))));

    const QImage tag = labelImage(QStringLiteral("<img src=\":/tobble.png\">"));
    int coloured = 0;
    for (int y = 0; y < tag.height(); ++y) {
        for (int x = 0; x < tag.width(); ++x)
            coloured += QColor(tag.pixel(x, y)).hsvSaturation() > 100;
    }
    EXPECT_EQ(coloured, 0) << "the tag is written out in white, not drawn as the picture";
    EXPECT_GT(inkWidth(tag), 40);
}

TEST_F(MainWindowTest, StartsWithItsFrameInTheMiddleOfTheScreen) {
    const QPoint middle = window.screen()->availableGeometry().center();
    const QPoint centre = window.frameGeometry().center();
    EXPECT_LE((centre - middle).manhattanLength(), 2) << centre.x() << "," << centre.y();
}

TEST_F(MainWindowTest, BothLabelsUseTheBoldLabelFont) {
    for (const char* name : {"Label1", "Label3"}) {
        const QFont font = control(name)->font();
        EXPECT_TRUE(font.bold()) << name;
        EXPECT_EQ(font.pixelSize(), 11) << name;
    }
}

TEST_F(MainWindowTest, AmpersandsUnderlineAndDoubleAmpersandsShowOne) {
    QImage expected = labelImage(QString());
    {
        QPainter painter(&expected);
        painter.setFont(control("Label1")->font());
        painter.setPen(Qt::white);
        painter.drawText(expected.rect(), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                         QStringLiteral("A&B"));
    }
    EXPECT_TRUE(labelImage(QStringLiteral("A&&B")) == expected);
    EXPECT_FALSE(labelImage(QStringLiteral("&B")) == labelImage(QStringLiteral("B")));
}

TEST_F(MainWindowTest, ShrinkAndBackRestoreTheLayout) {
    const QSize normal = window.size();
    window.program().form().menuChosen(MenuCommand::mnuShrink);
    EXPECT_EQ(control("Form1")->size(), QSize(109, 147));
    EXPECT_EQ(control("Image1")->pos(), QPoint(0, 0));
    EXPECT_EQ(control("Label2")->pos(), QPoint(16, 8));
    window.program().form().menuChosen(MenuCommand::mnuShrink);
    EXPECT_EQ(control("Form1")->size(), QSize(145, 330));
    EXPECT_EQ(control("Image1")->pos(), QPoint(16, 16));
    EXPECT_EQ(control("Label2")->pos(), QPoint(32, 24));
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.size() == normal; }));
}

TEST_F(MainWindowTest, MenuChecksFollowTheCommands) {
    QAction* onOff = window.findChild<QAction*>(QStringLiteral("mnuOnOff"));
    ASSERT_NE(onOff, nullptr);
    onOff->trigger();
    EXPECT_TRUE(onOff->isChecked());
    EXPECT_TRUE(window.program().form().tmrRandom.enabled());
    onOff->trigger();
    EXPECT_FALSE(onOff->isChecked());
    EXPECT_FALSE(window.program().form().tmrRandom.enabled());
}

TEST_F(MainWindowTest, AutoPlaySpeaksOnItsOwnAtTheSetInterval) {
    platform.inputAnswers = {u"30"};
    window.findChild<QAction*>(QStringLiteral("mnuSetTime"))->trigger();
    const std::string lineSound = "sound " + dir.prefix();
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return std::count_if(log.begin(), log.end(), [&](const std::string& line) {
                   return line.starts_with(lineSound) && !line.ends_with("0.wav");
               }) >= 3;
    }));
    window.program().form().tmrRandom.setEnabled(false);
}

TEST_F(MainWindowTest, SharedAccessKeyMovesBetweenItsTwoItemsAndEnterChooses) {
    QMenu* menu = window.menuBar()->actions().front()->menu();
    menu->popup(window.mapToGlobal(QPoint(0, 0)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
    QTest::keyClick(menu, Qt::Key_S);
    EXPECT_EQ(menu->activeAction()->objectName(), QStringLiteral("mnuShrink"));
    QTest::keyClick(menu, Qt::Key_S);
    EXPECT_EQ(menu->activeAction()->objectName(), QStringLiteral("mnuOnOff"));
    EXPECT_FALSE(window.program().form().tmrRandom.enabled()) << "S alone chooses neither";
    EXPECT_EQ(control("Form1")->size(), QSize(145, 330));
    QTest::keyClick(menu, Qt::Key_Return);
    EXPECT_TRUE(window.program().form().tmrRandom.enabled());
    window.program().form().tmrRandom.setEnabled(false);
}

TEST_F(MainWindowTest, MicrophonePointerOnlyOverTheClickArea) {
    EXPECT_EQ(control("Label2")->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(control("Label2")->cursor().hotSpot(), QPoint(16, 16));
    EXPECT_FALSE(control("Label2")->cursor().pixmap().isNull());
    EXPECT_NE(control("Form1")->cursor().shape(), Qt::BitmapCursor);
    EXPECT_NE(control("Image1")->cursor().shape(), Qt::BitmapCursor);
}

TEST_F(MainWindowTest, StartUpRunsOnceAndKeepsTheWindowOnTop) {
    window.hide();
    window.show();
    QTest::qWait(20);
    EXPECT_FALSE(logged("topmost"));
    EXPECT_TRUE(window.windowFlags() & Qt::WindowStaysOnTopHint);
}

// A character is a folder with its own files and a link to the program, started by its path.
TEST(LinuxPlatformFolders, TheFolderAsNamedHoldsTheCharacterUnlessItHoldsNone) {
    ContentDir folder;
    const std::string link = folder.prefix() + "tobble";
    const std::u16string own = LinuxPlatform("/proc/self/exe").programDirectory();
    EXPECT_EQ(LinuxPlatform(link).programDirectory(), own) << "an empty folder";
    folder.write("picture.jpg", "x");
    EXPECT_EQ(toUtf8(LinuxPlatform(link).programDirectory()), folder.path().string());
    folder.remove("picture.jpg");
    folder.write("Config.ini", "x");
    EXPECT_EQ(toUtf8(LinuxPlatform(link).programDirectory()), folder.path().string());
    EXPECT_EQ(LinuxPlatform("tobble").programDirectory(), own) << "a bare name, found on PATH";
}

// The message boxes of the real platform, as the commands show them.
TEST(LinuxPlatformBoxes, ShowTheIconTheStyleAsksForAndTheTextAsIs) {
    LinuxPlatform platform;
    for (const auto& [style, icon] : {std::pair{vbCritical, QMessageBox::Critical},
                                      std::pair{vbQuestion, QMessageBox::Question}}) {
        QMessageBox::Icon shown = QMessageBox::NoIcon;
        QString text, title;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                shown = box->icon();
                text = box->text();
                title = box->windowTitle();
                box->accept();
            }
        });
        poll.start(5);
        platform.messageBox(u"Is <b>this</b> & that?", style, u"Error!");
        EXPECT_EQ(shown, icon) << style;
        EXPECT_EQ(text, QStringLiteral("Is <b>this</b> & that?"));
        EXPECT_EQ(title, QStringLiteral("Error!"));
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
