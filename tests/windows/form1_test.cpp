// The Win32 window from inside, where the outside cannot see: its fonts and layout at each DPI, reached as Windows
// reaches them on a move to another monitor, and a change that fails turned into the error's box and status 1.
#include "form1.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

// A control by its name: its identifier within its container, the window or a frame.
HWND child(HWND window, std::string_view name)
{
    const auto id = [](std::string_view of) {
        return kFirstControlId + int(std::ranges::find(kControls, of, &ControlRow::name) - kControls.begin());
    };
    const auto container = std::ranges::find(kControls, name, &ControlRow::name)->container;
    return GetDlgItem(container.empty() ? window : GetDlgItem(window, id(container)), id(name));
}

struct Window {
    Form1 form{ GetModuleHandleW(nullptr) };
    std::vector<std::wstring> boxes; // each box's text and style

    Window()
    {
        form.setMessagePresenter([this](HWND, const std::wstring &text, const std::wstring &, UINT style) {
            boxes.push_back(text + L"|" + std::to_wstring(style));
            return IDOK;
        });
    }
    void click(std::string_view name) { SendMessageW(child(form.handle(), name), BM_CLICK, 0, 0); }
    // The status with which the window has asked the program to end, if it has.
    static std::optional<WPARAM> quit()
    {
        MSG message;
        return PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) ? std::optional(message.wParam)
                                                                            : std::nullopt;
    }
};

TEST(Win32WindowTest, FontsAndLayoutFollowTheDpi)
{
    struct Case {
        int dpi;
        LONG small, medium, large; // Tahoma at 8.25, 9.75 and 15.75 points
        SIZE client;
        RECT prompt, bs2px; // after the load step: 3630 twips wide, past its frame; moved to Left 450
    };
    const Case cases[] = {
        { 96, -11, -13, -21, { 918, 545 }, { 8, 32, 250, 65 }, { 30, 242, 111, 275 } },
        { 144, -17, -20, -32, { 1377, 818 }, { 12, 48, 375, 98 }, { 45, 363, 167, 413 } },
        { 192, -22, -26, -42, { 1836, 1090 }, { 16, 64, 500, 130 }, { 60, 484, 222, 550 } },
    };
    Window window;
    window.form.load();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.dpi);
        RECT suggested{ 40, 30, 50, 40 }; // where Windows would have the window; its size is the window's own
        SendMessageW(window.form.handle(), WM_DPICHANGED, MAKEWPARAM(c.dpi, c.dpi),
                     reinterpret_cast<LPARAM>(&suggested));
        RECT client{}, frame{};
        GetClientRect(window.form.handle(), &client);
        GetWindowRect(window.form.handle(), &frame);
        EXPECT_EQ(std::pair(client.right, client.bottom), std::pair(c.client.cx, c.client.cy));
        EXPECT_EQ(std::pair(frame.left, frame.top), std::pair(40L, 30L));
        for (const auto &[name, wanted] : { std::pair(controls::OptionButtonSelectStamp, c.prompt),
                                            std::pair(controls::BS2pxOptionButton, c.bs2px) }) {
            RECT got{};
            GetWindowRect(child(window.form.handle(), name), &got);
            MapWindowPoints(nullptr, GetParent(child(window.form.handle(), name)), reinterpret_cast<POINT *>(&got), 2);
            EXPECT_TRUE(EqualRect(&got, &wanted))
                << name << ": " << got.left << "," << got.top << " to " << got.right << "," << got.bottom;
        }
        // Every control's font row: Tahoma at its size, or for the window's own font the system's message font.
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, UINT(c.dpi));
        const auto &message = metrics.lfMessageFont;
        for (const auto &row : kControls) {
            const LONG tahoma = row.pointSize == kSmall ? c.small : row.pointSize == kMedium ? c.medium : c.large;
            const auto wanted = row.pointSize == kWindowFont
                                    ? std::pair(message.lfHeight, std::wstring(message.lfFaceName))
                                    : std::pair(tahoma, std::wstring(L"Tahoma"));
            LOGFONTW font{};
            GetObjectW(reinterpret_cast<HFONT>(SendMessageW(child(window.form.handle(), row.name), WM_GETFONT, 0, 0)),
                       sizeof font, &font);
            EXPECT_EQ(std::pair(font.lfHeight, std::wstring(font.lfFaceName)), wanted) << row.name;
        }
    }
}

TEST(Win32WindowTest, IconsAreSizedForTheDpi)
{
    const auto width = [](LONG_PTR icon) {
        ICONINFO info{};
        BITMAP bitmap{};
        if (!GetIconInfo(reinterpret_cast<HICON>(icon), &info))
            return 0L;
        GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        return bitmap.bmWidth;
    };
    Window window;
    const HWND form = window.form.handle();
    const auto windowIcons = [&] {
        return std::pair(width(SendMessageW(form, WM_GETICON, ICON_BIG, 0)),
                         width(SendMessageW(form, WM_GETICON, ICON_SMALL, 0)));
    };
    // At the system's DPI, where the window opens, its own icons and the class's, which the system falls back on, have
    // the system's sizes.
    const std::pair system(long(GetSystemMetrics(SM_CXICON)), long(GetSystemMetrics(SM_CXSMICON)));
    EXPECT_EQ(std::pair(width(GetClassLongPtrW(form, GCLP_HICON)), width(GetClassLongPtrW(form, GCLP_HICONSM))),
              system);
    EXPECT_EQ(windowIcons(), system);
    // On a monitor of another DPI and back, the window's own follow: the small for the title bar, the big for Alt+Tab
    // and the taskbar.
    for (const auto &[dpi, big, small] : { std::tuple(96, 32L, 16L), std::tuple(144, 48L, 24L) }) {
        RECT suggested{ 40, 30, 50, 40 };
        SendMessageW(form, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        EXPECT_EQ(windowIcons(), std::pair(big, small)) << dpi << " dpi";
    }
}

TEST(Win32WindowTest, AFailedChangeShowsTheErrorAndEndsTheProgramWithStatus1)
{
    using namespace controls;
    struct Case {
        std::string_view operation, control;
        std::vector<std::string_view> clicks;
    };
    const std::vector<std::string_view> bs2At9600 = { BS2OptionButton, OptionButton9600, OptionButton8BitNoParity,
                                                      OptionButtonInverted, CalculateCommandButton };
    const std::vector<std::string_view> refusal = { BS2OptionButton,  OptionButton115200, OptionButton8BitNoParity,
                                                    OptionButtonTrue, BS1OptionButton,    CalculateCommandButton };
    const Case cases[] = {
        { "SetEnabled", OptionButton1200, { BS1OptionButton } },
        { "SetCaption", BaudModeDecimalLabel, bs2At9600 },
        { "SelectOption", OptionButtonBaudRate, refusal },
        { "ShowMessage", "", refusal },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.operation);
        Window window;
        window.form.load();
        Window::quit(); // one left by the window before
        window.form.setOperationFilter([&c](std::string_view operation, std::string_view control) {
            return operation != c.operation || control != c.control;
        });
        for (const auto name : c.clicks)
            window.click(name);
        ASSERT_EQ(window.boxes.size(), 1u);
        EXPECT_EQ(window.boxes[0].rfind(L"Run-time error: The window could not carry out ", 0), 0u) << window.boxes[0];
        EXPECT_TRUE(window.boxes[0].ends_with(L"|" + std::to_wstring(MB_OK | MB_ICONERROR)));
        EXPECT_EQ(Window::quit(), 1u);
    }
}

} // namespace
