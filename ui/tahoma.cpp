#include "tahoma.h"

#include <QFile>
#include <QFont>
#include <QFontDatabase>

void ensureTahoma()
{
    static const bool once = [] {
        if (QFontDatabase::hasFamily(QStringLiteral("Tahoma")))
            return true;
        // fontconfig does not register the copy that fonts-wine ships.
        const auto path = QStringLiteral("/usr/share/wine/fonts/tahoma.ttf");
        return QFile::exists(path) && QFontDatabase::addApplicationFont(path) != -1;
    }();
    (void)once;
}

QFont tahoma(double pointSize)
{
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSizeF(pointSize);
    font.setWeight(QFont::Normal);
    font.setStyleHint(QFont::SansSerif); // the fallback when no Tahoma exists at all
    return font;
}
