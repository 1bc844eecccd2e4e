#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QTest>
#include <QTimer>
#include <sys/stat.h>

#include "Fakes.h"
#include "frontend/qt/MainWindow.h"
#include "frontend/qt/ProgramArguments.h"
#include "frontend/qt/QtPlatformChoice.h"
#include "frontend/qt/platform/LinuxPlatform.h"
#include "frontend/qt/platform/SoundDecoder.h"

namespace tobble::testing {
namespace {

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() : platform(log, decodeUtf8Lenient(dir.path().string())), window(platform) {
        dir.write("picture.jpg", "picture");
        dir.write("config.ini", configText("Window test", {"Hello!", "Line 1"}, {"Answer 1"}));
        window.showCentred();
        EXPECT_TRUE(QTest::qWaitFor([this] { return window.windowTitle() == "Window test"; }));
    }

    QWidget* control(const char* name) {
        auto* widget = window.findChild<QWidget*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QImage labelImage(const QString& text) {
        auto* label1 = qobject_cast<QLabel*>(control("Label1"));
        label1->setText(text);
        return label1->grab().toImage();
    }

    ContentDir dir;
    EventLog log;
    FakePlatform platform;
    MainWindow window;
};

// The size is fixed: no maximize.
TEST_F(MainWindowTest, TheLabelsAreBoldAtTheirSizeAndTheWindowDoesNotMaximize) {
    for (const char* name : {"Label1", "Label3"}) {
        EXPECT_TRUE(control(name)->font().bold()) << name;
        EXPECT_EQ(control(name)->font().pixelSize(), 11) << name;
    }
    EXPECT_EQ(qobject_cast<QLabel*>(control("Label3"))->text(), QStringLiteral("Ask Tobble:"));
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
}

// The scenarios choose every item by its keys and read the check marks; the window's first title
// is the program's own until a character names it.
TEST_F(MainWindowTest, MenuTreeHasItsCaptionsShortcutsAndSeparatorsUnderTheFirstTitle) {
    EXPECT_EQ(MainWindow(platform).windowTitle(), QStringLiteral("Its Tobble!"));
    const QList<QAction*> bar = window.menuBar()->actions();
    ASSERT_EQ(bar.size(), 1);
    QStringList items{bar[0]->text()};
    for (const QAction* item : bar[0]->menu()->actions()) {
        items << (item->isSeparator() ? QStringLiteral("-") : item->text());
        if (!item->shortcut().isEmpty())
            items.back() += " " + item->shortcut().toString();
    }
    EXPECT_EQ(items.join(QLatin1Char('|')),
              QStringLiteral("&Menu|Say &What? F5|-|&Shrink|-|Auto &Smack|Set &Time|-|"
                             "&Reload Config.ini|&Open Config.ini|-|&About F1|-|&Quit Ctrl+Q"));
}

// Labels show their text as is: no markup; && shows one &.
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

// The sound worker decodes a file only when it is a regular .wav that the rule says plays; a
// FIFO is refused without waiting for a writer, and the default sound plays instead.
TEST(LinuxSound, DecodesOnlyRegularPlayableWavFiles) {
    ContentDir dir;
    dir.write("1.wav", wave(1, 16, chunk("data", std::string("\0\x40\0\xC0", 4))));
    dir.write("2.wav", wave(1, 16));
    dir.write("5.wav", wave(0x1234, 16, chunk("data", "abcd")));
    ASSERT_EQ(::mkfifo((dir.prefix() + "3.wav").c_str(), 0600), 0);
    const auto decoder = SoundDecoder::openWavFile(dir.prefix() + "1.wav");
    ASSERT_TRUE(decoder);
    EXPECT_EQ(decoder->channels() * 100000 + decoder->rate(), 122050);
    float frames[4] = {};
    EXPECT_EQ(decoder->read(frames, 4), 2u);
    EXPECT_FLOAT_EQ(frames[0], 0.5f);
    EXPECT_FLOAT_EQ(frames[1], -0.5f);
    for (const char* name : {"2.wav", "3.wav", "4.wav", "5.wav", ""})
        EXPECT_FALSE(SoundDecoder::openWavFile(dir.prefix() + name)) << name;
}

// An X window can stay above the others: X where a server is reachable, unless a platform was
// chosen; Wayland when the X server refuses. Without an X server, a Wayland compositor or a
// platform of the person's choice, Qt could only abort: the program ends with a message instead
// (as the command-line test sees with no desktop at all, and the scenarios with an X server).
TEST(QtPlatformChoice, XIsPreferredAndADesktopIsAnXServerAWaylandCompositorOrAChosenPlatform) {
    EXPECT_STREQ(preferredQtPlatform(nullptr, ":0"), "xcb;wayland");
    EXPECT_STREQ(preferredQtPlatform("", ":0"), "xcb;wayland");
    EXPECT_EQ(preferredQtPlatform("wayland", ":0"), nullptr);
    EXPECT_EQ(preferredQtPlatform(nullptr, ""), nullptr);
    EXPECT_EQ(preferredQtPlatform(nullptr, nullptr), nullptr);
    EXPECT_FALSE(desktopNamed("", "", ""));
    EXPECT_TRUE(desktopNamed("", "", "wayland-0"));
    EXPECT_TRUE(desktopNamed("offscreen", nullptr, nullptr));
}

// Only --help (or -h) and --version are answered, wherever they stand; the program's own name
// and everything else, Qt's options too, start the window as if nothing were given.
TEST(CommandLine, OnlyHelpAndVersionAreAnsweredAndACharacterFileOpened) {
    const char* withFile[] = {"tobble", "x.zip", "/a/b.TOBBLE", "c.tobble"};
    EXPECT_STREQ(characterFileArgument(4, withFile), "/a/b.TOBBLE");
    EXPECT_EQ(characterFileArgument(2, withFile), nullptr);
    using enum CommandLineRequest;
    const std::pair<std::vector<const char*>, CommandLineRequest> cases[] = {
        {{"tobble"}, Start},
        {{"--help"}, Start},
        {{"tobble", "-platform", "offscreen", "--helpme", "-version", "help"}, Start},
        {{"tobble", "x", "--help"}, Help},
        {{"tobble", "-h"}, Help},
        {{"tobble", "--version", "--help"}, Version}};
    for (const auto& [arguments, request] : cases)
        EXPECT_EQ(commandLineRequest(static_cast<int>(arguments.size()), arguments.data()), request)
            << arguments.back();
}

// The real platform's message box shows its text as is, never as markup. (The scenarios answer
// its input box.)
TEST(LinuxPlatformBoxes, ShowTheirTextsAsIs) {
    QStringList shown;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown << box->text() << box->windowTitle() << QString::number(box->textFormat());
            box->accept();
        }
    });
    poll.start(5);
    LinuxPlatform().messageBox(u"Is <b>this</b> & that?", vbCritical, u"Error!");
    EXPECT_EQ(shown,
              QStringList({"Is <b>this</b> & that?", "Error!", QString::number(Qt::PlainText)}));
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
