#pragma once

#include "controltable.h"

#include <QObject>

#include <functional>
#include <span>
#include <string_view>
#include <vector>

class QAbstractButton;
class QPushButton;
class QWidget;

// How the keyboard moves through the window, as in a radio group anywhere else: each option group is one Tab stop, on
// its checked option while that is enabled and otherwise on its first enabled one; the arrow keys move to the next or
// previous enabled option of the group, wrapping, and select it as a click does. Return and Enter press the default
// push button wherever the focus is, as in a dialog, and do nothing while it is disabled. Groups and buttons follow one
// another by their lowest tab index; one with nothing enabled is passed over, so whatever is disabled, every enabled
// group stays within reach of Tab.
//
// With Ctrl, Alt, Shift or Meta held, the arrows, Return and Enter do nothing here. Such chords belong to the desktop
// and to shortcuts, which take them before the window does; what reaches the window is dropped, since Qt's own
// handling of arrows on a button would move and select by position, without wrapping, as a second and different way
// of choosing. The keypad's arrows and Enter count as plain keys.
class KeyboardNavigation : public QObject {
public:
    using ButtonLookup = std::function<QAbstractButton *(std::string_view name)>;

    // The option groups and push buttons of the control table, whose widgets `button` finds by name. The table's first
    // push button becomes the default one.
    KeyboardNavigation(std::span<const ControlRow> controls, const ButtonLookup &button, QObject *parent);

    // Where Tab (forward) or Shift+Tab goes from the widget `from`, which may be null or just disabled; null when
    // nothing in the window can take the focus.
    [[nodiscard]] QAbstractButton *nextStop(const QWidget *from, bool forward) const;

    // Moves the focus there, as Tab or Shift+Tab do. Returns false when there is nowhere to go.
    bool moveFocus(const QWidget *from, bool forward);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // An option group, its members in their order on the window, or a push button on its own.
    struct Stop {
        std::vector<QAbstractButton *> members;
        int tabIndex;
    };

    const Stop *stopOf(const QWidget *widget) const;
    static QAbstractButton *landing(const Stop &stop);
    static QAbstractButton *neighbour(const Stop &group, QAbstractButton *from, int step);

    std::vector<Stop> m_stops; // in tab order
    QPushButton *m_default = nullptr;
};
