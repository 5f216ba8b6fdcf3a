#pragma once

#include <optional>

// The command line. With no option of the program's own it asks for the window, and Qt's own options (-platform,
// -style, ...) pass on to it. Everything else is answered on the terminal before any application object exists, so
// that it needs no display and no bus: --help, --version, one Baud Mode (--module, --baud, --parity, --polarity),
// the whole table (--table [--module] [--csv]), or a mistake in any of them.
//
// Returns the exit status once the command line has been answered: 0, 1 for a rate that a BS1 cannot run, 2 for a
// command line that does not say what to do. Returns nothing when the window should open.
std::optional<int> answerCommandLine(int argc, char *argv[]);
