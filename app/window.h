#pragma once

// The window, in a module of its own that links Qt: the program loads it only to open the window, so that answering
// on the terminal loads none of Qt's libraries. Takes the command line as it came, for Qt's own options.
extern "C" __attribute__((visibility("default"))) int tevrolinWindow(int argc, char *argv[]);
using TevrolinWindow = decltype(&tevrolinWindow);
inline constexpr const char *kTevrolinWindowSymbol = "tevrolinWindow";
