// A character of the user's own: a folder in ~/Tobble with a link to this program, started
// through the link, and a desktop entry in the user's applications folder.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

#include "base/Failure.h"
#include "base/NewFolders.h"
#include "frontend/qt/platform/LinuxPlatform.h"
#include "frontend/qt/platform/QtText.h"

namespace tobble {

namespace {

constexpr char kLinkName[] = "tobble";

// A value of type string: backslash and line breaks escaped.
QString escaped(QString text) {
    return text.replace('\\', "\\\\")
        .replace('\n', "\\n")
        .replace('\t', "\\t")
        .replace('\r', "\\r");
}

// One argument of Exec: quoted, with the characters a quoted argument reserves escaped, and
// '%' doubled, before the string escaping that every value gets.
QString execArgument(const QString& path) {
    QString quoted = "\"";
    for (const QChar c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        quoted += c == '%' ? QStringLiteral("%%") : QString(c);
    }
    return escaped(quoted + '"');
}

QString desktopEntry(const QString& name, const QString& link, const QString& folder) {
    return "[Desktop Entry]\nType=Application\nName=" + escaped(name) +
           "\nComment=" + escaped("Tobble with the character in " + folder) +
           "\nExec=" + execArgument(link) + "\nPath=" + escaped(folder) +
           "\nIcon=tobble\nTerminal=false\nCategories=Game;Amusement;\n";
}

// Desktop file names keep to letters, digits, '-' and '_'.
std::u16string desktopFileStem(const std::u16string& name) {
    std::u16string stem = u"tobble-";
    for (const char16_t c : name) {
        const bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                           (c >= u'0' && c <= u'9') || c == u'_';
        stem += plain ? c : u'-';
    }
    return stem;
}

QString applicationsFolder() {
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty() || QDir::isRelativePath(data))
        data = QDir::homePath() + "/.local/share";
    return data + "/applications";
}

} // namespace

bool LinuxPlatform::mayWrite(const std::u16string& path) {
    return faccessat(AT_FDCWD, QFile::encodeName(toQString(path)).constData(), W_OK, AT_EACCESS) ==
           0;
}

std::u16string LinuxPlatform::ownCharactersFolder() {
    return (QDir::homePath() + "/Tobble").toStdU16String();
}

void LinuxPlatform::makeStartable(const std::u16string& folder, const std::u16string& name) {
    const QString program = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    const QString link = toQString(folder) + "/" + kLinkName;
    std::error_code error;
    std::filesystem::create_symlink(QFile::encodeName(program).toStdString(),
                                    QFile::encodeName(link).toStdString(), error);
    if (error)
        throw Failure(systemDescription(error), link.toStdU16String());

    const std::filesystem::path applications = applicationsFolder().toStdU16String();
    const std::filesystem::path createdAbove = createFolders(applications);
    QSaveFile entry(
        toQString(freeFileName(applications, desktopFileStem(name), u".desktop").u16string()));
    if (!entry.open(QIODevice::WriteOnly) ||
        entry.write(desktopEntry(toQString(name), link, toQString(folder)).toUtf8()) < 0 ||
        !entry.commit()) {
        const std::u16string description = entry.errorString().toStdU16String();
        entry.cancelWriting();
        removeQuietly(createdAbove);
        throw Failure(description, entry.fileName().toStdU16String());
    }
}

void LinuxPlatform::startCharacter(const std::u16string& folder) {
    QProcess process;
    process.setProgram(toQString(folder) + "/" + kLinkName);
    process.setWorkingDirectory(toQString(folder));
    if (!process.startDetached())
        throw Failure(process.errorString().toStdU16String());
}

} // namespace tobble
