#include "platformchoice.h"

#include <QByteArray>
#include <QScopeGuard>
#include <QtGlobal>

#include <cstdint>
#include <cstring>
#include <string_view>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Where libwayland, and so Qt, connects: WAYLAND_DISPLAY is a socket's name in XDG_RUNTIME_DIR or its whole path.
QByteArray waylandSocket()
{
    QByteArray name = qgetenv("WAYLAND_DISPLAY");
    if (name.isEmpty())
        name = "wayland-0";
    return name.startsWith('/') ? name : qgetenv("XDG_RUNTIME_DIR") + '/' + name;
}

enum class Compositor {
    Unreachable,    // no socket, or nobody behind it: Qt finds the same and goes on to the next platform
    Closed,         // it took the connection and closed it unanswered: Qt's Wayland plugin would end the program
    Silent,         // it took the connection and has not answered: Qt would wait on it
    DrawsTitleBars, // it offers the xdg-decoration protocol, through which Qt asks it for a title bar
    DrawsNone,      // without it Qt draws its own
};

// What the compositor is, asked on a connection of its own, in Wayland's wire format (libwayland would be one more
// library to load at every start): the registry's globals, up to the answer to a sync sent after them.
Compositor askCompositor(const QByteArray &socketPath)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.size() >= qsizetype(sizeof address.sun_path))
        return Compositor::Unreachable;
    std::memcpy(address.sun_path, socketPath.constData(), std::size_t(socketPath.size()));
    const int connection = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (connection < 0)
        return Compositor::Unreachable;
    const auto closeSocket = qScopeGuard([connection] { ::close(connection); });
    if (::connect(connection, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0)
        return Compositor::Unreachable;

    // A message is the object's id, then its size in bytes (header included) above the opcode, then the arguments.
    // To wl_display, object 1: get_registry (opcode 1) as object 2, then sync (opcode 0) as object 3.
    constexpr std::uint32_t kDisplay = 1, kRegistry = 2, kCallback = 3, kHeader = 8;
    constexpr std::uint32_t kRequests[] = { kDisplay, 12 << 16 | 1, kRegistry, kDisplay, 12 << 16 | 0, kCallback };
    if (::send(connection, kRequests, sizeof kRequests, MSG_NOSIGNAL) != qsizetype(sizeof kRequests))
        return Compositor::Closed;

    constexpr int kPatienceMs = 1000; // a compositor answers at once; one that hangs would hang Qt as well
    QByteArray received;
    bool offered = false;
    for (;;) {
        pollfd readable{ connection, POLLIN, 0 };
        char chunk[4096];
        if (::poll(&readable, 1, kPatienceMs) != 1)
            return Compositor::Silent;
        const auto count = ::recv(connection, chunk, sizeof chunk, 0);
        if (count <= 0)
            return Compositor::Closed;
        received.append(chunk, count);
        while (received.size() >= kHeader) {
            std::uint32_t header[2];
            std::memcpy(header, received.constData(), kHeader);
            const std::uint32_t size = header[1] >> 16, opcode = header[1] & 0xFFFF;
            if (size < kHeader || size % 4 != 0)
                return Compositor::Silent; // nothing Qt could read either
            if (std::uint32_t(received.size()) < size)
                break;
            if (header[0] == kCallback)
                return offered ? Compositor::DrawsTitleBars : Compositor::DrawsNone;
            // wl_registry.global (opcode 0): the global's number, its interface as a string (length with the NUL,
            // then the bytes), its version.
            if (header[0] == kRegistry && opcode == 0 && size >= 16) {
                std::uint32_t length = 0;
                std::memcpy(&length, received.constData() + 12, sizeof length);
                if (length > 0 && length <= size - 16) {
                    const std::string_view interface(received.constData() + 16, length - 1);
                    offered = offered || interface == "zxdg_decoration_manager_v1";
                }
            }
            received.remove(0, size);
        }
    }
}

bool closedUnanswered = false;

} // namespace

bool compositorClosedUnanswered()
{
    return closedUnanswered;
}

void choosePlatform(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "-platform" || argument == "--platform")
            return;
    }
    // Qt 6.4 tries Wayland first wherever a session says it is one, GNOME's included, and X11 after it.
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || qgetenv("XDG_SESSION_TYPE") == "wayland";
    // A WAYLAND_SOCKET is a connection handed down to be used once, by Qt.
    if (!wayland || qEnvironmentVariableIsSet("WAYLAND_SOCKET"))
        return;
    const auto compositor = askCompositor(waylandSocket());
    // A compositor that closes the connection unanswered is not tried again: Qt's Wayland plugin would end the program
    // without a word, or only after it had passed the display's messages on. X11 alone, which says in one line when
    // there is no X server either.
    if (compositor == Compositor::Closed) {
        closedUnanswered = true;
        qputenv("QT_QPA_PLATFORM", "xcb");
        return;
    }
    // Wayland stays second, for an X server that cannot be reached; so does a compositor that keeps silent.
    const bool secondChoice = compositor == Compositor::DrawsNone || compositor == Compositor::Silent;
    if (secondChoice && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb;wayland");
}
