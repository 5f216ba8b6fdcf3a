#pragma once

#include "controltable.h"

#include <QRect>

class QIcon;
class QWidget;

// The control's rectangle in device-independent pixels.
QRect toPixelRect(const Twips &twips);

// The control of a table row as it is created: kind, name, caption, geometry, enabled state and font.
QWidget *createWidget(const ControlRow &row, QWidget *parent);

// The window icon, from the program's PNG art.
QIcon windowIcon();
