#include "form1.h"

#include "optiongroup.h"
#include "resource.h"
#include "runtimeerror.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>
#include <ranges>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr wchar_t kClassName[] = L"Tevrolin";
constexpr wchar_t kTitle[] = L"Tevrolin";
// A fixed size: no sizing border and no maximize box.
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr int kCopyCommand = 50; // Ctrl+C, the one accelerator; below the controls, above IDOK and IDCANCEL
constexpr std::array kTahomaSizes{ kSmall, kMedium, kLarge };

constexpr std::size_t kNoControl = kControls.size();

constexpr std::size_t indexOf(std::string_view name)
{
    const auto found = std::ranges::find(kControls, name, &ControlRow::name);
    return found == kControls.end() ? kNoControl : std::size_t(found - kControls.begin());
}

// The frame that option `index` stands in: its container, or for the polarity options, which stand on the window over
// the frame `Polarity`, the frame whose rectangle holds them.
constexpr std::size_t frameOf(std::size_t index)
{
    const auto &option = kControls[index];
    const auto holds = [&](const ControlRow &frame) {
        if (!option.container.empty())
            return frame.name == option.container;
        const auto &f = frame.geometry, &g = option.geometry;
        return f.left <= g.left && g.left < f.left + f.width && f.top <= g.top && g.top < f.top + f.height;
    };
    return std::size_t(
        std::ranges::find_if(kControls, [&](const ControlRow &row) { return row.kind == Kind::Frame && holds(row); }) -
        kControls.begin());
}
static_assert(std::ranges::all_of(std::views::iota(std::size_t(0), kControls.size()), [](std::size_t i) {
    return kControls[i].kind != Kind::OptionButton || frameOf(i) != kNoControl;
}));

// The options that share the container of option `index`, in table order: the prompt first, then top to bottom.
std::vector<std::size_t> groupOf(std::size_t index)
{
    std::vector<std::size_t> members;
    for (std::size_t i = 0; i < kControls.size(); ++i)
        if (kControls[i].kind == Kind::OptionButton && kControls[i].container == kControls[index].container)
            members.push_back(i);
    return members;
}

bool isFirstOfGroup(std::size_t index)
{
    return groupOf(index).front() == index;
}

Font tahoma(double points, int dpi)
{
    LOGFONTW font{};
    font.lfHeight = -static_cast<LONG>(std::lround(points * dpi / 72));
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = ANSI_CHARSET;
    wcscpy_s(font.lfFaceName, L"Tahoma");
    return Font(CreateFontIndirectW(&font));
}

Font messageFont(int dpi)
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, UINT(dpi));
    return Font(CreateFontIndirectW(&metrics.lfMessageFont));
}

std::wstring windowText(HWND window)
{
    std::wstring text(std::size_t(GetWindowTextLengthW(window)), L'\0');
    GetWindowTextW(window, text.data(), int(text.size()) + 1);
    return text;
}

struct GdiObjectDeleter {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct DcDeleter {
    void operator()(HDC dc) const { DeleteDC(dc); }
};

// One bitmap for all the captions of a layout: making one costs more than drawing a caption.
class InkRuler {
public:
    InkRuler(int width, int height) : m_width(width), m_height(height), m_dc(CreateCompatibleDC(nullptr))
    {
        BITMAPINFO info{};
        info.bmiHeader = { sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0 };
        m_bitmap.reset(CreateDIBSection(m_dc.get(), &info, DIB_RGB_COLORS, &m_bits, nullptr, 0));
        SelectObject(m_dc.get(), m_bitmap.get());
        SetBkMode(m_dc.get(), TRANSPARENT);
        SetTextColor(m_dc.get(), RGB(0, 0, 0));
    }
    HDC dc() const { return m_dc.get(); }

