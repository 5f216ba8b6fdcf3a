// Times the start-up of a program with one top-level X window: from the exec to the window being mapped, and to the
// first drawing into it, and reads the program's peak resident memory (VmHWM) at that moment. Prints one line,
//     map_ms=41.207 paint_ms=47.830 vmhwm_kib=38412
// then kills the program. Run it on an X server without a window manager (such as Xvfb), where every top-level window
// is a direct child of the root: the window is the one whose MapNotify the root reports and whose _NET_WM_PID, which
// the toolkit sets, is the program's own (so the program must open the window itself, not through a wrapper). The
// clock starts just before the fork.
//
// Usage: launchtimer [--timeout SECONDS] PROGRAM [ARGUMENT...]

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kDefaultTimeoutSeconds = 10;

pid_t g_child = 0; // never outlives the timer, whichever way it ends

void endChild()
{
    if (g_child > 0) {
        kill(g_child, SIGKILL);
        waitpid(g_child, nullptr, 0);
        g_child = 0;
    }
}

[[noreturn]] void fail(const std::string &message)
{
    endChild();
    std::fprintf(stderr, "launchtimer: %s\n", message.c_str());
    std::exit(EXIT_FAILURE);
}

// A window that is mapped and gone again before its _NET_WM_PID is read is not the program's; every other error ends
// the measurement.
int onXError(Display *display, XErrorEvent *error)
{
    if (error->error_code == BadWindow)
        return 0;
    char text[256];
    XGetErrorText(display, error->error_code, text, sizeof text);
    fail(std::string("X error: ") + text);
}

bool overlap(const XRectangle &a, const XRectangle &b)
{
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The peak resident set of the process in KiB, or nothing once it has gone.
std::optional<long> peakResidentKib(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmHWM:"))
            return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return std::nullopt;
}

std::optional<pid_t> windowPid(Display *display, Window window, Atom netWmPid)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char *data = nullptr;
    if (XGetWindowProperty(display, window, netWmPid, 0, 1, False, XA_CARDINAL, &type, &format, &count, &remaining,
                           &data) != Success)
        return std::nullopt;
    std::optional<pid_t> pid;
    if (data && type == XA_CARDINAL && format == 32 && count == 1)
        pid = pid_t(*reinterpret_cast<unsigned long *>(data)); // Xlib hands 32-bit items over as longs
    if (data)
        XFree(data);
    return pid;
}

// Starts the program and returns its pid once the exec has succeeded; a failed exec is reported through a pipe that
// the exec would have closed.
pid_t launch(Display *display, char **command)
{
    int execFailure[2];
    if (pipe2(execFailure, O_CLOEXEC) != 0)
        fail(std::string("pipe: ") + std::strerror(errno));
    const pid_t child = fork();
    if (child < 0)
        fail(std::string("fork: ") + std::strerror(errno));
    if (child == 0) {
        close(execFailure[0]);
        close(ConnectionNumber(display));
        execvp(command[0], command);
        const int error = errno;
        [[maybe_unused]] const auto written = write(execFailure[1], &error, sizeof error);
        _exit(127);
    }
    close(execFailure[1]);
    int error = 0;
    if (read(execFailure[0], &error, sizeof error) == sizeof error) {
        waitpid(child, nullptr, 0);
        fail(std::string("cannot run ") + command[0] + ": " + std::strerror(error));
    }
    close(execFailure[0]);
    return child;
}

} // namespace

int main(int argc, char *argv[])
{
    double timeoutSeconds = kDefaultTimeoutSeconds;
    int first = 1;
    if (first + 1 < argc && std::string_view(argv[first]) == "--timeout") {
        timeoutSeconds = std::strtod(argv[first + 1], nullptr);
        first += 2;
    }
    if (first < argc && std::string_view(argv[first]) == "--")
        ++first;
    if (first >= argc || timeoutSeconds <= 0)
        fail("usage: launchtimer [--timeout SECONDS] PROGRAM [ARGUMENT...]");

    Display *display = XOpenDisplay(nullptr);
    if (!display)
        fail("cannot open the X display");
    int damageEventBase = 0, damageErrorBase = 0;
    if (!XDamageQueryExtension(display, &damageEventBase, &damageErrorBase))
        fail("the X server lacks the DAMAGE extension");
    XSetErrorHandler(onXError);
    const Atom netWmPid = XInternAtom(display, "_NET_WM_PID", False);
    const Window root = DefaultRootWindow(display);
    // Both selected before the launch, so that nothing slips by unseen. The damage is the whole screen's, which takes
    // in the drawing into every window: one made on the program's window after its MapNotify could come too late, as
    // the program may already be drawing by the time this process runs on a busy machine.
    XSelectInput(display, root, SubstructureNotifyMask);
    const Damage screenDamage = XDamageCreate(display, root, XDamageReportRawRectangles);
    XSync(display, False);
    // Creating it reports the whole screen as damaged; that is no one's drawing.
    XDamageSubtract(display, screenDamage, None, None);
    XSync(display, False);
    for (XEvent event; XCheckTypedEvent(display, damageEventBase + XDamageNotify, &event);) {
    }

    const auto start = Clock::now();
    const pid_t child = launch(display, argv + first);
    g_child = child;
    // Readable when the child ends, so that a crash before the first paint is seen at once rather than at the timeout.
    const int childExit = int(syscall(SYS_pidfd_open, child, 0));
    if (childExit < 0)
        fail(std::string("pidfd_open: ") + std::strerror(errno));

    Window window = None;
    XRectangle bounds{}; // the window's, on the screen
    double mapMs = 0, paintMs = 0;
    std::optional<long> peakKib;
    const auto deadline =
        start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(timeoutSeconds));
    while (!peakKib) {
        while (!peakKib && XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            const double receivedMs = millisecondsSince(start); // before the round trip that reads _NET_WM_PID
            if (event.type == MapNotify && window == None && !event.xmap.override_redirect &&
                windowPid(display, event.xmap.window, netWmPid) == child) {
                mapMs = receivedMs;
                window = event.xmap.window;
                XWindowAttributes attributes;
                if (!XGetWindowAttributes(display, window, &attributes))
                    fail("the program's window vanished as it was mapped");
                bounds = { short(attributes.x), short(attributes.y), (unsigned short)(attributes.width),
                           (unsigned short)(attributes.height) };
            } else if (event.type == damageEventBase + XDamageNotify && window != None &&
                       overlap(reinterpret_cast<XDamageNotifyEvent &>(event).area, bounds)) {
                paintMs = receivedMs;
                peakKib = peakResidentKib(child);
                if (!peakKib)
                    fail("cannot read the VmHWM of the program");
            }
        }
        if (peakKib)
            break;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            fail(window == None ? "timed out before the window was mapped" : "timed out before the first paint");
        pollfd waitFor[] = { { ConnectionNumber(display), POLLIN, 0 }, { childExit, POLLIN, 0 } };
        if (poll(waitFor, 2, int(left)) < 0 && errno != EINTR)
            fail(std::string("poll: ") + std::strerror(errno));
        if (waitFor[1].revents & POLLIN) {
            int status = 0;
            waitpid(child, &status, 0);
            g_child = 0;
            fail("the program ended before its first paint (wait status " + std::to_string(status) + ")");
        }
    }

    endChild();
    XCloseDisplay(display);
    std::printf("map_ms=%.3f paint_ms=%.3f vmhwm_kib=%ld\n", mapMs, paintMs, *peakKib);
    return EXIT_SUCCESS;
}
