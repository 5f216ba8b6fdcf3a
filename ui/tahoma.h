#pragma once

class QFont;

// Makes "Tahoma" available where the system lacks it, from Debian's fonts-wine; without either, fontconfig's
// substitute for it is used. Safe to call more than once.
void ensureTahoma();

// "Tahoma", regular, at the size in points.
QFont tahoma(double pointSize);
