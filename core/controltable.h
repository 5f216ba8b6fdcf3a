#pragma once

#include "controlnames.h"

#include <algorithm>
#include <array>
#include <string_view>

enum class Kind { Frame, OptionButton, CommandButton, Label };

// A rectangle in twips (1/1440 inch), measured from the top-left corner of the control's container: the window's client
// area, or a frame's outer rectangle with its caption band.
struct Twips {
    int left, top, width, height;
};

// The window's default font, or "Tahoma" at one of three point sizes.
inline constexpr double kWindowFont = 0;
inline constexpr double kSmall = 8.25, kMedium = 9.75, kLarge = 15.75;

struct ControlRow {
    std::string_view name; // the objectName: the logic, WindowOperations and the tests find controls by it
    Kind kind;
    std::string_view container; // empty: the window itself
    std::string_view caption;
    Twips geometry; // as created, before the load step
    bool enabled;
    int tabIndex;
    double pointSize;
};

inline constexpr Twips kClientArea{ .left = 0, .top = 0, .width = 13770, .height = 8175 };

inline constexpr std::string_view kNotice = "Tevrolin 1.00  -  Baud Mode calculator";

namespace detail {
using namespace controls;
using enum Kind;
inline constexpr std::string_view Window = "";

// Rows in creation order, which is also the stacking order: the polarity options come after the frame `Polarity` so
// that they stand in front of it.
// clang-format off
inline constexpr auto kControls = std::to_array<ControlRow>({
//    name                        kind           container    caption                              { L,     T,    W,    H    }  on     tab  pt
    { ModuleFrame,                Frame,         Window,      "Module",                            { 250,   50,   3100, 6375 }, true,  17, kWindowFont },
    { BaudFRame,                  Frame,         Window,      "Baud",                              { 3600,  50,   3100, 6375 }, true,  4,  kWindowFont },
    { ParityFrame,                Frame,         Window,      "Parity",                            { 6950,  50,   3100, 6375 }, true,  26, kWindowFont },
    { Polarity,                   Frame,         Window,      "Polarity",                          { 10300, 50,   3100, 6375 }, true,  0,  kSmall },
    { OptionButtonPolarity,       OptionButton,  Window,      "   Select polarity bit",            { 10460, 480,  2775, 495 },  false, 1,  kMedium },
    { OptionButtonInverted,       OptionButton,  Window,      "Inverted",                          { 10900, 960,  1215, 495 },  false, 2,  kSmall },
    { OptionButtonTrue,           OptionButton,  Window,      "True",                              { 10900, 1380, 1215, 495 },  false, 3,  kSmall },
    { CalculateCommandButton,     CommandButton, Window,      "Calculate Baud Mode ",              { 1440,  6950, 3345, 495 },  false, 31, kLarge },
    { BaudModeDecimalLabel,       Label,         Window,      " 0",                                { 5040,  6945, 3105, 495 },  false, 30, kLarge },
    { Label1,                     Label,         Window,      kNotice,                             { 9600,  7680, 3705, 495 },  true,  32, kSmall },

    { OptionButtonSelectStamp,    OptionButton,  ModuleFrame, "   Select a Stamp module",          { 120,   480,  2535, 495 },  true,  25, kMedium },
    { BS1OptionButton,            OptionButton,  ModuleFrame, "BS1",                               { 450,   930,  1215, 495 },  true,  24, kSmall },
    { BS2OptionButton,            OptionButton,  ModuleFrame, "BS2",                               { 450,   1380, 1215, 495 },  true,  19, kSmall },
    { BS2eOptionButton,           OptionButton,  ModuleFrame, "BS2e",                              { 450,   1830, 1215, 495 },  true,  20, kSmall },
    { BS2sxOptionButton,          OptionButton,  ModuleFrame, "BS2sx",                             { 450,   2280, 1215, 495 },  true,  21, kSmall },
    { BS2pOptionButton,           OptionButton,  ModuleFrame, "BS2p",                              { 450,   2730, 1215, 495 },  true,  22, kSmall },
    { BS2peOptionButton,          OptionButton,  ModuleFrame, "BS2pe",                             { 450,   3180, 1215, 495 },  true,  23, kSmall },
    { BS2pxOptionButton,          OptionButton,  ModuleFrame, "BS2px",                             { 480,   3630, 1215, 495 },  true,  18, kSmall },

    { OptionButtonBaudRate,       OptionButton,  BaudFRame,   "   Please select a Baud rate",      { 120,   480,  2775, 495 },  false, 16, kMedium },
    { OptionButton300,            OptionButton,  BaudFRame,   "300",                               { 590,   960,  1215, 495 },  false, 15, kSmall },
    { OptionButton600,            OptionButton,  BaudFRame,   "600",                               { 590,   1380, 1215, 495 },  false, 5,  kSmall },
    { OptionButton1200,           OptionButton,  BaudFRame,   "1200",                              { 590,   1830, 1215, 495 },  false, 6,  kSmall },
    { OptionButton2400,           OptionButton,  BaudFRame,   "2400",                              { 590,   2280, 1215, 495 },  false, 7,  kSmall },
    { OptionButton4800,           OptionButton,  BaudFRame,   "4800",                              { 590,   2730, 1215, 495 },  false, 8,  kSmall },
    { OptionButton9600,           OptionButton,  BaudFRame,   "9600",                              { 590,   3180, 1215, 495 },  false, 9,  kSmall },
    { OptionButton19200,          OptionButton,  BaudFRame,   "19200",                             { 590,   3630, 1215, 495 },  false, 10, kSmall },
    { OptionButton38400,          OptionButton,  BaudFRame,   "38400",                             { 590,   4080, 1215, 495 },  false, 11, kSmall },
    { OptionButton56000,          OptionButton,  BaudFRame,   "56000",                             { 590,   4530, 1215, 495 },  false, 12, kSmall },
    { OptionButton57600,          OptionButton,  BaudFRame,   "57600",                             { 590,   4980, 1215, 495 },  false, 14, kSmall },
    { OptionButton115200,         OptionButton,  BaudFRame,   "115200",                            { 590,   5430, 1215, 495 },  false, 13, kSmall },

    { OptionButtonParity,         OptionButton,  ParityFrame, "   Select data bits and parity",    { 120,   480,  2775, 495 },  false, 29, kMedium },
    { OptionButton8BitNoParity,   OptionButton,  ParityFrame, "8 bit, no parity",                  { 590,   960,  1935, 495 },  false, 27, kSmall },
    { OptionButton7BitEvenParity, OptionButton,  ParityFrame, "7 bit, even parity",                { 590,   1380, 1935, 495 },  false, 28, kSmall },
});
// clang-format on

// One block of the load step: Height, Left, Top and Width, in that order. The width of the BS2px block lands on the
// module group's prompt option, which so becomes wider than its frame; BS2px keeps its created width.
struct LoadBlock {
    std::string_view control;
    Twips geometry;
    std::string_view widthControl;
};

// clang-format off
inline constexpr auto kLoadBlocks = std::to_array<LoadBlock>({
    { ModuleFrame,             { 250,   50,   3100, 6375 }, ModuleFrame },
    { OptionButtonSelectStamp, { 120,   480,  1000, 495  }, OptionButtonSelectStamp },
    { BS1OptionButton,         { 450,   930,  1215, 495  }, BS1OptionButton },
    { BS2OptionButton,         { 450,   1380, 1215, 495  }, BS2OptionButton },
    { BS2eOptionButton,        { 450,   1830, 1215, 495  }, BS2eOptionButton },
    { BS2sxOptionButton,       { 450,   2280, 1215, 495  }, BS2sxOptionButton },
    { BS2pOptionButton,        { 450,   2730, 1215, 495  }, BS2pOptionButton },
    { BS2peOptionButton,       { 450,   3180, 1215, 495  }, BS2peOptionButton },
    { BS2pxOptionButton,       { 450,   3630, 3630, 495  }, OptionButtonSelectStamp },
    { BaudFRame,               { 3600,  50,   3100, 6375 }, BaudFRame },
    { ParityFrame,             { 6950,  50,   3100, 6375 }, ParityFrame },
    { Polarity,                { 10300, 50,   3100, 6375 }, Polarity },
});
// clang-format on

// The options the load step selects last, so that no real choice stands selected when the window opens.
inline constexpr auto kPromptOptions =
    std::to_array({ OptionButtonSelectStamp, OptionButtonBaudRate, OptionButtonParity, OptionButtonPolarity });
} // namespace detail

