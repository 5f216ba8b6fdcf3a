// Reads the running Tevrolin window from another process, as an assistive tool does, and clicks its controls with
// the buttons' own messages. Commands come one a line on standard input; each answer is one line of JSON.
//
//   state          the window: its client area on the screen, its DPI and enabled state; each control by caption with
//                  its kind, container, enabled and checked state and screen rectangle; the focus; the message box
//                  it owns, if any; the clipboard's text
//   click CAPTION  a click on the control, posted
//   sweep          every module, rate, parity and polarity through clicks and Calculate, against the worked results
//   close          closes the window, as its title bar's close button does
#include "form1.h"
#include "workedresults.h"

#include <algorithm>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

// As a JSON string; the window's texts are ASCII.
std::string quote(const std::wstring &text)
{
    std::ostringstream out;
    out << '"';
    for (const wchar_t c : text) {
        if (c == L'"' || c == L'\\')
            out << '\\';
        if (c == L'\r' || c == L'\n')
            out << (c == L'\r' ? "\\r" : "\\n");
        else
            out << char(c);
    }
    out << '"';
    return out.str();
}

std::wstring textOf(HWND window)
{
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256); // WM_GETTEXT, which Windows carries between processes
    return text;
}

// A window by its text, or by its class where it has none.
std::wstring nameOf(HWND window)
{
    wchar_t name[64] = L"<";
    GetClassNameW(window, name + 1, 62);
    return textOf(window).empty() ? std::wstring(name) + L">" : textOf(window);
}

std::string rectOf(HWND window)
{
    RECT r{};
    GetWindowRect(window, &r);
    std::ostringstream out;
    out << '[' << r.left << ',' << r.top << ',' << r.right - r.left << ',' << r.bottom - r.top << ']';
    return out.str();
}

HWND mainWindow()
{
    return FindWindowW(L"Tevrolin", L"Tevrolin");
}

