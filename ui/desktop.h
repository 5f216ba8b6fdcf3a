#pragma once

#include <QObject>
#include <QPalette>

#include <functional>
#include <memory>

class QDBusPendingCall;
class QVariant;
class QWidget;

// How the program meets the desktop it starts on.

// Holds back Qt's messages while the application object connects to the display. When no display can be opened, says
// so in one line that names DISPLAY and WAYLAND_DISPLAY and ends the program with status 1, where Qt would abort.
void holdMessagesWhileConnecting();
// Passes on what was held, unchanged, once a display has opened.
void releaseHeldMessages();

// Drops a QT_SCALE_FACTOR that is not a finite number above zero, with one line that says so: Qt 6.4 takes any
// number, and a negative one crashes it while zero, infinity or NaN leave a process with no window.
void dropInvalidScaleFactor();

// The colour scheme the user prefers, as the desktop portal publishes it (GNOME's "Dark" style): Qt 6.4 reads neither
// the portal nor GNOME's setting, and GTK 3's theme ignores it too. Asked for when made, answered by apply(), so that
// the question travels while the window is built. Where the desktop's theme already gave a dark palette, nothing is
// asked.
class PreferredColorScheme {
public:
    PreferredColorScheme();
    ~PreferredColorScheme();

    // Turns the application's palette dark when the user prefers dark.
    void apply();
    // From then on, follows the user's changes of preference, dark and back.
    void follow();

private:
    void show(const QVariant &scheme);

    QPalette m_desktopPalette;
    std::unique_ptr<QDBusPendingCall> m_answer;
    std::unique_ptr<QObject> m_changes;
};

// Keeps the shades of disabled text, frame lines and option circles apart from the background in the desktop's palette,
// where a black high-contrast scheme would make them all black on black.
void keepShadesVisible();

// Runs a task once the watched widget has painted for the first time, from the event loop, after the paint has reached
// the screen.
class AfterFirstPaint : public QObject {
public:
    AfterFirstPaint(QWidget *watched, std::function<void()> task);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::function<void()> m_task;
};
