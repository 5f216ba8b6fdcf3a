#pragma once

#include "controltable.h"

#include <QRect>
#include <QString>

#include <array>
#include <span>
#include <string_view>

class QIcon;
class QWidget;

// Text from the tables, which are UTF-8.
inline QString toQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}
// A message's prompt, whose lines the tables join with CR LF as the message box of Windows takes them, with Qt's line
// breaks.
inline QString promptLines(std::string_view prompt)
{
    return toQString(prompt).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

// The control's rectangle in device-independent pixels.
QRect toPixelRect(const Twips &twips);

// The control of a table row as it is created: kind, name, caption, geometry, enabled state and font.
QWidget *createWidget(const ControlRow &row, QWidget *parent);

// The sizes of the window icon's PNG art: those a title bar and a task bar show at once, and all of them, up to what a
// task switcher or dock shows.
inline constexpr auto kStartIconSizes = std::to_array({ 16, 32 });
inline constexpr auto kIconSizes = std::to_array({ 16, 32, 48, 64, 128, 256 });

// The window icon with the images of the given sizes.
QIcon windowIcon(std::span<const int> sizes);