    // Where the ink of `text` ends, drawn from 0 in the font selected into dc(): one past its rightmost pixel. Its
    // advance (GetTextExtentPoint32) ends elsewhere, by the last letter's side bearing.
    int end(const std::wstring &text) const
    {
        // Nothing measured, nothing grows. A last letter may overhang its advance by up to the text's height.
        SIZE extent{};
        if (!m_bits || !GetTextExtentPoint32W(m_dc.get(), text.c_str(), int(text.size()), &extent))
            return 0;
        const int width = std::min(m_width, int(extent.cx + extent.cy));
        PatBlt(m_dc.get(), 0, 0, width, m_height, WHITENESS);
        TextOutW(m_dc.get(), 0, 0, text.c_str(), int(text.size()));
        GdiFlush();
        int end = 0;
        for (int y = 0; y < m_height; ++y) {
            const auto *row = static_cast<const DWORD *>(m_bits) + std::ptrdiff_t(y) * m_width;
            for (int x = width - 1; x >= end; --x)
                if ((row[x] & 0xFFFFFF) != 0xFFFFFF) {
                    end = x + 1;
                    break;
                }
        }
        return end;
    }

private:
    int m_width, m_height;
    void *m_bits = nullptr;
    std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiObjectDeleter> m_bitmap; // goes after the context holding it
    std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter> m_dc;
};

// Where the system draws an option's caption: after the indicator and the gap. Its ideal width is that, the caption's
// advance and a pixel of margin. Only comctl32's buttons know their ideal width.
std::optional<int> captionLeft(HWND option, HDC dc, const std::wstring &text)
{
    SIZE ideal{}, extent{};
    if (!Button_GetIdealSize(option, &ideal) || !GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &extent))
        return std::nullopt;
    return ideal.cx - extent.cx - 1;
}

// The width that an option needs to show its caption whole: up to the caption's ink, not its advance, with a column
// for the highlight of a greyed, embossed caption and one of margin, so that no caption touches the edge.
int captionWidth(HWND option, const InkRuler &ruler)
{
    const auto text = windowText(option);
    SelectObject(ruler.dc(), reinterpret_cast<HFONT>(SendMessageW(option, WM_GETFONT, 0, 0)));
    const auto left = captionLeft(option, ruler.dc(), text);
    return left ? *left + ruler.end(text) + 2 : 0;
}

// Whether visual styles draw the control. comctl32 has loaded uxtheme wherever they can: asked there, the program
// imports nothing more.
bool themed(HWND control)
{
    using GetWindowTheme = HANDLE(WINAPI *)(HWND);
    static const auto getWindowTheme = [] {
        const HMODULE uxtheme = GetModuleHandleW(L"uxtheme.dll");
        const FARPROC found = uxtheme ? GetProcAddress(uxtheme, "GetWindowTheme") : nullptr;
        return reinterpret_cast<GetWindowTheme>(reinterpret_cast<void (*)()>(found));
    }();
    return getWindowTheme && getWindowTheme(control);
}

} // namespace

std::wstring widen(std::string_view text)
{
    if (text.empty())
        return {};
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring wide(std::size_t(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), wide.data(), length);
    return wide;
}

