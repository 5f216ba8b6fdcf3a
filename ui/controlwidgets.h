#pragma once

#include "controltable.h"

#include <QRect>

#include <array>
#include <span>

class QIcon;
class QWidget;

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
