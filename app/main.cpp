#include "controlwidgets.h"
#include "form1.h"

#include <QApplication>
#include <QIcon>

#include <cstdlib>
#include <exception>

int main(int argc, char *argv[])
{
    // No desktop theme plugin: on GNOME, Qt's GTK 3 theme would double the start-up time and add 13 MiB.
    QApplication::setDesktopSettingsAware(false);
    QApplication app(argc, argv);
    // Frame captions on the frame line, as the control table was laid out; and, unlike Fusion, no image plugins (3 ms).
    QApplication::setStyle(QStringLiteral("windows"));
    QApplication::setApplicationName(QStringLiteral("Tevrolin"));
    QApplication::setApplicationVersion(QStringLiteral(TEVROLIN_VERSION));
    QApplication::setWindowIcon(windowIcon());

    Form1 window;
    // A run-time error leaves the window in a state nobody chose; after its message the program ends.
    QObject::connect(&window, &Form1::runtimeErrorReported, &app, [] { QApplication::exit(EXIT_FAILURE); });
    try {
        window.load();
    } catch (const std::exception &error) {
        window.reportRuntimeError(error);
        return EXIT_FAILURE;
    }
    window.show();
    return app.exec();
}
