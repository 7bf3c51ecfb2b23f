#include "display.h"

#include <QRegularExpression>
#include <QString>

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <string>

namespace {

// Whether something accepts a connection at the address within timeoutMs.
bool accepts(const sockaddr *address, socklen_t length, int family, int timeoutMs)
{
    const int fd = ::socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    bool connected = ::connect(fd, address, length) == 0 ||
                     (family == AF_UNIX && errno == EAGAIN); // a server with a full backlog
    if (!connected && errno == EINPROGRESS) {
        pollfd waiting{fd, POLLOUT, 0};
        int error = 0;
        socklen_t size = sizeof error;
        connected = ::poll(&waiting, 1, timeoutMs) == 1 &&
                    ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
    }
    ::close(fd);
    return connected;
}

// A socket in the file system, or (with a leading '@') in Linux's abstract namespace.
bool unixSocketAccepts(const std::string &path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.data(), path.size());
    const bool abstract = path.front() == '@';
    if (abstract)
        address.sun_path[0] = '\0';
    const auto length = socklen_t(offsetof(sockaddr_un, sun_path) + path.size() + !abstract);
    return accepts(reinterpret_cast<const sockaddr *>(&address), length, AF_UNIX, 1000);
}

bool tcpAccepts(const std::string &host, int port)
{
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0)
        return false;
    bool reached = false;
    for (const addrinfo *a = found; a && !reached; a = a->ai_next)
        reached = accepts(a->ai_addr, a->ai_addrlen, a->ai_family, 2000);
    ::freeaddrinfo(found);
    return reached;
}

// Without a display Qt aborts with a core dump and advises reinstalling; it also does so when
// DISPLAY names an X server that nobody answers for (a closed ssh session's "localhost:10.0").
// So the X server is tried first, the way Xlib finds it.
} // namespace

bool displayAvailable()
{
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && platform != QLatin1String("xcb") &&
        !platform.startsWith(QLatin1String("xcb:")))
        return true;
    if (platform.isEmpty() && qEnvironmentVariableIsSet("WAYLAND_DISPLAY"))
        return true;
    const QString display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty())
        return false;
    // [protocol/][host]:display[.screen], the host a name, an address or [IPv6 address];
    // any other form is left to Qt.
    static const QRegularExpression form(
        QStringLiteral("^(?:(\\w+)/)?(\\[[^\\]]*\\]|[^:]*):(\\d+)(?:\\.\\d+)?$"));
    const QRegularExpressionMatch parts = form.match(display);
    if (!parts.hasMatch())
        return true;
    const QString protocol = parts.captured(1);
    QString host = parts.captured(2);
    const int number = parts.captured(3).toInt();
    if (host.startsWith(QLatin1Char('/')))
        return true; // a socket path of its own, which Xlib reads in more than one way
    if ((host.isEmpty() || host == QLatin1String("unix")) && protocol != QLatin1String("tcp")) {
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
        if (unixSocketAccepts('@' + socket) || unixSocketAccepts(socket))
            return true;
        if (!host.isEmpty() || !protocol.isEmpty())
            return false; // ":N" alone falls back to TCP on this machine, as Xlib does
    }
    if (host.startsWith(QLatin1Char('[')))
        host = host.mid(1, host.size() - 2);
    return tcpAccepts(host.isEmpty() ? "localhost" : host.toStdString(), 6000 + number);
}

bool standardErrorIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}
