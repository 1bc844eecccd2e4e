#include <QApplication>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <netdb.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "platform/linux/LinuxPlatform.h"
#include "ui/qt/MainWindow.h"

namespace {

// One name for the program everywhere a desktop looks for it: the desktop entry (tobble.desktop),
// the Wayland app id, the X11 instance name and the sound events.
constexpr char kApplicationId[] = "tobble";

// Connects a stream socket to an address, giving up after a short wait: a display that does not
// answer at once is not one to start on.
bool connects(int family, const sockaddr* address, socklen_t length) {
    const int fd = socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    bool ok = connect(fd, address, length) == 0;
    if (!ok && errno == EINPROGRESS) {
        pollfd waiting{fd, POLLOUT, 0};
        int error = 0;
        socklen_t size = sizeof error;
        ok = poll(&waiting, 1, 500) == 1 &&
             getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
    }
    close(fd);
    return ok;
}

bool connectsToUnixSocket(const std::string& path, bool abstract) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::size_t offset = abstract ? 1 : 0; // an abstract name starts with a NUL byte
    if (path.size() + offset >= sizeof address.sun_path)
        return false;
    path.copy(address.sun_path + offset, path.size());
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset +
                                               path.size() + (abstract ? 0 : 1));
    return connects(AF_UNIX, reinterpret_cast<const sockaddr*>(&address), length);
}

// True when DISPLAY names an X server that accepts a connection: "[host]:number[.screen]", with
// an empty host or "unix" for the local sockets.
bool xDisplayReachable() {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display)
        return false;
    const std::string text(display);
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos)
        return false;
    std::string host = text.substr(0, colon);
    const std::string number = text.substr(colon + 1, text.find('.', colon) - colon - 1);
    if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos ||
        number.size() > 5)
        return false;
    if (host.rfind("unix/", 0) == 0)
        host.erase(0, 5);
    if (host.empty() || host == "unix") {
        const std::string socket = "/tmp/.X11-unix/X" + number;
        return connectsToUnixSocket(socket, false) || connectsToUnixSocket(socket, true);
    }
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string port = std::to_string(6000 + std::stoi(number));
    if (getaddrinfo(host.c_str(), port.c_str(), &hints, &found) != 0)
        return false;
    bool ok = false;
    for (const addrinfo* a = found; a && !ok; a = a->ai_next)
        ok = connects(a->ai_family, a->ai_addr, a->ai_addrlen);
    freeaddrinfo(found);
    return ok;
}

// Only an X window can stay above the others: Wayland lets no client ask for that. So where an X
// server (Xwayland on a Wayland desktop) can be reached, use it, unless the person chose a Qt
// platform themselves; without one, start natively all the same.
bool preferX11() {
    const char* chosen = std::getenv("QT_QPA_PLATFORM");
    if (chosen && *chosen)
        return false;
    // Wayland stays the fallback, for an X server that answers but refuses the connection.
    return xDisplayReachable() && setenv("QT_QPA_PLATFORM", "xcb;wayland", 1) == 0;
}

} // namespace

int main(int argc, char* argv[]) {
    // The program takes no command line: Qt gets only a name, so none of its own options
    // (-reverse, -style, -platform, ...) can change the window. The name is the application id
    // rather than argv[0], so that a character's link with any name still belongs to Tobble.
    const std::string startedAs = argc > 0 && argv[0] ? argv[0] : "";
    char name[] = "tobble";
    char* qtArguments[] = {name, nullptr};
    int qtArgumentCount = 1;

    const bool x11ChosenHere = preferX11();
    QApplication app(qtArgumentCount, qtArguments);
    if (x11ChosenHere)
        unsetenv("QT_QPA_PLATFORM"); // an editor started from the menu picks its own platform
    QApplication::setApplicationName(QStringLiteral("Tobble"));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kApplicationId));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/tobble.png")));

    tobble::LinuxPlatform platform(startedAs);
    tobble::MainWindow window(platform);
    platform.setMainWindow(&window);
    window.showCentred();
    return app.exec();
}