using detail::kControls;
using detail::kLoadBlocks;
using detail::kPromptOptions;
using detail::LoadBlock;

constexpr bool tabIndicesAreUnique(const auto &rows)
{
    std::array<bool, std::tuple_size_v<std::remove_cvref_t<decltype(rows)>>> seen{};
    for (const auto &row : rows) {
        if (row.tabIndex < 0 || row.tabIndex >= int(seen.size()) || seen[row.tabIndex])
            return false;
        seen[row.tabIndex] = true;
    }
    return true;
}
static_assert(kControls.size() == 33 && tabIndicesAreUnique(kControls));

// The only place where twips become pixels: 1440 twips to the inch, at the display's dots per inch, rounded to the
// nearest. Qt counts 96 device-independent pixels to the inch and scales from there itself; a Win32 window counts its
// own monitor's dots.
constexpr int kTwipsPerInch = 1440;
constexpr int toDevicePixels(int twips, int dotsPerInch)
{
    return (2 * twips * dotsPerInch + kTwipsPerInch) / (2 * kTwipsPerInch);
}
constexpr int toPixels(int twips)
{
    return toDevicePixels(twips, 96);
}
static_assert(toPixels(13770) == 918 && toPixels(8175) == 545 && toPixels(50) == 3 && toPixels(250) == 17);
static_assert(toDevicePixels(13770, 144) == 1377 && toDevicePixels(8175, 144) == 818);
