#include "frontend/qt/platform/LinuxPlatform.h"

#include <QApplication>
#include <QFileInfo>
#include <QImageReader>
#include <QInputDialog>
#include <QMainWindow>
#include <QMessageBox>
#include <QProcess>
#include <QTime>
#include <QWidget>
#include <QWindow>
#include <filesystem>
#include <utility>

#include "base/CommandWords.h"
#include "base/Failure.h"
#include "base/FileNames.h"
#include "base/TextEncoding.h"
#include "content/CharacterFiles.h"
#include "frontend/qt/platform/QtText.h"
#include "ui/Layout.h"

namespace tobble {

namespace {

// Decoding a huge picture at full size would only waste memory: the picture box is small, so
// anything larger than a few times its size on a high-DPI screen is decoded scaled down.
constexpr QSize kLargestUsefulPicture(4 * 2 * layout::toPixels(layout::kImage1.width),
                                      4 * 2 * layout::toPixels(layout::kImage1.height));

} // namespace

void LinuxPlatform::playSoundAsync(const std::u16string& path) {
    sound_.play(QFile::encodeName(toQString(path)).toStdString());
}

namespace {

// The program's window that message and input boxes belong to: the active one, or at start-up,
// before any window is active, the main window.
QWidget* boxOwner() {
    if (QWidget* active = QApplication::activeWindow())
        return active;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && qobject_cast<QMainWindow*>(window))
            return window;
    }
    return nullptr;
}

} // namespace

void LinuxPlatform::makeTopmost(WindowHandle hWnd) {
    const QWidget* widget = QWidget::find(static_cast<WId>(hWnd));
    if (!widget || !widget->windowHandle())
        return;
    // Set on the native window directly: changing the widget's flags would hide and re-show it.
    QWindow* window = widget->windowHandle();
    if (!(window->flags() & Qt::WindowStaysOnTopHint))
        window->setFlags(window->flags() | Qt::WindowStaysOnTopHint);
    window->raise();
}

void LinuxPlatform::messageBox(const std::u16string& text, int style, const std::u16string& title) {
    const QMessageBox::Icon icon =
        style == vbCritical ? QMessageBox::Critical
                            : (style == vbQuestion ? QMessageBox::Question : QMessageBox::NoIcon);
    QMessageBox box(icon, toQString(title), toQString(text), QMessageBox::Ok, boxOwner());
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool LinuxPlatform::askYesNo(const std::u16string& text, const std::u16string& title) {
    QMessageBox box(QMessageBox::Question, toQString(title), toQString(text),
                    QMessageBox::Yes | QMessageBox::No, boxOwner());
    box.setTextFormat(Qt::PlainText);
    return box.exec() == QMessageBox::Yes;
}

std::u16string LinuxPlatform::inputBox(const std::u16string& prompt, const std::u16string& title,
                                       const std::u16string& defaultText) {
    QInputDialog dialog(boxOwner());
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
        throw pictureCannotBeShown(path, reader.errorString().toStdU16String());
    }
    image.convertTo(QImage::Format_ARGB32);
    auto picture = std::make_shared<Picture>();
    picture->width = image.width();
    picture->height = image.height();
    picture->pixels.resize(static_cast<std::size_t>(picture->width) * picture->height);
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
        std::copy(row, row + picture->width,
                  picture->pixels.begin() + std::size_t(y) * picture->width);
    }
    return picture;
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

namespace {

// The folder the program was started from, as the person named it: a character folder holds its
// own files and a link to the installed program, so only the folder's path is resolved, never
// the link itself. Started by bare name through PATH, it is the executable's own folder, and so
// it is when the named folder holds no character at all (the installed /usr/bin/tobble link).
std::u16string characterFolder(const std::string& startedAs) {
    if (startedAs.find('/') != std::string::npos) {
        std::error_code error;
        const std::filesystem::path folder =
            std::filesystem::canonical(std::filesystem::path(startedAs).parent_path(), error);
        const std::u16string named = QFile::decodeName(folder.c_str()).toStdU16String();
        const auto holds = [&](const std::u16string& file) {
            return std::filesystem::exists(
                std::filesystem::path(findFileIgnoringCase(named + u"/" + file)), error);
        };
        if (!error && (holds(kConfigFile) || holds(kPictureFile)))
            return named;
    }
    const QFileInfo executable(QStringLiteral("/proc/self/exe"));
    return QFileInfo(executable.canonicalFilePath()).absolutePath().toStdU16String();
}

} // namespace

// Found once, from the directory the program started in: every sound asks for it again.
LinuxPlatform::LinuxPlatform(const std::string& startedAs)
    : directory_(characterFolder(startedAs)) {}

std::u16string LinuxPlatform::programDirectory() {
    return directory_;
}

std::u16string LinuxPlatform::decodeAnsi(std::string_view bytes) {
    return decodeWindows1252(bytes);
}

void LinuxPlatform::endProgram() {
    for (QWidget* window : QApplication::topLevelWidgets())
        window->hide();
    QApplication::exit(0);
}

} // namespace tobble
