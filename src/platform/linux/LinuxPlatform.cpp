#include "platform/linux/LinuxPlatform.h"

#include <QApplication>
#include <QFileInfo>
#include <QImageReader>
#include <QInputDialog>
#include <QMessageBox>
#include <QProcess>
#include <QTime>
#include <QWidget>
#include <QWindow>
#include <filesystem>

#include "app/FileNames.h"
#include "content/TextEncoding.h"
#include "platform/CommandLine.h"
#include "platform/Failure.h"
#include "platform/linux/QtPicture.h"
#include "platform/linux/QtText.h"

namespace tobble {

namespace {

// Decoding a huge picture at full size would only waste memory: the picture box is small, so
// anything larger than a few times its size on a high-DPI screen is decoded scaled down.
constexpr QSize kLargestUsefulPicture(4 * 113 * 2, 4 * 151 * 2);

} // namespace

void LinuxPlatform::playSoundAsync(const std::u16string& path) {
    sound_.play(QFile::encodeName(toQString(path)).toStdString());
}

void LinuxPlatform::makeTopmost(WindowHandle /*hWnd*/) {
    if (!mainWindow_ || !mainWindow_->windowHandle())
        return;
    // Set on the native window directly: changing the widget's flags would hide and re-show it.
    QWindow* window = mainWindow_->windowHandle();
    if (!(window->flags() & Qt::WindowStaysOnTopHint))
        window->setFlags(window->flags() | Qt::WindowStaysOnTopHint);
    window->raise();
}

void LinuxPlatform::messageBox(const std::u16string& text, int style, const std::u16string& title) {
    const QMessageBox::Icon icon =
        style == vbCritical ? QMessageBox::Critical
                            : (style == vbQuestion ? QMessageBox::Question : QMessageBox::NoIcon);
    QMessageBox box(icon, toQString(title), toQString(text), QMessageBox::Ok, mainWindow_);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

std::u16string LinuxPlatform::inputBox(const std::u16string& prompt, const std::u16string& title,
                                       const std::u16string& defaultText) {
    QInputDialog dialog(mainWindow_);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(toQString(title));
    dialog.setLabelText(toQString(prompt));
    dialog.setTextValue(toQString(defaultText));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.textValue().toStdU16String();
}

PicturePtr LinuxPlatform::loadPicture(const std::u16string& path) {
    // A pipe or a device would block the window while the decoder waits for data.
    requireRegularFile(path);
    const QString file = toQString(path);

    QImageReader reader(file);
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > kLargestUsefulPicture.width() ||
                           size.height() > kLargestUsefulPicture.height()))
        reader.setScaledSize(size.scaled(kLargestUsefulPicture, Qt::KeepAspectRatio));
    QImage image = reader.read();
    if (image.isNull()) {
        throw Failure(u"Invalid picture: " + path + u" cannot be shown (" +
                      reader.errorString().toStdU16String() + u")");
    }
    return std::make_shared<QtPicture>(std::move(image));
}

void LinuxPlatform::startProcess(const std::u16string& commandLine,
                                 const std::u16string& workingDirectory, int /*showState*/) {
    const std::vector<std::u16string> words = splitCommandLine(commandLine);
    if (words.empty())
        throw Failure(u"Invalid procedure call: empty command line");
    QStringList arguments;
    for (std::size_t i = 1; i < words.size(); ++i)
        arguments << toQString(words[i]);
    if (!QProcess::startDetached(toQString(words[0]), arguments, toQString(workingDirectory)))
        throw Failure(u"File not found: " + words[0]);
}

double LinuxPlatform::timeOfDay() {
    return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
}

std::u16string LinuxPlatform::programDirectory() {
    const QFileInfo executable(QStringLiteral("/proc/self/exe"));
    return QFileInfo(executable.canonicalFilePath()).absolutePath().toStdU16String();
}

std::u16string LinuxPlatform::decodeAnsi(std::string_view bytes) {
    return decodeWindows1252(bytes);
}

void LinuxPlatform::endProgram() {
    if (mainWindow_)
        mainWindow_->hide();
    QApplication::exit(0);
}

} // namespace tobble