Form1::Form1(HINSTANCE instance)
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_TEVROLIN));
    // Not shared: the system's cache of shared icons answers with the first image loaded under the name, whatever the
    // size asked for, and that is the big one.
    Icon small(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_TEVROLIN), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0)));
    windowClass.hIconSm = small.get();
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1); // the system's colours, high contrast too
    windowClass.lpszClassName = kClassName;
    if (RegisterClassExW(&windowClass))
        (void)small.release(); // the class's from now on, as long as the program runs
    else if (GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw RuntimeError("Windows could not register the window's class.");

    // The window finds this object through GWLP_USERDATA, set in WM_NCCREATE, where m_window takes the handle.
    if (!CreateWindowExW(0, kClassName, kTitle, kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, nullptr, nullptr,
                         instance, this))
        throw RuntimeError("Windows could not create the window.");
    const int at = dpi();
    sizeWindow(at);
    for (std::size_t i = 0; i < kControls.size(); ++i)
        createControl(i, at);

    // The dialog manager tabs in the stacking order of the window's children: the controls on the window itself go
    // into it in their tab order. The frames hand Tab on to the options inside them (WS_EX_CONTROLPARENT).
    std::vector<std::size_t> byTab(kControls.size());
    std::iota(byTab.begin(), byTab.end(), 0);
    std::ranges::sort(byTab, {}, [](std::size_t i) { return kControls[i].tabIndex; });
    for (const auto i : byTab)
        if (kControls[i].container.empty())
            SetWindowPos(m_controls[i].window, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    layOut(at); // once the fonts are in, an option whose caption needs more room takes it
    setIcons(at);
    ACCEL copy{ FCONTROL | FVIRTKEY, 'C', kCopyCommand };
    m_accelerators.reset(CreateAcceleratorTableW(&copy, 1));
    m_lastFocus = m_controls[indexOf(controls::OptionButtonSelectStamp)].window;
}

void Form1::createControl(std::size_t index, int dpi)
{
    const auto &row = kControls[index];
    const wchar_t *windowClass = L"BUTTON";
    DWORD style = WS_CHILD | WS_VISIBLE | (row.enabled ? 0 : WS_DISABLED);
    DWORD extendedStyle = 0;
    switch (row.kind) {
    case Kind::Frame:
        style |= BS_GROUPBOX | WS_GROUP;
        extendedStyle = WS_EX_CONTROLPARENT;
        break;
    case Kind::OptionButton:
        // Not an automatic radio button: those clear only their enabled siblings, and would leave a greyed choice
        // checked beside the new one. A click checks the option and clears the rest of its group here.
        style |= BS_RADIOBUTTON | (isFirstOfGroup(index) ? WS_GROUP : 0);
        break;
    case Kind::CommandButton:
        style |= BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP;
        break;
    case Kind::Label:
        windowClass = L"STATIC";
        style |= SS_CENTER | SS_CENTERIMAGE | SS_NOPREFIX | WS_GROUP;
        break;
    }
    HWND parent = row.container.empty() ? handle() : m_controls[indexOf(row.container)].window;
    const auto &g = row.geometry;
    HWND control = CreateWindowExW(
        extendedStyle, windowClass, widen(row.caption).c_str(), style, toDevicePixels(g.left, dpi),
        toDevicePixels(g.top, dpi), toDevicePixels(g.width, dpi), toDevicePixels(g.height, dpi), parent,
        reinterpret_cast<HMENU>(INT_PTR(kFirstControlId + int(index))), GetModuleHandleW(nullptr), nullptr);
    if (!control)
        throw RuntimeError("Windows could not create the control " + std::string(row.name) + ".");
    // A frame's children report to the frame; it hands their news on to the window. It stays a BUTTON, which screen
    // readers know as a group, with a procedure in front of the class's own.
    if (row.kind == Kind::Frame)
        s_buttonProc =
            reinterpret_cast<WNDPROC>(SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&frameProc)));
    m_controls[index] = { control, row.geometry };
}

LRESULT CALLBACK Form1::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto *self = static_cast<Form1 *>(reinterpret_cast<CREATESTRUCTW *>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->m_window.reset(window);
    }
    auto *self = reinterpret_cast<Form1 *>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        (void)self->m_window.release(); // already on its way out
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return self->onMessage(message, wParam, lParam);
}

LRESULT CALLBACK Form1::frameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
        return SendMessageW(GetParent(frame), message, wParam, lParam);
    case WM_PRINTCLIENT: {
        // With visual styles an option paints its frame's background into its own device context, through this
        // message, before its caption. The BUTTON class leaves its own font selected there, and the option's caption
        // would come out in the frame's font: the context is given back as it came.
        const auto dc = reinterpret_cast<HDC>(wParam);
        const int saved = SaveDC(dc);
        const auto result = CallWindowProcW(s_buttonProc, frame, message, wParam, lParam);
        RestoreDC(dc, saved);
        return result;
    }
    default:
        return CallWindowProcW(s_buttonProc, frame, message, wParam, lParam);
    }
}

LRESULT Form1::onMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        onCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_NOTIFY:
        if (const auto &header = *reinterpret_cast<const NMHDR *>(lParam); header.code == NM_CUSTOMDRAW)
            return onCustomDraw(*reinterpret_cast<const NMCUSTOMDRAW *>(lParam));
        break;
    case DM_GETDEFID: // Return and Enter press Calculate from anywhere, while it is enabled
        return MAKELRESULT(kFirstControlId + indexOf(controls::CalculateCommandButton), DC_HASDEFID);
    case WM_ACTIVATE:
        onActivate(LOWORD(wParam) != WA_INACTIVE);
        return 0;
    case WM_DPICHANGED:
        onDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT *>(lParam));
        return 0;
    case WM_GETMINMAXINFO: // the window keeps its size also on a screen smaller than it
        if (m_size.cx > 0) {
            auto &limits = *reinterpret_cast<MINMAXINFO *>(lParam);
            limits.ptMaxTrackSize.x = std::max(limits.ptMaxTrackSize.x, m_size.cx);
            limits.ptMaxTrackSize.y = std::max(limits.ptMaxTrackSize.y, m_size.cy);
        }
        return 0;
    case WM_SETTINGCHANGE: // the message font may have changed
        layOut(dpi());
        break;
    case WM_DESTROY:
        PostQuitMessage(0); // closing the window ends the program; nothing is saved
        return 0;
    }
    return DefWindowProcW(handle(), message, wParam, lParam);
}

