#include "commandline.h"
#include "window.h"

#include <dlfcn.h>
#include <unistd.h>

#include <array>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Qt's own options, which QApplication takes out of the arguments when the window opens.
// clang-format off
constexpr auto kQtOptions = std::to_array<WindowOption>({
    { "platform",           "name[:options]", "The windowing system: xcb (X11) or wayland." },
    { "platformpluginpath", "path",           "A further folder of platform plugins." },
    { "platformtheme",      "theme",          "The platform theme, such as gtk3." },
    { "plugin",             "plugin",         "Loads a further plugin, such as an input device's." },
    { "display",            "display",        "The X11 display, in place of DISPLAY." },
    { "geometry",           "geometry",       "On X11, the window's place on the screen." },
    { "qwindowgeometry",    "geometry",       "The window's place on the screen." },
    { "qwindowicon",        "icon",           "The window's icon." },
    { "qwindowtitle",       "title",          "The window's title." },
    { "title",              "title",          "On X11, the window's title." },
    { "name",               "name",           "On X11, the window's resource name." },
    { "session",            "session",        "The session to restore, from a session manager." },
    { "style",              "style",          "The widget style." },
    { "stylesheet",         "file",           "A style sheet for the widgets." },
    { "widgetcount",        "",               "Reports the number of widgets at the end." },
    { "reverse",            "",               "Right to left; the window keeps its fixed layout." },
    { "qmljsdebugger",      "port",           "Qt's QML debugger." },
    { "nograb",             "",               "On X11, never grabs the pointer or the keyboard." },
    { "dograb",             "",               "On X11, grabs them even under a debugger." },
});
// clang-format on

void print(std::FILE *stream, const std::string &text)
{
    std::fwrite(text.data(), 1, text.size(), stream);
}

// The window's module, found from the program's own place: beside it in the build, under lib/ once installed.
int openWindow(int argc, char *argv[])
{
    std::string program(PATH_MAX, '\0');
    const auto length = readlink("/proc/self/exe", program.data(), program.size());
    if (length <= 0 || std::size_t(length) >= program.size()) {
        std::perror("tevrolin: the program cannot find itself in /proc/self/exe");
        return EXIT_FAILURE;
    }
    program.resize(std::size_t(length));
    const auto module = program.substr(0, program.rfind('/') + 1) + TEVROLIN_WINDOW_MODULE;
    void *handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    const auto window = handle ? reinterpret_cast<TevrolinWindow>(dlsym(handle, kTevrolinWindowSymbol)) : nullptr;
    if (!window) {
        std::fprintf(stderr, "tevrolin: the window cannot be loaded: %s\n", dlerror());
        return EXIT_FAILURE;
    }
    return window(argc, argv);
}

} // namespace

int main(int argc, char *argv[])
{
    // Help, the version, a Baud Mode or the table on the terminal, with none of Qt's libraries loaded.
    const std::vector<std::string> arguments(argv, argv + argc);
    const auto answer = answerCommandLine(arguments, { "Qt's options, for the window:", kQtOptions });
    print(stdout, answer.out);
    print(stderr, answer.err);
    return answer.status ? *answer.status : openWindow(argc, argv);
}
