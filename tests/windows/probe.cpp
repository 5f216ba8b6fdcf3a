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
//   unfocus        takes the focus from the window, as a click on another program's window does
//   rects          "rect" CAPTION X Y WIDTH HEIGHT for each control: its place on the screen
//   ink PIXELS smooth|plain TEXT
//                  the width of TEXT's ink in Tahoma PIXELS high, smoothed as the system smooths text or not at all:
//                  the reference for the captions as the window draws them
//   copy TEXT      puts the text on the clipboard
//   destroy CAPTION  WM_CLOSE to the control, as any program may send it: the control's own procedure destroys it
//   events         what a screen reader is told: the WinEvents of the window's process since the last "events", in
//                  order, one "event" line each: EVENT (hexadecimal) NAME (a live region's accessible name at
//                  delivery) OBJECT CHILD; the first starts listening and answers none
//   accessible     the window's controls as oleacc presents them, one "accessible" line each: CAPTION NAME ROLE
//                  STATE (role and state as numbers), or CAPTION and the failure's HRESULT
//   placement      "placement" WINDOW (its rectangle, title bar and border included) WORK (its monitor's work area);
//                  "default" CAPTION (of the control that DM_GETDEFID names) TYPE (Calculate's BS_ button type)
#include <windows.h>

#include <oleacc.h>

#include <algorithm>
#include <future>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

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

void unfocus()
{
    static HWND other =
        CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP | WS_VISIBLE, GetSystemMetrics(SM_CXSCREEN) - 8,
                        GetSystemMetrics(SM_CYSCREEN) - 8, 8, 8, nullptr, nullptr, nullptr, nullptr);
    // A click gives the window its focus back without bringing it to the front: to the front first, then behind.
    for (HWND front : { g_window, other }) {
        SetForegroundWindow(front);
        for (int wait = 0; wait < 200 && GetForegroundWindow() != front; ++wait) {
            for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);)
                DispatchMessageW(&message);
            Sleep(10);
        }
    }
}

void rects()
{
    children(g_window, [](HWND child) {
        RECT r{};
        GetWindowRect(child, &r);
        std::cout << "rect\t" << text(child) << '\t' << r.left << '\t' << r.top << '\t' << r.right - r.left << '\t'
                  << r.bottom - r.top << '\n';
    });
}

// The width of the ink that `text` leaves on white, drawn in Tahoma `pixels` high, smoothed as the system smooths text
// or not at all.
int inkWidth(int pixels, bool smooth, const std::string &text)
{
    LOGFONTW font{};
    font.lfHeight = -pixels;
    font.lfQuality = smooth ? DEFAULT_QUALITY : NONANTIALIASED_QUALITY;
    lstrcpyW(font.lfFaceName, L"Tahoma");
    const int width = pixels * int(text.size() + 2), height = 3 * pixels;
    BITMAPINFO info{ { sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0 }, {} };
    void *bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ oldBitmap = SelectObject(dc, CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    HGDIOBJ oldFont = SelectObject(dc, CreateFontIndirectW(&font));
    PatBlt(dc, 0, 0, width, height, WHITENESS);
    SetBkMode(dc, TRANSPARENT);
    TextOutA(dc, pixels, pixels, text.c_str(), int(text.size()));
    GdiFlush();
    int left = width, right = -1;
    for (int i = 0; i < width * height; ++i)
        if ((static_cast<const DWORD *>(bits)[i] & 0xFFFFFF) != 0xFFFFFF)
            left = std::min(left, i % width), right = std::max(right, i % width);
    DeleteObject(SelectObject(dc, oldFont));
    DeleteObject(SelectObject(dc, oldBitmap));
    DeleteDC(dc);
    return right - left + 1;
}

void copy(const std::string &text)
{
    if (!OpenClipboard(nullptr))
        return;
    EmptyClipboard();
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t))) {
        std::ranges::copy(text.c_str(), text.c_str() + text.size() + 1, static_cast<wchar_t *>(GlobalLock(memory)));
        GlobalUnlock(memory);
        SetClipboardData(CF_UNICODETEXT, memory);
    }
    CloseClipboard();
}

struct Releaser {
    void operator()(IUnknown *object) const { object->Release(); }
};

// The accessible object's name, role and state, as a screen reader asks them; the HRESULT where there is none.
std::string describe(IAccessible *found, HRESULT result, VARIANT child)
{
    const std::unique_ptr<IAccessible, Releaser> object(found);
    if (FAILED(result) || !object) {
        char code[16];
        wsprintfA(code, "%08lx", result);
        return code;
    }
    BSTR name = nullptr;
    VARIANT role{}, state{};
    object->get_accName(child, &name);
    object->get_accRole(child, &role);
    object->get_accState(child, &state);
    std::string line;
    for (const wchar_t *c = name; c && *c; ++c)
        line += char(*c);
    SysFreeString(name);
    return line + '\t' + std::to_string(role.vt == VT_I4 ? role.lVal : -1) + '\t' +
           std::to_string(state.vt == VT_I4 ? state.lVal : -1);
}

