// The floor for tevrolin.exe's start-up: the plainest Win32 window of the same client size with the same 33 controls,
// of the same classes, geometry, captions, fonts and enabled states, and the same resources and icons, and nothing
// else: no load step, no tab stops kept, no click handling, no logic. Whatever tevrolin.exe costs beyond it is the
// program's own.
#include "controltable.h"

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <cmath>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand)
{
    const INITCOMMONCONTROLSEX classes{ sizeof classes, ICC_STANDARD_CLASSES };
    InitCommonControlsEx(&classes);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == WM_DESTROY)
            PostQuitMessage(0);
        return DefWindowProcW(window, message, wParam, lParam);
    };
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    windowClass.hIconSm =
        static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                      GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = L"TevrolinFloor";
    RegisterClassExW(&windowClass);
    constexpr DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    HWND window = CreateWindowExW(0, L"TevrolinFloor", L"Tevrolin floor", style, CW_USEDEFAULT, CW_USEDEFAULT, 0, 0,
                                  nullptr, nullptr, instance, nullptr);
    const int dpi = int(GetDpiForWindow(window));
    const auto px = [dpi](int twips) { return toDevicePixels(twips, dpi); };
    RECT frame{ 0, 0, px(kClientArea.width), px(kClientArea.height) };
    AdjustWindowRectExForDpi(&frame, style, FALSE, 0, UINT(dpi));
    SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top, SWP_NOMOVE | SWP_NOZORDER);

    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, UINT(dpi));
    const HFONT messageFont = CreateFontIndirectW(&metrics.lfMessageFont);
    std::array<HWND, kControls.size()> made{};
    for (std::size_t i = 0; i < kControls.size(); ++i) {
        const auto &row = kControls[i];
        const auto container = std::ranges::find(kControls, row.container, &ControlRow::name) - kControls.begin();
        const DWORD kind = row.kind == Kind::Frame           ? BS_GROUPBOX
                           : row.kind == Kind::OptionButton  ? BS_RADIOBUTTON
                           : row.kind == Kind::CommandButton ? BS_DEFPUSHBUTTON | WS_TABSTOP
                                                             : SS_CENTER | SS_CENTERIMAGE;
        const auto &g = row.geometry;
        wchar_t caption[64] = {};
        MultiByteToWideChar(CP_UTF8, 0, row.caption.data(), int(row.caption.size()), caption, 63);
        made[i] = CreateWindowExW(
            0, row.kind == Kind::Label ? L"STATIC" : L"BUTTON", caption,
            WS_CHILD | WS_VISIBLE | kind | (row.enabled ? 0 : WS_DISABLED), px(g.left), px(g.top), px(g.width),
            px(g.height), row.container.empty() ? window : made[std::size_t(container)], nullptr, instance, nullptr);
        LOGFONTW tahoma{};
        tahoma.lfHeight = -LONG(std::lround(row.pointSize * dpi / 72));
        tahoma.lfCharSet = ANSI_CHARSET;
        wcscpy_s(tahoma.lfFaceName, L"Tahoma");
        SendMessageW(made[i], WM_SETFONT,
                     WPARAM(row.pointSize == kWindowFont ? messageFont : CreateFontIndirectW(&tahoma)), FALSE);
    }
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(window, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return 0;
}
