#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

// The command line of every platform, with no toolkit: text in, text out. With no option of the program's own it asks
// for the window, and the window's own options (on Linux Qt's -platform, -style, ...) pass on to it. Everything else
// is answered before any window exists, so that it needs no display: --help, --version, one Baud Mode (--module,
// --baud, --parity, --polarity), the whole table (--table [--module] [--csv]), or a mistake in any of them.

// An option of the window's toolkit: known here so that it is not taken for a mistake, and listed by --help-all.
struct WindowOption {
    std::string_view name;
    std::string_view valueName; // empty for a switch
    std::string_view description;
};

// The window's options and the heading --help-all lists them under; none where the window takes no options.
struct WindowOptions {
    std::string_view heading;
    std::span<const WindowOption> options;
};

inline constexpr int kRefused = 1;    // a rate that a BS1 cannot run, or a run-time error
inline constexpr int kUsageError = 2; // a command line that does not say what to do

// What the program prints, each line ending in "\n", and its exit status; no status when the window should open.
struct CommandLineAnswer {
    std::optional<int> status;
    std::string out, err;
};

// The arguments in UTF-8, the program's name first.
CommandLineAnswer answerCommandLine(std::span<const std::string> arguments, const WindowOptions &window = {});
