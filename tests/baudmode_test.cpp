#include "baudmode.h"
#include "runtimeerror.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <clocale>
#include <limits>
#include <locale>
#include <string>

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
    struct Row {
        double rate;
        int at1000000, at2500000, at4000000;
    };
    // clang-format off
    const Row rows[] = {
        { 300,    3313, 8313, 13313 }, { 600,   1646, 4146, 6646 }, { 1200,  813, 2063, 3313 },
        { 2400,   396,  1021, 1646  }, { 4800,  188,  500,  813  }, { 9600,  84,  240,  396  },
        { 19200,  32,   110,  188   }, { 38400, 6,    45,   84   }, { 56000, -3,  24,   51   },
        { 57600,  -3,   23,   49    }, { 115200, -12, 1,    14   },
    };
    // clang-format on
    for (const auto &row : rows) {
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

TEST(BaudModeTest, FloatingPointFaultsFailWithoutACaption)
{
    constexpr double kMax = std::numeric_limits<double>::max();
    constexpr double kInf = std::numeric_limits<double>::infinity();
    struct Case {
        const char *what;
        double dividend, rate, parity, polarity;
    };
    const Case cases[] = {
        { "0 / 0 is invalid", 0, 0, kNoParity, kTrue },
        { "a dividend over a zero rate divides by zero", 1000000, 0, kNoParity, kTrue },
        { "the quotient overflows", kMax, 0.5, kNoParity, kTrue },
        { "the sum overflows", kMax, 1, kMax, kMax },
        { "inf minus inf is invalid", kInf, 1, kNoParity, -kInf },
        { "an infinite dividend gives no number", kInf, 9600, kNoParity, kTrue },
        { "a NaN rate gives no number", 1000000, std::numeric_limits<double>::quiet_NaN(), kNoParity, kTrue },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        std::feclearexcept(FE_ALL_EXCEPT);
        EXPECT_THROW(CalculateBaudMode("BS2", c.dividend, c.rate, c.parity, c.polarity), FloatingPointError);
        // The caller's floating-point environment is left as it was found.
        EXPECT_EQ(std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW), 0);
    }
}

TEST(BaudModeTest, InexactAndUnderflowAreNoFault)
{
    EXPECT_EQ(caption("BS2", 1000000, 9600, kNoParity, kTrue), "84"); // 104.1666... is inexact
    EXPECT_EQ(caption("BS2", std::numeric_limits<double>::denorm_min(), 1e10, kNoParity, kTrue), "-20");
}

TEST(BaudModeTest, CommandLineNamesMatchInAnyCaseAndNothingElse)
{
    struct Case {
        std::string_view name;
        std::string_view control; // empty: no match
    };
    // clang-format off
    const Case models[] = {
        { "BS2", "BS2OptionButton" }, { "bs2px", "BS2pxOptionButton" }, { "Bs2Pe", "BS2peOptionButton" },
        { "bs1", "BS1OptionButton" }, { "BS2p", "BS2pOptionButton" },   { "BS3", "" }, { "BS2 ", "" }, { "BS", "" },
        { "", "" },
    };
    const Case rates[] = {
        { "9600", "OptionButton9600" }, { "115200", "OptionButton115200" }, { "300", "OptionButton300" },
        { "9601", "" }, { "09600", "" }, { "9600.0", "" }, { "+9600", "" }, { "abc", "" }, { "", "" },
    };
    const Case parities[] = {
        { "8N", "OptionButton8BitNoParity" }, { "7e", "OptionButton7BitEvenParity" }, { "8E", "" }, { "8", "" },
        { "8 bit, no parity", "" },
    };
    const Case polarities[] = {
        { "inverted", "OptionButtonInverted" }, { "INVERTED", "OptionButtonInverted" }, { "tRuE", "OptionButtonTrue" },
        { "false", "" }, { "\xc4\xb1nverted", "" }, // a dotless i, as a Turkish keyboard types it
    };
    // clang-format on
    const auto expect = [](std::string_view name, const auto *row, std::string_view control) {
        SCOPED_TRACE(testing::Message() << "'" << name << "'");
        EXPECT_EQ(row ? row->control : std::string_view(), control);
    };
    for (const auto &c : models)
        expect(c.name, findModel(c.name), c.control);
    for (const auto &c : rates)
        expect(c.name, findValue(kRates, c.name), c.control);
    for (const auto &c : parities)
        expect(c.name, findValue(kParities, c.name), c.control);
    for (const auto &c : polarities)
        expect(c.name, findValue(kPolarities, c.name), c.control);
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

    std::setlocale(LC_ALL, previousC.c_str());
    std::locale::global(previous);
}

} // namespace
