#include "baudmode.h"
#include "runtimeerror.h"
#include "workedresults.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cfenv>
#include <clocale>
#include <limits>
#include <locale>
#include <string>
#include <tuple>
#include <utility>

namespace {

constexpr double kTrue = 0, kInverted = 16384, kNoParity = 0, kEvenParity = 8192;

std::string caption(std::string_view model, double dividend, double rate, double parity, double polarity)
{
    const auto outcome = CalculateBaudMode(model, dividend, rate, parity, polarity);
    EXPECT_FALSE(outcome.refused);
    return outcome.caption;
}

TEST(BaudModeTest, WorkedResultsForEveryDividendAndRate)
{
    for (const auto &row : kWorkedResults) {
        SCOPED_TRACE(row.rate);
        EXPECT_EQ(caption("BS2", 1000000, row.rate, kNoParity, kTrue), std::to_string(row.at1000000));
        EXPECT_EQ(caption("BS2sx", 2500000, row.rate, kNoParity, kTrue), std::to_string(row.at2500000));
        EXPECT_EQ(caption("BS2px", 4000000, row.rate, kNoParity, kTrue), std::to_string(row.at4000000));
        // The flags are plain addends on top of the floored quotient.
        EXPECT_EQ(caption("BS2", 1000000, row.rate, kEvenParity, kInverted),
                  std::to_string(row.at1000000 + 16384 + 8192));
    }
}

TEST(BaudModeTest, Bs1NamesPolarityByLetterUpToItsCeilingAndRefusesFasterRates)
{
    struct Case {
        double rate, polarity, parity;
        BaudModeOutcome expected;
    };
    const Case cases[] = {
        { 2400, kInverted, kNoParity, { false, "N2400" } }, { 2400, kTrue, kEvenParity, { false, "T2400" } },
        { 300, kTrue, kNoParity, { false, "T300" } },       { 300, kTrue, kEvenParity, { false, "T300" } },
        { 1200, 1, kNoParity, { false, "N1200" } },         { 2400.5, kTrue, kNoParity, { true, "" } },
        { 4800, kTrue, kNoParity, { true, "" } },           { 115200, kInverted, kEvenParity, { true, "" } },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.rate << " " << c.polarity << " " << c.parity);
        // The dividend takes no part for a BS1, not even a zero one.
        EXPECT_EQ(CalculateBaudMode("BS1", 0, c.rate, c.parity, c.polarity), c.expected);
        EXPECT_EQ(CalculateBaudMode("BS1", 2500000, c.rate, c.parity, c.polarity), c.expected);
    }
}

TEST(BaudModeTest, OnlyTheExactTextBs1TakesTheBs1Branch)
{
    for (const std::string_view model : { "bs1", "Bs1", "BS1 ", " BS1", "BS10", "BS", "" }) {
        SCOPED_TRACE(testing::Message() << "'" << model << "'");
        EXPECT_EQ(caption(model, 1000000, 4800, kNoParity, kTrue), "188");
        // A rate a BS1 would refuse is fine for the other branch.
        EXPECT_EQ(caption(model, 1000000, 115200, kNoParity, kTrue), "-12");
    }
}

TEST(BaudModeTest, FloatingPointFaultsFailWithoutACaptionWhateverFlagsTheCallerLeftRaised)
{
    constexpr double kMax = std::numeric_limits<double>::max();
    constexpr double kInf = std::numeric_limits<double>::infinity();
    constexpr auto kDivision = "the division of the clock dividend by the baud rate failed",
                   kSum = "the sum of the Baud Mode failed", kNotFinite = "the Baud Mode is not a finite number";
    struct Case {
        const char *what;
        double dividend, rate, parity, polarity;
        const char *step;    // what the error names where the exception flags tell which step failed; none: no fault
        const char *caption; // without a fault
    };
    const Case cases[] = {
        { "0 / 0 is invalid", 0, 0, kNoParity, kTrue, kDivision, nullptr },
        { "a dividend over a zero rate divides by zero", 1000000, 0, kNoParity, kTrue, kDivision, nullptr },
        { "the quotient overflows", kMax, 0.5, kNoParity, kTrue, kDivision, nullptr },
        { "the sum overflows", kMax, 1, kMax, kMax, kSum, nullptr },
        { "inf minus inf is invalid", kInf, 1, kNoParity, -kInf, kSum, nullptr },
        { "an infinite dividend gives no number", kInf, 9600, kNoParity, kTrue, kNotFinite, nullptr },
        { "a NaN rate gives no number", 1000000, std::numeric_limits<double>::quiet_NaN(), kNoParity, kTrue, kNotFinite,
          nullptr },
        // A sound calculation after other code: the flags it left are none of this calculation's faults.
        { "an inexact quotient", 1000000, 9600, kNoParity, kTrue, nullptr, "84" },
        { "both flags added", 2500000, 300, kEvenParity, kInverted, nullptr, "32889" },
        { "a negative Baud Mode", 1000000, 115200, kNoParity, kTrue, nullptr, "-12" },
    };
    // What other code may leave raised: each fault alone, all of them, and nothing at all.
    struct Callers {
        const char *what;
        int flags;
    };
    const Callers callerFlags[] = {
        { "nothing", 0 },
#ifdef FE_INEXACT
        { "FE_INEXACT", FE_INEXACT },
#endif
#if defined(FE_INVALID) && defined(FE_DIVBYZERO) && defined(FE_OVERFLOW)
        { "FE_INVALID", FE_INVALID },
        { "FE_DIVBYZERO", FE_DIVBYZERO },
        { "FE_OVERFLOW", FE_OVERFLOW },
        { "FE_ALL_EXCEPT", FE_ALL_EXCEPT },
#endif
    };
    // Where no flags are kept (WebAssembly, valgrind), raising them leaves none.
    std::feraiseexcept(FE_ALL_EXCEPT);
    const bool flagsKept = std::fetestexcept(FE_ALL_EXCEPT) != 0;
    for (const auto &raised : callerFlags) {
        for (const auto &c : cases) {
            SCOPED_TRACE(testing::Message() << c.what << ", the caller leaving " << raised.what);
            std::feclearexcept(FE_ALL_EXCEPT);
            std::feraiseexcept(raised.flags);
            const int callers = std::fetestexcept(FE_ALL_EXCEPT);
            if (c.step) {
                // Where no flags are kept, every fault is found by the check of the result alone.
                const std::string expected = std::string("Floating-point error: ") + (flagsKept ? c.step : kNotFinite);
                EXPECT_THAT([&] { CalculateBaudMode("BS2", c.dividend, c.rate, c.parity, c.polarity); },
                            testing::ThrowsMessage<FloatingPointError>(expected));
            } else {
                EXPECT_EQ(caption("BS2", c.dividend, c.rate, c.parity, c.polarity), c.caption);
            }
            // The caller's floating-point flags are left as they were found, and no trap is left armed: the next
            // inexact division goes through.
            EXPECT_EQ(std::fetestexcept(FE_ALL_EXCEPT), callers);
            std::feclearexcept(FE_ALL_EXCEPT);
            EXPECT_EQ(caption("BS2", 1000000, 9600, kNoParity, kTrue), "84");
        }
    }
}

