// Reads the running Tevrolin window from another process, as an assistive tool does, and presses its buttons with
// their own message. Commands come one a line on standard input; answers are tab-separated lines, then "end".
//
//   state          "window" X Y WIDTH HEIGHT (the client area on the screen) DPI ENABLED FOCUS; one
//                  "control" line each: CAPTION KIND CONTAINER ENABLED CHECKED; "box" TITLE TEXT BUTTONS ICON RECT
//                  for a box the window owns (its buttons' captions each followed by a comma) (rectangles as
//                  X,Y,WIDTH,HEIGHT, the text's line breaks as \r\n)
//   send CAPTION   a click on the control of the window or its box, answered "done" once its handler has run, "busy"
//                  while it waits in a box
//   click CAPTION  the same click, posted
//   clipboard      the clipboard's text
//   close          closes the window, as its title bar's close button does
#include <windows.h>

#include <iostream>
#include <map>
#include <string>

namespace {

HWND g_window = nullptr;

std::string text(HWND window)
{
    wchar_t wide[256] = {};
    GetWindowTextW(window, wide, 256); // WM_GETTEXT, which Windows carries between processes
    std::string narrow;
    for (const wchar_t *c = wide; *c; ++c) // the window's texts are ASCII
        narrow += *c == L'\r' ? "\\r" : *c == L'\n' ? "\\n" : std::string(1, char(*c));
    return narrow;
}

std::string rect(HWND window)
{
    RECT r{};
    GetWindowRect(window, &r);
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right - r.left) + "," +
           std::to_string(r.bottom - r.top);
}

const char *kind(HWND control)
{
    wchar_t name[16] = {};
    GetClassNameW(control, name, 16);
    const auto type = GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
    if (lstrcmpiW(name, L"Button") != 0)
        return (GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK) == SS_ICON ? "icon" : "label";
    return type == BS_GROUPBOX ? "frame" : type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON ? "option" : "button";
}

// Calls `each` for every window inside `parent`, frames' contents included.
template <class Each> void children(HWND parent, Each each)
{
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM call) -> BOOL {
            (*reinterpret_cast<Each *>(call))(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&each));
}

HWND box();

// The window's control with this caption, or the box's. The window's captions stay as they are, but the result's.
HWND control(const std::string &caption)
{
    static std::map<std::string, HWND> known;
    if (IsWindow(known[caption]) && GetAncestor(known[caption], GA_ROOT) == g_window)
        return known[caption];
    HWND found = nullptr;
    for (HWND parent : { g_window, box() })
        if (parent)
            children(parent, [&](HWND child) { found = found ? found : text(child) == caption ? child : nullptr; });
    return known[caption] = found;
}

HWND box()
{
    std::pair<HWND, HWND> search{ g_window, nullptr };
    EnumWindows(
        [](HWND window, LPARAM into) -> BOOL {
            auto &[owner, found] = *reinterpret_cast<std::pair<HWND, HWND> *>(into);
            found = GetWindow(window, GW_OWNER) == owner && IsWindowVisible(window) ? window : found;
            return !found;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.second;
}

std::string clipboard()
{
    std::string copied;
    if (OpenClipboard(nullptr)) {
        if (HANDLE data = GetClipboardData(CF_UNICODETEXT))
            for (auto *c = static_cast<const wchar_t *>(GlobalLock(data)); *c; ++c)
                copied += char(*c);
        CloseClipboard();
    }
    return copied;
}

void state()
{
    if (!g_window || !IsWindowVisible(g_window))
        return;
    POINT origin{};
    ClientToScreen(g_window, &origin);
    RECT client{};
    GetClientRect(g_window, &client);
    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    GetGUIThreadInfo(GetWindowThreadProcessId(g_window, nullptr), &thread);
    std::cout << "window\t" << origin.x << '\t' << origin.y << '\t' << client.right << '\t' << client.bottom << '\t'
              << GetDpiForWindow(g_window) << '\t' << bool(IsWindowEnabled(g_window)) << '\t'
              << (thread.hwndFocus ? text(thread.hwndFocus) : "") << '\n';
    children(g_window, [](HWND child) {
        std::cout << "control\t" << text(child) << '\t' << kind(child) << '\t' << text(GetParent(child)) << '\t'
                  << bool(IsWindowEnabled(child)) << '\t' << (SendMessageW(child, BM_GETCHECK, 0, 0) == BST_CHECKED)
                  << '\n';
    });
    if (HWND shown = box()) {
        std::string texts, buttons, icon;
        children(shown, [&](HWND child) {
            const std::string what = kind(child);
            (what == "button" ? buttons : what == "icon" ? icon : texts) += what == "icon" ? rect(child) : text(child);
            buttons += what == "button" ? "," : "";
        });
        std::cout << "box\t" << text(shown) << '\t' << texts << '\t' << buttons << '\t' << icon << '\t' << rect(shown)
                  << '\n';
    }
}

} // namespace

int main()
{
    std::cout << std::boolalpha;
    for (std::string line; std::getline(std::cin, line); std::cout << "end" << std::endl) {
        const auto argument = line.substr(line.find(' ') + 1);
        g_window = FindWindowW(L"Tevrolin", L"Tevrolin");
        if (line == "state") {
            state();
        } else if (line == "clipboard") {
            std::cout << clipboard() << '\n';
        } else if (line.starts_with("send ")) {
            DWORD_PTR ignored = 0;
            std::cout << (SendMessageTimeoutW(control(argument), BM_CLICK, 0, 0, SMTO_NORMAL, 300, &ignored) ? "done"
                                                                                                             : "busy")
                      << '\n';
        } else if (line.starts_with("click ")) {
            PostMessageW(control(argument), BM_CLICK, 0, 0);
        } else if (line == "close") {
            PostMessageW(g_window, WM_CLOSE, 0, 0);
        }
    }
}
