#pragma once

#include "controlnames.h"

#include <array>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// A module option: the model text it stores, the clock dividend it stores (a BS1 stores none and leaves the previous
// one), and the fastest rate it lets the user pick.
struct ModelRow {
    std::string_view control;
    std::string_view model;
    std::optional<double> dividend;
    double fastestRate;
};

// A rate, parity or polarity option, the number it stores, and the name the command line gives it.
struct ValueRow {
    std::string_view control;
    double value;
    std::string_view name;
};

inline constexpr std::string_view kBs1Model = "BS1";
inline constexpr double kBs1Ceiling = 2400; // inclusive: a BS1 runs at 2400 but at nothing faster
inline constexpr double kNoRateLimit = std::numeric_limits<double>::infinity();
inline constexpr double kBaudModeOffset = 20;

// clang-format off
inline constexpr auto kModels = std::to_array<ModelRow>({
//    control                        model    dividend       fastestRate
    { controls::BS1OptionButton,     kBs1Model, std::nullopt, kBs1Ceiling  },
    { controls::BS2OptionButton,     "BS2",     1000000,      kNoRateLimit },
    { controls::BS2eOptionButton,    "BS2e",    1000000,      kNoRateLimit },
    { controls::BS2sxOptionButton,   "BS2sx",   2500000,      kNoRateLimit },
    { controls::BS2pOptionButton,    "BS2p",    2500000,      kNoRateLimit },
    { controls::BS2peOptionButton,   "BS2pe",   1000000,      kNoRateLimit },
    { controls::BS2pxOptionButton,   "BS2px",   4000000,      kNoRateLimit },
});

// In the order in which a module click sets their enabled state.
inline constexpr auto kRates = std::to_array<ValueRow>({
    { controls::OptionButton300,    300,    "300"    },
    { controls::OptionButton600,    600,    "600"    },
    { controls::OptionButton1200,   1200,   "1200"   },
    { controls::OptionButton2400,   2400,   "2400"   },
    { controls::OptionButton4800,   4800,   "4800"   },
    { controls::OptionButton9600,   9600,   "9600"   },
    { controls::OptionButton19200,  19200,  "19200"  },
    { controls::OptionButton38400,  38400,  "38400"  },
    { controls::OptionButton56000,  56000,  "56000"  },
    { controls::OptionButton57600,  57600,  "57600"  },
    { controls::OptionButton115200, 115200, "115200" },
});

inline constexpr auto kParities = std::to_array<ValueRow>({
    { controls::OptionButton8BitNoParity,   0,    "8N" },
    { controls::OptionButton7BitEvenParity, 8192, "7E" },
});

inline constexpr auto kPolarities = std::to_array<ValueRow>({
    { controls::OptionButtonInverted, 16384, "inverted" },
    { controls::OptionButtonTrue,     0,     "true"     },
});
// clang-format on

// A BS1 names its polarity by a letter in front of the rate.
inline constexpr std::string_view kBs1TrueLetter = "T";     // PolarityValue 0
inline constexpr std::string_view kBs1InvertedLetter = "N"; // any other PolarityValue

// The warning shown when a BS1 is asked for a rate above its ceiling.
struct Message {
    std::string_view prompt;
    int style;
    std::string_view title;
};
inline constexpr int kExclamationOkOnly = 48;
inline constexpr Message kBs1RateRefusal{
    "Baud rate is not valid with a BS1\r\nPlease select a value between 300 and 2400",
    kExclamationOkOnly,
    "Text Editor",
};

struct BaudModeOutcome {
    bool refused = false; // only for a BS1 rate above the ceiling
    std::string caption;  // the result label's new text; empty when refused

    bool operator==(const BaudModeOutcome &) const = default;
};

// The Baud Mode for the five values of the form. Throws FloatingPointError when the division or the sum raises an
// invalid-operation, division-by-zero or overflow exception, or yields no finite number.
BaudModeOutcome CalculateBaudMode(std::string_view StampModel, double ClockDividend, double BaudRate,
                                  double ParityValue, double PolarityValue);

// The module or value that a name on the command line stands for, matched in any letter case ("bs2px", "7e",
// "INVERTED"); null for any other text. Only ASCII letters fold, so no locale's case rules change what matches.
const ModelRow *findModel(std::string_view name);
const ValueRow *findValue(std::span<const ValueRow> rows, std::string_view name);

// A number as plain decimal digits, led by "-" when negative: no blank, no grouping, no decimal sign for whole numbers,
// and the same under every locale.
std::string numberToText(double value);