void accessible()
{
    // COM once the window is up: under Wine, a probe that entered it while the program started left the window
    // without the focus.
    static const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    (void)com;
    children(g_window, [](HWND child) {
        IAccessible *object = nullptr;
        const HRESULT result = AccessibleObjectFromWindow(child, DWORD(OBJID_CLIENT), __uuidof(IAccessible),
                                                          reinterpret_cast<void **>(&object));
        VARIANT self{};
        self.vt = VT_I4; // CHILDID_SELF
        std::cout << "accessible\t" << text(child) << '\t' << describe(object, result, self) << '\n';
    });
}

// Out-of-context WinEvents of the window's process, delivered to a thread of this process that waits for them as a
// screen reader's does, and read there as a screen reader reads them. Not WINEVENT_SKIPOWNPROCESS, which Wine reads
// as "skip every other process".
class Listener {
public:
    explicit Listener(DWORD process)
    {
        std::promise<DWORD> listening;
        std::thread([&listening, process] { run(process, listening); }).detach();
        m_thread = listening.get_future().get();
    }
    // Prints the events delivered so far. They come in their own time but in order, and after every event raised
    // before this call comes this request, which the listening thread answers.
    void report() const
    {
        std::promise<void> done;
        PostThreadMessageW(m_thread, WM_APP, 0, reinterpret_cast<LPARAM>(&done));
        done.get_future().wait();
    }

private:
    static void run(DWORD process, std::promise<DWORD> &listening)
    {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        SetWinEventHook(EVENT_MIN, EVENT_MAX, nullptr, &Listener::hook, process, 0, WINEVENT_OUTOFCONTEXT);
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE); // the thread's queue, for the requests
        listening.set_value(GetCurrentThreadId());
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            if (message.message == WM_APP) {
                for (const auto &line : s_events)
                    std::cout << "event\t" << line << '\n';
                s_events.clear();
                reinterpret_cast<std::promise<void> *>(message.lParam)->set_value();
            }
            DispatchMessageW(&message);
        }
    }
    static void CALLBACK hook(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD)
    {
        // The object named only where a screen reader speaks it: asking costs the window a round trip per event.
        std::string described;
        if (event == EVENT_OBJECT_LIVEREGIONCHANGED) {
            IAccessible *found = nullptr;
            VARIANT which{};
            const HRESULT result = AccessibleObjectFromEvent(window, DWORD(object), DWORD(child), &found, &which);
            described = describe(found, result, which);
        }
        char code[16];
        wsprintfA(code, "%04lx", event);
        s_events.push_back(std::string(code) + '\t' + described.substr(0, described.find('\t')) + '\t' +
                           std::to_string(object) + '\t' + std::to_string(child));
    }

    static inline std::vector<std::string> s_events; // the listening thread's alone
    DWORD m_thread = 0;
};

void placement()
{
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(g_window, MONITOR_DEFAULTTONEAREST), &monitor);
    const auto &work = monitor.rcWork;
    std::cout << "placement\t" << rect(g_window) << '\t' << work.left << ',' << work.top << ','
              << work.right - work.left << ',' << work.bottom - work.top << '\n';
    const auto reply = SendMessageW(g_window, DM_GETDEFID, 0, 0);
    std::string named;
    LONG type = -1;
    children(g_window, [&](HWND child) {
        named += HIWORD(reply) == DC_HASDEFID && GetDlgCtrlID(child) == LOWORD(reply) ? text(child) : "";
        type = kind(child) == std::string("button") ? GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK : type;
    });
    std::cout << "default\t" << named << '\t' << type << '\n';
}

} // namespace

int main()
{
    std::cout << std::boolalpha;
    std::unique_ptr<Listener> listener;
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
        } else if (line == "unfocus") {
            unfocus();
        } else if (line == "rects") {
            rects();
        } else if (line.starts_with("ink ")) {
            const auto smoothing = line.find(' ', 4) + 1, caption = line.find(' ', smoothing) + 1;
            std::cout << inkWidth(std::stoi(argument), line.compare(smoothing, 6, "smooth") == 0, line.substr(caption))
                      << '\n';
        } else if (line == "close") {
            PostMessageW(g_window, WM_CLOSE, 0, 0);
        } else if (line.starts_with("copy ")) {
            copy(argument);
        } else if (line.starts_with("destroy ")) {
            PostMessageW(control(argument), WM_CLOSE, 0, 0);
        } else if (line == "events" && (listener || g_window)) {
            DWORD process = 0;
            GetWindowThreadProcessId(g_window, &process);
            listener = listener ? std::move(listener) : std::make_unique<Listener>(process);
            listener->report();
        } else if (line == "accessible") {
            accessible();
        } else if (line == "placement") {
            placement();
        }
    }
}
