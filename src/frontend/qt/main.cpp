#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "frontend/qt/MainWindow.h"
#include "frontend/qt/ProgramArguments.h"
#include "frontend/qt/QtPlatformChoice.h"
#include "frontend/qt/platform/LinuxPlatform.h"

namespace {

// One name for the program everywhere a desktop looks for it: the desktop entry (tobble.desktop),
// the Wayland app id, the X11 instance name and the sound events.
constexpr char kApplicationId[] = "tobble";

// X where a server can be reached, unless the person chose; without one, start natively all the
// same.
bool preferX11() {
    const char* platforms =
        tobble::preferredQtPlatform(std::getenv("QT_QPA_PLATFORM"), std::getenv("DISPLAY"));
    return platforms && setenv("QT_QPA_PLATFORM", platforms, 1) == 0;
}

QtMessageHandler qtHandler = nullptr;

// Qt aborts when none of the platforms it tries can start, for example where DISPLAY names an X
// server that is gone. Its own messages above say why; end as without any desktop, not with a
// core dump.
void endWithoutDesktop(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtFatalMsg && qtHandler) {
        qtHandler(type, context, text);
        return;
    }
    std::fprintf(stderr, "%s\n", tobble::kDesktopUnreachable);
    std::fflush(stderr);
    std::_Exit(1);
}

// Through shared memory, Qt waits for the X server before it paints again over a spot the server
// may still be reading: a round trip, waking both of Qt's threads, at every blink of the question
// box's caret. A window this small paints as fast through the connection, with no reply to wait
// for. A setting of the person's own is left as it is.
bool paintWithoutSharedMemory() {
    return !std::getenv("QT_XCB_NO_MITSHM") && setenv("QT_XCB_NO_MITSHM", "1", 1) == 0;
}

} // namespace

int main(int argc, char* argv[]) {
    // Answered before Qt starts, so that they work without any desktop.
    switch (tobble::commandLineRequest(argc, argv)) {
    case tobble::CommandLineRequest::Help:
        std::fputs(tobble::kUsage, stdout);
        return 0;
    case tobble::CommandLineRequest::Version:
        std::puts("Tobble " TOBBLE_VERSION);
        return 0;
    case tobble::CommandLineRequest::Start:
        break;
    }
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (!tobble::desktopNamed(std::getenv("QT_QPA_PLATFORM"), std::getenv("DISPLAY"),
                              wayland && *wayland ? wayland : std::getenv("WAYLAND_SOCKET"))) {
        std::fprintf(stderr, "%s\n", tobble::kNoDesktop);
        return 1;
    }

    // Anything else on the command line is ignored: Qt gets only a name, so none of its own options
    // (-reverse, -style, -platform, ...) can change the window. The name is the application id
    // rather than argv[0], so that a character's link with any name still belongs to Tobble.
    const std::string startedAs = argc > 0 && argv[0] ? argv[0] : "";
    char name[] = "tobble";
    char* qtArguments[] = {name, nullptr};
    int qtArgumentCount = 1;

    const bool x11ChosenHere = preferX11();
    qtHandler = qInstallMessageHandler(endWithoutDesktop);
    const bool sharedMemoryOffHere = paintWithoutSharedMemory();
    QApplication app(qtArgumentCount, qtArguments);
    qInstallMessageHandler(qtHandler);
    if (x11ChosenHere)
        unsetenv("QT_QPA_PLATFORM"); // an editor started from the menu picks its own platform
    if (sharedMemoryOffHere)
        unsetenv("QT_XCB_NO_MITSHM"); // read once, as Qt connects
    QApplication::setApplicationName(QStringLiteral("Tobble"));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kApplicationId));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/tobble.png")));

    tobble::LinuxPlatform platform(startedAs);
    if (const char* file = tobble::characterFileArgument(argc, argv)) {
        const QString path = QFileInfo(QFile::decodeName(file)).absoluteFilePath();
        return tobble::openCharacterFile(path.toStdU16String(), platform.seams());
    }
    tobble::MainWindow window(platform.seams());
    window.showCentred();
    return app.exec();
}