LRESULT Form1::onCustomDraw(const NMCUSTOMDRAW &draw) const
{
    // In the classic look the system greys a caption through a bitmap as wide as the caption's advance, which Wine's
    // unsmoothed letters outgrow at some sizes: the last one is cut. The window draws greyed options' captions itself,
    // over the system's, embossed as the system greys text.
    const auto index = std::size_t(draw.hdr.idFrom - kFirstControlId);
    HWND option = draw.hdr.hwndFrom;
    if (index >= kControls.size() || kControls[index].kind != Kind::OptionButton || IsWindowEnabled(option) ||
        themed(option))
        return CDRF_DODEFAULT;
    if (draw.dwDrawStage == CDDS_PREPAINT)
        return CDRF_NOTIFYPOSTPAINT;
    if (draw.dwDrawStage != CDDS_POSTPAINT)
        return CDRF_DODEFAULT;
    const auto text = windowText(option);
    const int saved = SaveDC(draw.hdc);
    SelectObject(draw.hdc, reinterpret_cast<HFONT>(SendMessageW(option, WM_GETFONT, 0, 0)));
    RECT caption = draw.rc;
    caption.left = captionLeft(option, draw.hdc, text).value_or(draw.rc.right);
    RECT cleared = caption; // the system's caption, and the column before it, where a first letter may overhang
    cleared.left -= 1;
    FillRect(draw.hdc, &cleared, GetSysColorBrush(COLOR_BTNFACE)); // the window's background, as the system's
    SetBkMode(draw.hdc, TRANSPARENT);
    for (const auto &[offset, colour] : { std::pair(1, COLOR_3DHILIGHT), std::pair(0, COLOR_3DSHADOW) }) {
        RECT at = caption;
        OffsetRect(&at, offset, offset);
        SetTextColor(draw.hdc, GetSysColor(colour));
        DrawTextW(draw.hdc, text.c_str(), int(text.size()), &at, DT_SINGLELINE | DT_VCENTER);
    }
    RestoreDC(draw.hdc, saved);
    return CDRF_DODEFAULT;
}

void Form1::onCommand(int id, int code)
{
    if (id == kCopyCommand && code == 1) // from the accelerator
        copyResult();
    const auto index = std::size_t(id - kFirstControlId);
    if (id >= kFirstControlId && index < kControls.size() && code == BN_CLICKED)
        onClicked(index);
}

void Form1::onClicked(std::size_t index)
{
    // Errors end here, with their report: an exception must never unwind through the system's window procedures.
    try {
        if (kControls[index].kind == Kind::OptionButton)
            checkOnly(index);
        m_cascade.click(kControls[index].name);
    } catch (const std::exception &error) {
        reportRuntimeError(error);
    }
    refreshTabStops();
}

void Form1::checkOnly(std::size_t index)
{
    for (const auto member : groupOf(index))
        Button_SetCheck(m_controls[member].window, member == index ? BST_CHECKED : BST_UNCHECKED);
}

void Form1::refreshTabStops()
{
    // Each group is one Tab stop, where Tab enters it; a group with nothing enabled has none, and Tab passes it by.
    const auto enabled = [this](std::size_t m) { return IsWindowEnabled(m_controls[m].window) != FALSE; };
    const auto checked = [this](std::size_t m) { return Button_GetCheck(m_controls[m].window) == BST_CHECKED; };
    for (std::size_t i = 0; i < kControls.size(); ++i) {
        if (kControls[i].kind != Kind::OptionButton || !isFirstOfGroup(i))
            continue;
        const auto members = groupOf(i);
        const auto stop = optiongroup::landing(members, enabled, checked);
        for (const auto m : members) {
            const LONG style = GetWindowLongW(m_controls[m].window, GWL_STYLE);
            SetWindowLongW(m_controls[m].window, GWL_STYLE, m == stop ? style | WS_TABSTOP : style & ~WS_TABSTOP);
        }
    }
}

