#include <QApplication>

#include "platform/linux/LinuxPlatform.h"
#include "ui/qt/MainWindow.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tobble"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/tobble.png")));

    tobble::LinuxPlatform platform;
    tobble::MainWindow window(platform);
    window.showCentred();
    return app.exec();
}
