#include "window.h"

#include "buscheck.h"
#include "controlwidgets.h"
#include "desktop.h"
#include "form1.h"
#include "platformchoice.h"

#include <QApplication>
#include <QIcon>

#include <cstdlib>
#include <exception>

int tevrolinWindow(int argc, char *argv[])
{
    // Qt's GTK 3 theme (GNOME) starts GTK inside the program, and GTK's own accessibility bridge with it: a second
    // application on the screen reader's bus that never answers, behind which Orca and every AT-SPI client wait. Qt
    // answers screen readers for every window itself; GTK's bridge is told to stay away.
    qputenv("NO_AT_BRIDGE", "1");
    dropInvalidScaleFactor();
    // Asked while the application object is made, so that a bus that never answers cannot keep the window waiting.
    BusCheck buses;
    holdMessagesWhileConnecting();
    choosePlatform(argc, argv);
    QApplication app(argc, argv);
    releaseHeldMessages();
    buses.settle();
    // Frame captions on the frame line, as the control table was laid out; and, unlike Fusion, no image plugins (3 ms).
    // Colours and fonts still come from the desktop.
    QApplication::setStyle(QStringLiteral("windows"));
    keepShadesVisible();
    PreferredColorScheme colorScheme;
    QApplication::setApplicationName(QStringLiteral("Tevrolin"));
    QApplication::setApplicationVersion(QStringLiteral(TEVROLIN_VERSION));
    QApplication::setWindowIcon(windowIcon(kStartIconSizes));

    Form1 window;
    // A run-time error leaves the window in a state nobody chose; after its message the program ends.
    QObject::connect(&window, &Form1::runtimeErrorReported, &app, [] { QApplication::exit(EXIT_FAILURE); });
    try {
        window.load();
    } catch (const std::exception &error) {
        window.reportRuntimeError(error);
        return EXIT_FAILURE;
    }
    colorScheme.apply();
    window.show();
    // The large icons for task switchers only once the window is on the screen: decoding them first delays the first
    // paint by about 2.6 ms. Following the colour scheme's changes waits as long.
    new AfterFirstPaint(&window, [&colorScheme] {
        QApplication::setWindowIcon(windowIcon(kIconSizes));
        colorScheme.follow();
    });
    return QApplication::exec();
}