bool Form1::moveInGroup(HWND from, int step)
{
    const auto index = std::size_t(GetDlgCtrlID(from) - kFirstControlId);
    if (index >= kControls.size() || kControls[index].kind != Kind::OptionButton)
        return false; // Calculate: the dialog manager's, which keeps it where it is
    const auto next = optiongroup::neighbour(
        groupOf(index), index, step, [this](std::size_t m) { return IsWindowEnabled(m_controls[m].window) != FALSE; });
    if (next) {
        SetFocus(m_controls[*next].window);
        onClicked(*next); // selects it, and runs its handler as a click does
    }
    return true;
}

bool Form1::preTranslate(MSG &message)
{
    if (message.hwnd != handle() && !IsChild(handle(), message.hwnd))
        return false;
    if (TranslateAcceleratorW(handle(), m_accelerators.get(), &message))
        return true;
    if (message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN) {
        const bool chord = GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0 || GetKeyState(VK_SHIFT) < 0;
        int step = 0;
        switch (message.wParam) {
        case VK_UP:
        case VK_LEFT:
            step = -1;
            break;
        case VK_DOWN:
        case VK_RIGHT:
            step = 1;
            break;
        case VK_RETURN:
            if (chord) // left to the desktop
                return true;
            break;
        }
        if (step != 0 && (chord || moveInGroup(message.hwnd, step)))
            return true;
    }
    const bool handled = IsDialogMessageW(handle(), &message) != FALSE;
    if (message.message == WM_KEYDOWN && message.wParam == VK_TAB)
        keepDefaultButton();
    return handled;
}

