#pragma once

#include "cascade.h"
#include "controltable.h"
#include "loadstep.h"
#include "windowoperations.h"

#include <QWidget>

#include <exception>
#include <functional>
#include <map>
#include <string_view>

class Announcer;
class KeyboardNavigation;
class QMessageBox;

// The calculator's one window. It creates every control from the control table, supplies the window operations to the
// cascade and delivers the clicks of the 23 choices to it. It decides nothing itself.
class Form1 : public QWidget, public WindowOperations, public WindowLayout {
    Q_OBJECT

public:
    explicit Form1(QWidget *parent = nullptr);

    // The load step: sets the window's scale and the geometry of the frames and module options, then selects the four
    // prompt options. Runs once, before the window is first shown; a failed change ends it with a RuntimeError.
    void load();

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

    // Shows each message box, the refusal and the error report alike; by default it runs the box until the user
    // closes it. A test can swap it to read the box without waiting for a user.
    using MessagePresenter = std::function<void(QMessageBox &)>;
    void setMessagePresenter(MessagePresenter presenter) { m_presenter = std::move(presenter); }

    const FormState &formState() const { return m_cascade.state(); }

    // Shows an error that no handler caught in a modal box, then emits runtimeErrorReported().
    void reportRuntimeError(const std::exception &error);

protected:
    // Tab and Shift+Tab go from group to group, and a control disabled under the focus hands it on.
    bool focusNextPrevChild(bool next) override;
    // The window keeps its fixed size, but for a maximize that Qt's own Wayland title bar asks for; an open message
    // box comes back in front when the window behind it is activated.
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

signals:
    // The user has read the message of an uncaught error; the program should end.
    void runtimeErrorReported();

private:
    struct Control {
        QWidget *widget;
        Twips geometry;
    };

    void createControl(const ControlRow &row);
    Control *find(std::string_view name);
    bool allowed(std::string_view operation, std::string_view control) const;
    void onClicked(std::string_view control);
    void present(QMessageBox &box);
    void onWindowStateRequested(Qt::WindowState state);
    void copyResult() const;

    std::map<std::string_view, Control, std::less<>> m_controls;
    OperationFilter m_filter;
    MessagePresenter m_presenter;
    Cascade m_cascade{ *this };
    KeyboardNavigation *m_navigation = nullptr;
    Announcer *m_announcer = nullptr;
};
