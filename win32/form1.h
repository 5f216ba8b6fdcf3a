#pragma once

#include "cascade.h"
#include "controltable.h"
#include "liveregion.h"
#include "loadstep.h"
#include "windowoperations.h"

#include <windows.h>

#include <commctrl.h>

#include <array>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

// The control made from row i of the control table has the child-window identifier kFirstControlId + i, clear of the
// dialog manager's IDOK and IDCANCEL.
inline constexpr int kFirstControlId = 100;

struct FontDeleter {
    void operator()(HFONT font) const { DeleteObject(font); }
};
using Font = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;
struct WindowDestroyer {
    void operator()(HWND window) const { DestroyWindow(window); }
};
using Window = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;
struct AcceleratorDeleter {
    void operator()(HACCEL table) const { DestroyAcceleratorTable(table); }
};
using Accelerators = std::unique_ptr<std::remove_pointer_t<HACCEL>, AcceleratorDeleter>;
struct IconDestroyer {
    void operator()(HICON icon) const { DestroyIcon(icon); }
};
using Icon = std::unique_ptr<std::remove_pointer_t<HICON>, IconDestroyer>;

// The calculator's one window on Windows: standard controls made from the control table, the window operations the
// cascade works through, and the clicks of the 23 choices delivered to it. It decides nothing itself.
//
// Sizes follow the window's own DPI, and fonts are made anew when it changes. The keyboard is the system dialog
// manager's (Tab, Shift+Tab, Space, Return and Enter for the default button), with two additions of the window's own:
// the arrows move through a group's enabled options in their order on the screen, wrapping, and select them; and each
// group's one Tab stop is its checked option, or its first enabled one while that is greyed.
class Form1 : public WindowOperations, public WindowLayout {
public:
    // Creates the window, hidden, with every control of the table. Throws a RuntimeError when Windows refuses one.
    explicit Form1(HINSTANCE instance);
    Form1(const Form1 &) = delete;
    Form1 &operator=(const Form1 &) = delete;

    HWND handle() const { return m_window.get(); }

    // The load step; a change that does not take effect ends it with a RuntimeError.
    void load() { runLoadStep(*this, *this); }
    // Shows the window with the focus on the module group.
    void show(int showCommand);

    // Gives the window's own keys their meaning before the message is dispatched: Ctrl+C, the arrows, chords that do
    // nothing, and the dialog manager's keys. Returns true when the message needs no further handling.
    bool preTranslate(MSG &message);

    [[nodiscard]] bool SetEnabled(std::string_view control, bool enabled) override;
    [[nodiscard]] bool SelectOption(std::string_view option) override;
    [[nodiscard]] bool SetCaption(std::string_view text) override;
    [[nodiscard]] bool ShowMessage(std::string_view prompt, int style, std::string_view title) override;
    [[nodiscard]] bool SetScale(Side side, int twips) override;
    [[nodiscard]] bool SetSide(std::string_view control, Side side, int twips) override;

    // A seam for tests: asked before every window operation and every change of the load step, with the operation's
    // name and the control; answering false makes that operation fail.
    using OperationFilter = std::function<bool(std::string_view operation, std::string_view control)>;
    void setOperationFilter(OperationFilter filter) { m_filter = std::move(filter); }
    // Shows each message box, the refusal and the error report alike; by default MessageBoxW, owned by the window.
    using MessagePresenter =
        std::function<int(HWND owner, const std::wstring &text, const std::wstring &title, UINT style)>;
    void setMessagePresenter(MessagePresenter presenter) { m_presenter = std::move(presenter); }

    const FormState &formState() const { return m_cascade.state(); }

    // Shows an error that no handler caught in a box, then ends the message loop with status 1: the window may no
    // longer show what the user chose.
    void reportRuntimeError(const std::exception &error);

private:
    struct Control {
        HWND window = nullptr;
        Twips geometry{};
        int captionWidth = 0; // in device pixels, for an option: what its caption needs, measured with its font
    };

    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK frameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam);
    static inline WNDPROC s_buttonProc = nullptr; // the BUTTON class's own, behind frameProc
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void onCommand(int id, int code);
    void onActivate(bool active);
    void onDpiChanged(int dpi, const RECT &suggested);
    LRESULT onCustomDraw(const NMCUSTOMDRAW &draw) const;

    void createControl(std::size_t index, int dpi);
    Control *find(std::string_view name);
    bool allowed(std::string_view operation, std::string_view control) const;
    int dpi() const;
    void layOut(int dpi);
    void sizeWindow(int dpi);
    bool place(std::size_t index, int dpi);
    int frameRoom(std::size_t index, int dpi) const;
    void applyFonts(int dpi);
    void setIcons(int dpi);
    void onClicked(std::size_t index);
    void checkOnly(std::size_t index);
    void refreshTabStops();
    bool moveInGroup(HWND from, int step);
    void keepDefaultButton() const;
    void copyResult() const;
    int present(const std::wstring &text, const std::wstring &title, UINT style);

    Window m_window;
    std::array<Control, kControls.size()> m_controls{};
    std::array<Font, 3> m_tahoma; // 8.25, 9.75 and 15.75 points
    Font m_messageFont;           // the system's, for the frame captions
    Accelerators m_accelerators;
    HWND m_lastFocus = nullptr; // given back when the window is activated again
    SIZE m_size{};              // the window's, title bar and border included
    OperationFilter m_filter;
    MessagePresenter m_presenter;
    Cascade m_cascade{ *this };

    std::array<Icon, 2> m_icons;          // ICON_SMALL and ICON_BIG, at the window's DPI
    std::unique_ptr<LiveRegion> m_result; // the result label once it shows a result, each of which is spoken
};

// UTF-8, as the table and the core keep their texts, to the UTF-16 of the W functions.
std::wstring widen(std::string_view text);
