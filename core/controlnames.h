#pragma once

#include <string_view>

// Every control of the window is reached by its name, so each name is spelled here once and used by the logic, the
// window and the tests alike. The odd spellings (BaudFRame, Polarity for a frame) are the names the team agreed on.
namespace controls {

// clang-format off
inline constexpr std::string_view ModuleFrame                = "ModuleFrame";
inline constexpr std::string_view BaudFRame                  = "BaudFRame";
inline constexpr std::string_view ParityFrame                = "ParityFrame";
inline constexpr std::string_view Polarity                   = "Polarity";

inline constexpr std::string_view OptionButtonSelectStamp    = "OptionButtonSelectStamp";
inline constexpr std::string_view BS1OptionButton            = "BS1OptionButton";
inline constexpr std::string_view BS2OptionButton            = "BS2OptionButton";
inline constexpr std::string_view BS2eOptionButton           = "BS2eOptionButton";
inline constexpr std::string_view BS2sxOptionButton          = "BS2sxOptionButton";
inline constexpr std::string_view BS2pOptionButton           = "BS2pOptionButton";
inline constexpr std::string_view BS2peOptionButton          = "BS2peOptionButton";
inline constexpr std::string_view BS2pxOptionButton          = "BS2pxOptionButton";

inline constexpr std::string_view OptionButtonBaudRate       = "OptionButtonBaudRate";
inline constexpr std::string_view OptionButton300            = "OptionButton300";
inline constexpr std::string_view OptionButton600            = "OptionButton600";
inline constexpr std::string_view OptionButton1200           = "OptionButton1200";
inline constexpr std::string_view OptionButton2400           = "OptionButton2400";
inline constexpr std::string_view OptionButton4800           = "OptionButton4800";
inline constexpr std::string_view OptionButton9600           = "OptionButton9600";
inline constexpr std::string_view OptionButton19200          = "OptionButton19200";
inline constexpr std::string_view OptionButton38400          = "OptionButton38400";
inline constexpr std::string_view OptionButton56000          = "OptionButton56000";
inline constexpr std::string_view OptionButton57600          = "OptionButton57600";
inline constexpr std::string_view OptionButton115200         = "OptionButton115200";

inline constexpr std::string_view OptionButtonParity         = "OptionButtonParity";
inline constexpr std::string_view OptionButton8BitNoParity   = "OptionButton8BitNoParity";
inline constexpr std::string_view OptionButton7BitEvenParity = "OptionButton7BitEvenParity";

inline constexpr std::string_view OptionButtonPolarity       = "OptionButtonPolarity";
inline constexpr std::string_view OptionButtonInverted       = "OptionButtonInverted";
inline constexpr std::string_view OptionButtonTrue           = "OptionButtonTrue";

inline constexpr std::string_view CalculateCommandButton     = "CalculateCommandButton";
inline constexpr std::string_view BaudModeDecimalLabel       = "BaudModeDecimalLabel";
inline constexpr std::string_view Label1                     = "Label1";
// clang-format on

} // namespace controls
