// The toolkit's floor: the least Qt 6 window with a menu and a label (and, built as
// qt_edit_floor, a focused one-line text box).
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QVBoxLayout>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Qt floor"));
    window.menuBar()
        ->addMenu(QStringLiteral("&Menu"))
        ->addAction(QStringLiteral("&Quit"), &app, &QApplication::quit);
    auto* client = new QWidget(&window);
    auto* layout = new QVBoxLayout(client);
    layout->addWidget(new QLabel(QStringLiteral("Hello"), client));
#ifdef WITH_LINE_EDIT
    // The reference for a focused text box: its caret blinks, and that costs wake-ups.
    auto* edit = new QLineEdit(client);
    layout->addWidget(edit);
    edit->setFocus();
#endif
    window.setCentralWidget(client);
    window.resize(145, 349);
    window.show();
    return app.exec();
}