void Form1::keepDefaultButton() const
{
    // Calculate stays the default button wherever Tab leads, drawn as such: Wine's dialog manager takes the style
    // from every push button when Tab moves the focus in a window that is not a dialog, and gives it back only when
    // the focus lands on one.
    HWND calculate = m_controls[indexOf(controls::CalculateCommandButton)].window;
    if ((GetWindowLongW(calculate, GWL_STYLE) & BS_TYPEMASK) != BS_DEFPUSHBUTTON)
        SendMessageW(calculate, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
}

void Form1::onActivate(bool active)
{
    // The focus leaves with the window, for the refusal box among others, and comes back where it was.
    if (!active) {
        if (HWND focus = GetFocus(); focus && IsChild(handle(), focus))
            m_lastFocus = focus;
        return;
    }
    if (m_lastFocus && IsWindowEnabled(m_lastFocus))
        SetFocus(m_lastFocus);
    else
        SetFocus(GetNextDlgTabItem(handle(), nullptr, FALSE));
}

void Form1::show(int showCommand)
{
    ShowWindow(handle(), showCommand);
    UpdateWindow(handle());
}

int Form1::dpi() const
{
    return int(GetDpiForWindow(handle()));
}

void Form1::layOut(int dpi)
{
    sizeWindow(dpi);
    applyFonts(dpi);
    for (std::size_t i = 0; i < m_controls.size(); ++i)
        place(i, dpi);
    RedrawWindow(handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void Form1::sizeWindow(int dpi)
{
    const SIZE wanted{ toDevicePixels(kClientArea.width, dpi), toDevicePixels(kClientArea.height, dpi) };
    RECT frame{ 0, 0, wanted.cx, wanted.cy };
    AdjustWindowRectExForDpi(&frame, kWindowStyle, FALSE, 0, UINT(dpi));
    m_size = { frame.right - frame.left, frame.bottom - frame.top };
    SetWindowPos(handle(), nullptr, 0, 0, m_size.cx, m_size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The title bar and border may not yet be drawn at this DPI: the client area is measured and made exact.
    RECT client{};
    GetClientRect(handle(), &client);
    if (client.right != wanted.cx || client.bottom != wanted.cy) {
        m_size = { m_size.cx + wanted.cx - client.right, m_size.cy + wanted.cy - client.bottom };
        SetWindowPos(handle(), nullptr, 0, 0, m_size.cx, m_size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void Form1::applyFonts(int dpi)
{
    std::array<Font, 3> tahomas;
    for (std::size_t i = 0; i < tahomas.size(); ++i)
        tahomas[i] = tahoma(kTahomaSizes[i], dpi);
    auto message = messageFont(dpi);
    for (std::size_t i = 0; i < kControls.size(); ++i) {
        const auto size = std::ranges::find(kTahomaSizes, kControls[i].pointSize) - kTahomaSizes.begin();
        HFONT font = kControls[i].pointSize == kWindowFont ? message.get() : tahomas[std::size_t(size)].get();
        SendMessageW(m_controls[i].window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE); // redrawn as a whole
    }
    // As wide as the window and as high as an option: room for any caption.
    const InkRuler ruler(toDevicePixels(kClientArea.width, dpi),
                         toDevicePixels(kControls[indexOf(controls::BS1OptionButton)].geometry.height, dpi));
    for (std::size_t i = 0; i < kControls.size(); ++i)
        if (kControls[i].kind == Kind::OptionButton)
            m_controls[i].captionWidth = captionWidth(m_controls[i].window, ruler);
    // The controls no longer use the old fonts, which go now.
    m_tahoma = std::move(tahomas);
    m_messageFont = std::move(message);
}

void Form1::onDpiChanged(int dpi, const RECT &suggested)
{
    // Moved to a monitor of another DPI: the same layout in that monitor's pixels, where the system suggests.
    SetWindowPos(handle(), nullptr, suggested.left, suggested.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    layOut(dpi);
    setIcons(dpi);
}

void Form1::setIcons(int dpi)
{
    // The class's icons are drawn at the system's DPI. The window's own, for its title bar (small) and for Alt+Tab
    // and the taskbar (big), are loaded at the sizes for its monitor's DPI, where the system picks the nearest image
    // and scales it, rather than stretching a bitmap meant for another size.
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(handle(), GWLP_HINSTANCE));
    for (const WPARAM kind : { ICON_SMALL, ICON_BIG }) {
        const bool small = kind == ICON_SMALL;
        const int size = int(GetSystemMetricsForDpi(small ? SM_CXSMICON : SM_CXICON, UINT(dpi)));
        Icon icon(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_TEVROLIN), IMAGE_ICON, size, size, 0)));
        SendMessageW(handle(), WM_SETICON, kind, reinterpret_cast<LPARAM>(icon.get()));
        m_icons[kind] = std::move(icon); // the one it replaces is no longer shown
    }
}

Form1::Control *Form1::find(std::string_view name)
{
    const auto index = indexOf(name);
    return index == kNoControl ? nullptr : &m_controls[index];
}

bool Form1::allowed(std::string_view operation, std::string_view control) const
{
    return !m_filter || m_filter(operation, control);
}

bool Form1::SetScale(Side side, int twips)
{
    // The client area is sized to the table at the window's DPI; a scale equal to it keeps every control in place.
    RECT client{};
    if (!allowed(side == Side::Height ? "ScaleHeight" : "ScaleWidth", "Form1") || !GetClientRect(handle(), &client))
        return false;
    return toDevicePixels(twips, dpi()) == (side == Side::Height ? client.bottom : client.right);
}

bool Form1::SetSide(std::string_view control, Side side, int twips)
{
    auto *target = find(control);
    if (!target || twips < 0 || !allowed(kSideNames[int(side)], control))
        return false;
    target->geometry = withSide(target->geometry, side, twips);
    return place(std::size_t(target - m_controls.data()), dpi());
}

bool Form1::place(std::size_t index, int dpi)
{
    // The table's rectangle, also where it reaches past the frame, as the module group's prompt does: the frame cuts
    // it off, and the option covers the frame's line where it crosses it. An option whose caption the table's width
    // cannot show whole, at this DPI and in these fonts, grows to the right just enough, up to its frame's line.
    const auto &g = m_controls[index].geometry;
    int width = toDevicePixels(g.width, dpi);
    if (kControls[index].kind == Kind::OptionButton)
        width = std::max(width, std::min(m_controls[index].captionWidth, frameRoom(index, dpi)));
    return MoveWindow(m_controls[index].window, toDevicePixels(g.left, dpi), toDevicePixels(g.top, dpi), width,
                      toDevicePixels(g.height, dpi), IsWindowVisible(handle())) != FALSE;
}

int Form1::frameRoom(std::size_t index, int dpi) const
{
    // Up to the line of the frame the option stands in, an edge wide. Inside a frame, places count from its corner.
    const auto &frame = m_controls[frameOf(index)].geometry;
    const int right = (kControls[index].container.empty() ? toDevicePixels(frame.left, dpi) : 0) +
                      toDevicePixels(frame.width, dpi) - GetSystemMetricsForDpi(SM_CXEDGE, UINT(dpi));
    return right - toDevicePixels(m_controls[index].geometry.left, dpi);
}

bool Form1::SetEnabled(std::string_view control, bool enabled)
{
    auto *target = find(control);
    if (!target || !allowed("SetEnabled", control))
        return false;
    EnableWindow(target->window, enabled);
    return (IsWindowEnabled(target->window) != FALSE) == enabled;
}

bool Form1::SelectOption(std::string_view option)
{
    const auto index = indexOf(option);
    if (index == kNoControl || kControls[index].kind != Kind::OptionButton || !allowed("SelectOption", option))
        return false;
    checkOnly(index); // on a disabled option too; runs no handler, since only clicks do
    return Button_GetCheck(m_controls[index].window) == BST_CHECKED;
}

bool Form1::SetCaption(std::string_view text)
{
    if (!allowed("SetCaption", controls::BaudModeDecimalLabel))
        return false;
    HWND label = find(controls::BaudModeDecimalLabel)->window;
    if (!SetWindowTextW(label, widen(text).c_str()))
        return false;
    // A live region from the first result on, which is the first it announces: entering COM and loading oleacc take
    // 10 to 30 ms under Wine, which the start-up does without.
    if (!m_result)
        m_result = std::make_unique<LiveRegion>(label);
    m_result->changed();
    return true;
}

bool Form1::ShowMessage(std::string_view prompt, int style, std::string_view title)
{
    // The box takes the focus, which comes back where it was as the window is activated again.
    return allowed("ShowMessage", {}) && present(widen(prompt), widen(title), UINT(style)) != 0;
}

int Form1::present(const std::wstring &text, const std::wstring &title, UINT style)
{
    if (m_presenter)
        return m_presenter(handle(), text, title, style);
    // Owned by the window, so that it is modal to it; and over it, where MessageBoxW alone would centre it on the
    // screen. The hook moves the box as it first becomes active, still unseen.
    static HWND over = nullptr;
    over = handle();
    const auto centre = [](int code, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (code == HCBT_ACTIVATE && over) {
            auto box = reinterpret_cast<HWND>(wParam);
            RECT owner{}, rect{};
            GetWindowRect(std::exchange(over, nullptr), &owner);
            GetWindowRect(box, &rect);
            MONITORINFO monitor{};
            monitor.cbSize = sizeof monitor;
            GetMonitorInfoW(MonitorFromRect(&owner, MONITOR_DEFAULTTONEAREST), &monitor);
            const auto &area = monitor.rcWork;
            const LONG width = rect.right - rect.left, height = rect.bottom - rect.top;
            const LONG left = std::max(area.left, std::min((owner.left + owner.right - width) / 2, area.right - width));
            const LONG top =
                std::max(area.top, std::min((owner.top + owner.bottom - height) / 2, area.bottom - height));
            SetWindowPos(box, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    };
    const std::unique_ptr<std::remove_pointer_t<HHOOK>, decltype(&UnhookWindowsHookEx)> hook(
        SetWindowsHookExW(WH_CBT, centre, nullptr, GetCurrentThreadId()), &UnhookWindowsHookEx);
    return MessageBoxW(handle(), text.c_str(), title.c_str(), style);
}

void Form1::copyResult() const
{
    // The label is enabled by the first result and never disabled again; before it, there is nothing to copy.
    HWND label = m_controls[indexOf(controls::BaudModeDecimalLabel)].window;
    if (!IsWindowEnabled(label) || !OpenClipboard(handle()))
        return;
    const auto text = windowText(label);
    EmptyClipboard();
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t))) {
        std::ranges::copy(text.c_str(), text.c_str() + text.size() + 1, static_cast<wchar_t *>(GlobalLock(memory)));
        GlobalUnlock(memory);
        if (!SetClipboardData(CF_UNICODETEXT, memory))
            GlobalFree(memory);
    }
    CloseClipboard();
}

void Form1::reportRuntimeError(const std::exception &error)
{
    present(L"Run-time error: " + widen(error.what()) + L"\r\n\r\nTevrolin cannot go on and will close.", kTitle,
            MB_OK | MB_ICONERROR);
    PostQuitMessage(EXIT_FAILURE);
}