TEST(BaudModeTest, InexactAndUnderflowAreNoFault)
{
    EXPECT_EQ(caption("BS2", 1000000, 9600, kNoParity, kTrue), "84"); // 104.1666... is inexact
    EXPECT_EQ(caption("BS2", std::numeric_limits<double>::denorm_min(), 1e10, kNoParity, kTrue), "-20");
}

TEST(BaudModeTest, CommandLineNamesMatchInAnyCaseAndNothingElse)
{
    const auto control = [](const auto *row) { return row ? row->control : std::string_view(); };
    // name, then the control it must find in each table; "" for none. A dotless i, as a Turkish keyboard types it,
    // is no i.
    const std::pair<std::string_view, std::string_view> models[] = { { "BS2", "BS2OptionButton" },
                                                                     { "bs2px", "BS2pxOptionButton" },
                                                                     { "Bs2Pe", "BS2peOptionButton" },
                                                                     { "BS2p", "BS2pOptionButton" },
                                                                     { "BS3", "" },
                                                                     { "BS2 ", "" },
                                                                     { "BS", "" },
                                                                     { "", "" } };
    const std::tuple<std::span<const ValueRow>, std::string_view, std::string_view> values[] = {
        { kRates, "9600", "OptionButton9600" },
        { kRates, "115200", "OptionButton115200" },
        { kRates, "9601", "" },
        { kRates, "09600", "" },
        { kRates, "9600.0", "" },
        { kRates, "+9600", "" },
        { kRates, "abc", "" },
        { kParities, "8N", "OptionButton8BitNoParity" },
        { kParities, "7e", "OptionButton7BitEvenParity" },
        { kParities, "8E", "" },
        { kParities, "8 bit, no parity", "" },
        { kPolarities, "INVERTED", "OptionButtonInverted" },
        { kPolarities, "tRuE", "OptionButtonTrue" },
        { kPolarities, "false", "" },
        { kPolarities, "\xc4\xb1nverted", "" }
    };
    for (const auto &[name, expected] : models)
        EXPECT_EQ(control(findModel(name)), expected) << "'" << name << "'";
    for (const auto &[rows, name, expected] : values)
        EXPECT_EQ(control(findValue(rows, name)), expected) << "'" << name << "'";
}

struct GroupingPunct : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

TEST(BaudModeTest, TextIgnoresTheProcessLocale)
{
    const auto previous = std::locale::global(std::locale(std::locale::classic(), new GroupingPunct));
    const std::string previousC = std::setlocale(LC_ALL, nullptr);
    for (const char *name : { "de_DE.UTF-8", "fr_FR.UTF-8", "en_US.UTF-8" })
        if (std::setlocale(LC_NUMERIC, name))
            break;

    EXPECT_EQ(caption("BS2", 1000000, 9600, kNoParity, kInverted), "16468");
    EXPECT_EQ(caption("BS2", 1000000, 115200, kNoParity, kTrue), "-12");
    EXPECT_EQ(CalculateBaudMode("BS1", 0, 2400, kNoParity, kTrue).caption, "T2400");
    EXPECT_EQ(numberToText(1234567), "1234567");
    EXPECT_EQ(numberToText(-0.0), "0");
    EXPECT_EQ(numberToText(1e20), "100000000000000000000");
    // The fewest characters that read back exactly: every digit of a whole number (the double nearest 1e23 is
    // 99999999999999991611392), and no more decimals than needed.
    EXPECT_EQ(numberToText(1e23), "99999999999999991611392");
    EXPECT_EQ(numberToText(2400.5), "2400.5");
    EXPECT_EQ(numberToText(-0.1), "-0.1");
    EXPECT_EQ(numberToText(1.0 / 3), "0.3333333333333333");
    EXPECT_EQ(numberToText(1e-5), "0.00001");

    std::setlocale(LC_ALL, previousC.c_str());
    std::locale::global(previous);
}

} // namespace
