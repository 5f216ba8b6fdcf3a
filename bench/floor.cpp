// The toolkit's floor for tevrolin's start-up: a bare Qt window of the same client size with the same 33 controls,
// of the same kinds, geometry, captions, fonts and enabled states, and nothing else: no load step, no button groups,
// no tab order, no click bindings, no logic. It makes the same start-up choices as app/main.cpp, so that whatever
// tevrolin costs beyond it is the program's own.

#include "controlwidgets.h"
#include "tahoma.h"

#include <QApplication>
#include <QIcon>
#include <QWidget>

#include <map>
#include <string_view>

int main(int argc, char *argv[])
{
    qputenv("NO_AT_BRIDGE", "1");
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("windows"));
    QApplication::setWindowIcon(windowIcon(kStartIconSizes));

    ensureTahoma();
    QWidget window;
    window.setWindowTitle(QStringLiteral("Tevrolin floor"));
    window.setFixedSize(toPixelRect(kClientArea).size());
    std::map<std::string_view, QWidget *> created;
    for (const auto &row : kControls)
        created.emplace(row.name, createWidget(row, row.container.empty() ? &window : created.at(row.container)));
    window.show();
    return app.exec();
}
