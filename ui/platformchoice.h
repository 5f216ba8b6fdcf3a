#pragma once

// Chooses the platform the window gets the desktop's own title bar on, where the user has chosen none (neither
// QT_QPA_PLATFORM nor -platform): the X11 one, through XWayland, on a Wayland compositor that draws no title bars for
// Wayland windows (GNOME's, weston) while an X server is there too. Qt 6.4 would pick Wayland on any of them and draw
// a title bar of its own. Everywhere else Qt's own choice stands: Wayland where the compositor draws the title bar
// (KDE's, sway), X11 on X11. A compositor that closes the connection unanswered gets X11 alone, and one that keeps
// silent X11 first. Runs before the application object is made.
void choosePlatform(int argc, char *argv[]);

// Whether the choice above found a Wayland compositor that took its connection and closed it unanswered, which the
// message for a display that could not be opened names.
bool compositorClosedUnanswered();