std::map<std::wstring, HWND> controlsByCaption(HWND main)
{
    std::map<std::wstring, HWND> found;
    EnumChildWindows(
        main,
        [](HWND child, LPARAM into) -> BOOL {
            (*reinterpret_cast<std::map<std::wstring, HWND> *>(into))[textOf(child)] = child;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

const char *kindOf(HWND control)
{
    wchar_t name[32] = {};
    GetClassNameW(control, name, 32);
    const auto type = GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
    if (std::wstring(name) != L"Button")
        return "label";
    return type == BS_GROUPBOX ? "frame" : type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON ? "option" : "button";
}

HWND ownedBox(HWND main)
{
    std::pair<HWND, HWND> search{ main, nullptr };
    EnumWindows(
        [](HWND window, LPARAM into) -> BOOL {
            auto &[owner, box] = *reinterpret_cast<std::pair<HWND, HWND> *>(into);
            if (GetWindow(window, GW_OWNER) == owner && IsWindowVisible(window))
                box = window;
            return box == nullptr;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.second;
}

// Items joined by commas, for JSON arrays and objects.
struct List {
    List() { out << std::boolalpha; }
    std::ostringstream out;
    std::ostream &next()
    {
        if (any)
            out << ',';
        any = true;
        return out;
    }
    std::string str() const { return out.str(); }
    bool any = false;
};

std::string boxState(HWND box)
{
    List texts, buttons;
    std::string icon = "null";
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (std::string(kindOf(child)) == "button")
            buttons.next() << quote(textOf(child));
        else if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            icon = rectOf(child);
        else if (!textOf(child).empty())
            texts.next() << quote(textOf(child));
    }
    std::ostringstream out;
    out << "{\"title\":" << quote(textOf(box)) << ",\"texts\":[" << texts.str() << "],\"buttons\":[" << buttons.str()
        << "],\"icon\":" << icon << ",\"rect\":" << rectOf(box) << '}';
    return out.str();
}

std::string clipboardText()
{
    std::string text = "null";
    if (!OpenClipboard(nullptr))
        return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        text = quote(static_cast<const wchar_t *>(GlobalLock(data)));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

std::string state()
{
    HWND main = mainWindow();
    if (!main || !IsWindowVisible(main))
        return "null";
    POINT origin{};
    ClientToScreen(main, &origin);
    RECT client{};
    GetClientRect(main, &client);
    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &thread);

    List controls;
    for (const auto &[caption, control] : controlsByCaption(main))
        controls.next() << quote(caption) << ":{\"kind\":\"" << kindOf(control)
                        << "\",\"parent\":" << quote(textOf(GetParent(control)))
                        << ",\"enabled\":" << bool(IsWindowEnabled(control))
                        << ",\"checked\":" << (SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED)
                        << ",\"rect\":" << rectOf(control) << '}';
    HWND box = ownedBox(main);
    std::ostringstream out;
    out << std::boolalpha << "{\"client\":[" << origin.x << ',' << origin.y << ',' << client.right << ','
        << client.bottom << "],\"dpi\":" << GetDpiForWindow(main) << ",\"enabled\":" << bool(IsWindowEnabled(main))
        << ",\"controls\":{" << controls.str()
        << "},\"focus\":" << (thread.hwndFocus ? quote(nameOf(thread.hwndFocus)) : "null")
        << ",\"box\":" << (box ? boxState(box) : "null") << ",\"clipboard\":" << clipboardText() << '}';
    return out.str();
}

// Every combination a user can reach, each as a user reaches it: a BS2 first so that every rate can be chosen, the
// rate, parity and polarity, then the module, so that a BS1 meets the fast rates it refuses; then Calculate. Answers
// the number of combinations and each one whose result differs from the worked results.
std::string sweep()
{
    struct Model {
        const wchar_t *caption;
        int column; // of the worked results; -1 for a BS1
    };
    const Model models[] = { { L"BS1", -1 }, { L"BS2", 0 },   { L"BS2e", 0 }, { L"BS2sx", 1 },
                             { L"BS2p", 1 }, { L"BS2pe", 0 }, { L"BS2px", 2 } };
    const std::pair<const wchar_t *, int> parities[] = { { L"8 bit, no parity", 0 }, { L"7 bit, even parity", 8192 } };
    const std::pair<const wchar_t *, int> polarities[] = { { L"Inverted", 16384 }, { L"True", 0 } };

    HWND main = mainWindow();
    auto controls = controlsByCaption(main);
    HWND calculate = controls.at(L"Calculate Baud Mode ");
    const auto labelRow = std::ranges::find(kControls, controls::BaudModeDecimalLabel, &ControlRow::name);
    HWND label = GetDlgItem(main, kFirstControlId + int(labelRow - kControls.begin()));
    const auto click = [&](const std::wstring &caption) { SendMessageW(controls.at(caption), BM_CLICK, 0, 0); };
    const auto waitFor = [](auto done) {
        for (int i = 0; i < 200 && !done(); ++i)
            Sleep(10);
        return done();
    };

    int combinations = 0;
    List wrong;
    for (const auto &model : models)
        for (const auto &result : kWorkedResults)
            for (const auto &[parity, parityValue] : parities)
                for (const auto &[polarity, polarityValue] : polarities) {
                    const auto rate = std::to_wstring(int(result.rate));
                    for (const auto &caption : { std::wstring(L"BS2"), rate, std::wstring(parity),
                                                 std::wstring(polarity), std::wstring(model.caption) })
                        click(caption);
                    std::wstring expected;
                    if (model.column >= 0) {
                        const int worked[] = { result.at1000000, result.at2500000, result.at4000000 };
                        expected = std::to_wstring(worked[model.column] + parityValue + polarityValue);
                    } else if (result.rate <= 2400) {
                        expected = (polarityValue ? L"N" : L"T") + rate;
                    }
                    // A refused rate's handler waits in its box, which is closed here; any other click returns
                    // once its handler is done.
                    std::wstring got;
                    DWORD_PTR ignored = 0;
                    if (expected.empty())
                        PostMessageW(calculate, BM_CLICK, 0, 0);
                    if (expected.empty() ||
                        !SendMessageTimeoutW(calculate, BM_CLICK, 0, 0, SMTO_NORMAL, 2000, &ignored)) {
                        HWND box = waitFor([&] { return ownedBox(main); }) ? ownedBox(main) : nullptr;
                        got = box ? L"refused" : textOf(label);
                        if (box)
                            SendMessageW(box, WM_COMMAND, IDOK, 0);
                        waitFor([&] { return !ownedBox(main) && IsWindowEnabled(main); });
                    } else {
                        got = textOf(label);
                    }
                    if (got != (expected.empty() ? L"refused" : expected))
                        wrong.next() << quote(std::wstring(model.caption) + L" " + rate + L" " + parity + L" " +
                                              polarity + L": " + got);
                    ++combinations;
                }
    std::ostringstream out;
    out << "{\"combinations\":" << combinations << ",\"wrong\":[" << wrong.str() << "]}";
    return out.str();
}

} // namespace

int main()
{
    std::string line;
    while (std::getline(std::cin, line)) {
        std::string answer = "{\"error\":\"unknown command\"}";
        if (line == "state") {
            answer = state();
        } else if (line.rfind("click ", 0) == 0) {
            const auto controls = controlsByCaption(mainWindow());
            const auto found = controls.find(std::wstring(line.begin() + 6, line.end()));
            answer = found == controls.end() ? "{\"error\":\"no such control\"}" : "{}";
            if (found != controls.end())
                PostMessageW(found->second, BM_CLICK, 0, 0);
        } else if (line == "sweep") {
            answer = sweep();
        } else if (line == "close") {
            answer = PostMessageW(mainWindow(), WM_CLOSE, 0, 0) ? "{}" : "{\"error\":\"no window\"}";
        }
        std::cout << answer << std::endl;
    }
}
