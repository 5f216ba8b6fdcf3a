#pragma once

#include <QObject>

#include <functional>

class QWidget;

// How the program meets the desktop it starts on.

// Holds back Qt's messages while the application object connects to the display. When no display can be opened, says
// so in one line that names DISPLAY and WAYLAND_DISPLAY and ends the program with status 1, where Qt would abort.
void holdMessagesWhileConnecting();
// Passes on what was held, unchanged, once a display has opened.
void releaseHeldMessages();

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
