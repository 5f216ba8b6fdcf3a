#include "baudmode.h"

#include "runtimeerror.h"

#include <algorithm>
#include <cfenv>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

// WebAssembly keeps no floating-point exception flags, and its <cfenv> names none: there a fault shows only in a result
// that is not finite, which the last check of CalculateBaudMode refuses.
#if defined(FE_INVALID) && defined(FE_DIVBYZERO) && defined(FE_OVERFLOW)
constexpr int kFaults = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;
#else
constexpr int kFaults = 0;
#endif

// The volatile stores keep the compiler from moving the arithmetic past the test of the exception flags.
void throwOnFault(const char *step)
{
    if (std::fetestexcept(kFaults))
        throw FloatingPointError(step);
}

bool sameIgnoringCase(std::string_view a, std::string_view b)
{
    const auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    // The classic algorithms here and below: the web build's libc++ 13 lacks std::ranges::equal and find_if.
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [&](char x, char y) { return fold(x) == fold(y); });
}

template <class Row>
const Row *findNamed(std::span<const Row> rows, std::string_view Row::*nameOf, std::string_view name)
{
    const auto found =
        std::find_if(rows.begin(), rows.end(), [&](const Row &row) { return sameIgnoringCase(row.*nameOf, name); });
    return found == rows.end() ? nullptr : &*found;
}

#if __cpp_lib_to_chars < 201611L
// The text of std::to_chars in fixed notation, where the standard library has no floating-point std::to_chars (the web
// build's libc++ 13): the fewest decimals that read back exactly, each count rounded to the closest by printf. This C
// library's printf and strtod read no locale.
std::string fixedText(double value)
{
    if (std::isnan(value))
        return std::signbit(value) ? "-nan" : "nan";
    char text[400];
    for (int decimals = 0;; ++decimals) {
        if (std::snprintf(text, sizeof text, "%.*f", decimals, value) >= int(sizeof text))
            throw FloatingPointError("the number cannot be written as text");
        if (std::strtod(text, nullptr) == value)
            return text;
    }
}
#endif

} // namespace

const ModelRow *findModel(std::string_view name)
{
    return findNamed<ModelRow>(kModels, &ModelRow::model, name);
}

const ValueRow *findValue(std::span<const ValueRow> rows, std::string_view name)
{
    return findNamed(rows, &ValueRow::name, name);
}

BaudModeOutcome CalculateBaudMode(std::string_view StampModel, double ClockDividend, double BaudRate,
                                  double ParityValue, double PolarityValue)
{
    if (StampModel == kBs1Model) {
        if (BaudRate > kBs1Ceiling)
            return { .refused = true, .caption = {} };
        std::string caption(PolarityValue == 0 ? kBs1TrueLetter : kBs1InvertedLetter);
        caption += numberToText(BaudRate);
        return { .refused = false, .caption = caption };
    }

    // Save the caller's flags so that a fault here is reported once, here, and leaves the environment as it was. The
    // flags travel as a plain bit set: MinGW-w64's fesetexceptflag() writes a saved fexcept_t into the SSE exception
    // masks as well, which unmasks traps and ends the program at the next inexact division.
    const int saved = std::fetestexcept(FE_ALL_EXCEPT);
    std::feclearexcept(FE_ALL_EXCEPT);
    struct Restore {
        int flags;
        ~Restore()
        {
            std::feclearexcept(FE_ALL_EXCEPT);
            std::feraiseexcept(flags);
        }
    } restore{ saved };

    const volatile double quotient = ClockDividend / BaudRate;
    throwOnFault("the division of the clock dividend by the baud rate failed");

    const double whole = std::floor(quotient);
    const volatile double value = ((whole - kBaudModeOffset) + PolarityValue) + ParityValue;
    throwOnFault("the sum of the Baud Mode failed");
    // An infinite or NaN operand passes through without raising a flag; it still yields no number to show.
    if (!std::isfinite(value))
        throw FloatingPointError("the Baud Mode is not a finite number");

    return { .refused = false, .caption = numberToText(value) };
}

std::string numberToText(double value)
{
    if (value == 0)
        return "0"; // also for -0, which has no sign worth showing
#if __cpp_lib_to_chars >= 201611L
    // Fixed notation in the shortest form that reads back exactly: whole numbers get neither exponent nor point.
    // std::to_chars never consults the locale.
    char buffer[400];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (error != std::errc())
        throw FloatingPointError("the number cannot be written as text");
    return std::string(buffer, end);
#else
    return fixedText(value);
#endif
}
