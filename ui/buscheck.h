#pragma once

#include <memory>

// Keeps a D-Bus that accepts connections but never answers from hanging the start.
//
// Qt 6.4 asks the session bus and the accessibility bus with blocking calls: connecting to a bus whose socket never
// speaks waits for ever, and its screen-reader bridge reads two properties of org.a11y.Bus for up to 25 s each. The
// bridge starts at the first accessibility question, which the window's first widget asks, and looks for the
// accessibility bus in this order (qtbase, src/gui/accessible/linux/dbusconnection.cpp):
//   1. AT_SPI_BUS_ADDRESS, when set: it connects there and nowhere else;
//   2. otherwise the session bus: when org.a11y.Bus has an owner, it reads its Status, and when a screen reader is
//      on, asks it GetAddress and connects there;
//   3. then, on X11, the root window's AT_SPI_BUS property: it connects there.
// A session bus that is not there at all makes libdbus start one of its own (dbus-launch), which outlives the program.
//
// The check asks the same questions first, from threads that may be left waiting, while the application object is
// made. Where Qt would wait on something that does not answer, it steers Qt through those same variables before the
// window is built: to a bus that answers, or to none. Everything here that depends on Qt's internals is in this unit.
class BusCheck {
public:
    // Starts asking the buses named in the environment; before the application object.
    BusCheck();
    ~BusCheck();

    // After the application object and before the first widget: waits for the answers, at most a second after the
    // start, steers Qt around whatever did not answer, and says in one line on standard error what the program goes
    // without.
    void settle();

    BusCheck(const BusCheck &) = delete;
    BusCheck &operator=(const BusCheck &) = delete;

    struct Findings;

private:
    std::shared_ptr<Findings> m_findings;
};
