#pragma once

#include <QWidget>

// What screen readers are told beyond Qt's own: a window made of a plain widget is a frame, an option that stands
// over a group box without being inside it still names the box as its group, and each new result is announced wherever
// the focus is. And what they do: "Toggle" on an option and "Press" on the window's push button focus it and click it,
// as the pointer does, so that a choice made by a screen reader or voice control runs its handler; on a disabled
// control, or behind a modal box, they do nothing. Safe to call more than once; costs nothing until a screen reader
// asks.
void installAccessibility();

// Announces a text to screen readers as a notification, without taking the focus. It paints nothing and lets clicks
// through, so sighted users never see it.
class Announcer : public QWidget {
    Q_OBJECT

public:
    explicit Announcer(QWidget *parent);

    void announce(const QString &text);
};
