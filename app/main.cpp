#include "form1.h"

#include <QApplication>
#include <QIcon>

#include <cstdlib>
#include <exception>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tevrolin"));
    QApplication::setApplicationVersion(QStringLiteral(TEVROLIN_VERSION));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/tevrolin.ico")));

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
