#include "cascade.h"
#include "recordingwindow.h"
#include "runtimeerror.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

void PrintTo(const FormState &s, std::ostream *os)
{
    *os << "{'" << s.StampModel << "', " << s.ClockDividend << ", " << s.BaudRate << ", " << s.ParityValue << ", "
        << s.PolarityValue << "}";
}

namespace {

using testing::ElementsAre;
using testing::ElementsAreArray;
using testing::IsEmpty;

const std::vector<std::string> kAllRatesOn = {
    "enable OptionButtonBaudRate", "enable OptionButton300",   "enable OptionButton600",   "enable OptionButton1200",
    "enable OptionButton2400",     "enable OptionButton4800",  "enable OptionButton9600",  "enable OptionButton19200",
    "enable OptionButton38400",    "enable OptionButton56000", "enable OptionButton57600", "enable OptionButton115200",
};
const std::vector<std::string> kBs1Rates = {
    "enable OptionButtonBaudRate", "enable OptionButton300",    "enable OptionButton600",
    "enable OptionButton1200",     "enable OptionButton2400",   "disable OptionButton4800",
    "disable OptionButton9600",    "disable OptionButton19200", "disable OptionButton38400",
    "disable OptionButton56000",   "disable OptionButton57600", "disable OptionButton115200",
};
const std::vector<std::string> kParityOn = { "enable OptionButtonParity", "enable OptionButton8BitNoParity",
                                             "enable OptionButton7BitEvenParity" };
const std::vector<std::string> kPolarityOn = { "enable OptionButtonPolarity", "enable OptionButtonInverted",
                                               "enable OptionButtonTrue" };
const std::string kRefusal = "message Baud rate is not valid with a BS1\r\nPlease select a value between 300 and 2400"
                             "|48|Text Editor";

struct Fixture {
    RecordingWindow window;
    Cascade cascade{ window };

    // Clicks each control in turn and returns what the last click did to the window.
    std::vector<std::string> clicks(std::initializer_list<std::string_view> controls)
    {
        for (const auto control : controls) {
            window.calls.clear();
            EXPECT_TRUE(cascade.click(control)) << control;
        }
        return window.calls;
    }
};

FormState stateAfter(std::string_view model, double dividend, double rate, double parity, double polarity)
{
    return { std::string(model), dividend, rate, parity, polarity };
}

// Every handler with what it stores on a fresh form and the window operations it makes, in order.
struct HandlerCase {
    std::string_view control;
    FormState stores;
    std::vector<std::string> calls;
};

std::vector<HandlerCase> handlerCases()
{
    std::vector<HandlerCase> cases = {
        { "BS1OptionButton", stateAfter("BS1", 0, 0, 0, 0), kBs1Rates },
        { "BS2OptionButton", stateAfter("BS2", 1000000, 0, 0, 0), kAllRatesOn },
        { "BS2eOptionButton", stateAfter("BS2e", 1000000, 0, 0, 0), kAllRatesOn },
        { "BS2sxOptionButton", stateAfter("BS2sx", 2500000, 0, 0, 0), kAllRatesOn },
        { "BS2pOptionButton", stateAfter("BS2p", 2500000, 0, 0, 0), kAllRatesOn },
        { "BS2peOptionButton", stateAfter("BS2pe", 1000000, 0, 0, 0), kAllRatesOn },
        { "BS2pxOptionButton", stateAfter("BS2px", 4000000, 0, 0, 0), kAllRatesOn },
        { "OptionButton8BitNoParity", stateAfter("", 0, 0, 0, 0), kPolarityOn },
        { "OptionButton7BitEvenParity", stateAfter("", 0, 0, 8192, 0), kPolarityOn },
        { "OptionButtonInverted", stateAfter("", 0, 0, 0, 16384), { "enable CalculateCommandButton" } },
        { "OptionButtonTrue", stateAfter("", 0, 0, 0, 0), { "enable CalculateCommandButton" } },
    };
    for (const auto &[control, rate] : std::initializer_list<std::pair<std::string_view, double>>{
             { "OptionButton300", 300 },
             { "OptionButton600", 600 },
             { "OptionButton1200", 1200 },
             { "OptionButton2400", 2400 },
             { "OptionButton4800", 4800 },
             { "OptionButton9600", 9600 },
             { "OptionButton19200", 19200 },
             { "OptionButton38400", 38400 },
             { "OptionButton56000", 56000 },
             { "OptionButton57600", 57600 },
             { "OptionButton115200", 115200 },
         })
        cases.push_back({ control, stateAfter("", 0, rate, 0, 0), kParityOn });
    return cases;
}

TEST(CascadeTest, EachHandlerStoresItsValueThenUnlocksTheNextGroupInOrder)
{
    for (const auto &c : handlerCases()) {
        SCOPED_TRACE(c.control);
        Fixture form;
        EXPECT_THAT(form.clicks({ c.control }), ElementsAreArray(c.calls));
        EXPECT_EQ(form.cascade.state(), c.stores);
    }
}

TEST(CascadeTest, CalculateEnablesTheLabelBeforeWritingIt)
{
    Fixture form;
    EXPECT_THAT(form.clicks({ "BS2OptionButton", "OptionButton9600", "OptionButton8BitNoParity", "OptionButtonInverted",
                              "CalculateCommandButton" }),
                ElementsAre("enable BaudModeDecimalLabel", "caption 16468"));
}

TEST(CascadeTest, CompleteExamplesThroughClicks)
{
    struct Example {
        std::string_view model, rate, parity, polarity;
        std::string expected;
    };
    const Example examples[] = {
        { "BS2OptionButton", "OptionButton9600", "OptionButton8BitNoParity", "OptionButtonInverted", "16468" },
        { "BS2pOptionButton", "OptionButton9600", "OptionButton8BitNoParity", "OptionButtonInverted", "16624" },
        { "BS2pxOptionButton", "OptionButton9600", "OptionButton7BitEvenParity", "OptionButtonTrue", "8588" },
        { "BS2OptionButton", "OptionButton115200", "OptionButton8BitNoParity", "OptionButtonTrue", "-12" },
        { "BS2OptionButton", "OptionButton115200", "OptionButton7BitEvenParity", "OptionButtonInverted", "24564" },
        { "BS2sxOptionButton", "OptionButton115200", "OptionButton8BitNoParity", "OptionButtonTrue", "1" },
        { "BS2pxOptionButton", "OptionButton300", "OptionButton7BitEvenParity", "OptionButtonInverted", "37889" },
        { "BS2eOptionButton", "OptionButton56000", "OptionButton8BitNoParity", "OptionButtonTrue", "-3" },
        { "BS2peOptionButton", "OptionButton57600", "OptionButton8BitNoParity", "OptionButtonTrue", "-3" },
        { "BS1OptionButton", "OptionButton2400", "OptionButton8BitNoParity", "OptionButtonInverted", "N2400" },
        { "BS1OptionButton", "OptionButton2400", "OptionButton7BitEvenParity", "OptionButtonInverted", "N2400" },
        { "BS1OptionButton", "OptionButton300", "OptionButton7BitEvenParity", "OptionButtonTrue", "T300" },
    };
    for (const auto &e : examples) {
        SCOPED_TRACE(e.expected);
        Fixture form;
        EXPECT_THAT(form.clicks({ e.model, e.rate, e.parity, e.polarity, "CalculateCommandButton" }),
                    ElementsAre("enable BaudModeDecimalLabel", "caption " + e.expected));
    }
}

TEST(CascadeTest, ControlsWithoutHandlersDoNothing)
{
    Fixture form;
    for (const auto control : { "OptionButtonSelectStamp", "OptionButtonBaudRate", "OptionButtonParity",
                                "OptionButtonPolarity", "ModuleFrame", "BaudFRame", "ParityFrame", "Polarity",
                                "BaudModeDecimalLabel", "Label1", "calculatecommandbutton", "" }) {
        EXPECT_FALSE(hasClickHandler(control)) << control;
        EXPECT_FALSE(form.cascade.click(control)) << control;
    }
    EXPECT_THAT(form.window.calls, IsEmpty());
    EXPECT_EQ(form.cascade.state(), FormState{});
    for (const auto &c : handlerCases())
        EXPECT_TRUE(hasClickHandler(c.control)) << c.control;
    EXPECT_TRUE(hasClickHandler("CalculateCommandButton"));
}

TEST(CascadeTest, AFailedOperationEndsTheHandlerAtThatStepAndKeepsItsStores)
{
    auto cases = handlerCases();
    cases.push_back({ "CalculateCommandButton",
                      stateAfter("BS2", 1000000, 9600, 0, 16384),
                      { "enable BaudModeDecimalLabel", "caption 16468" } });
    for (const auto &c : cases) {
        for (std::size_t step = 0; step < c.calls.size(); ++step) {
            SCOPED_TRACE(testing::Message() << c.control << " failing at step " << step);
            Fixture form;
            if (c.control == "CalculateCommandButton")
                form.clicks(
                    { "BS2OptionButton", "OptionButton9600", "OptionButton8BitNoParity", "OptionButtonInverted" });
            form.window.calls.clear();
            form.window.failAt = step;
            EXPECT_THROW(form.cascade.click(c.control), WindowOperationError);
            EXPECT_THAT(form.window.calls,
                        ElementsAreArray(c.calls.begin(), c.calls.begin() + static_cast<std::ptrdiff_t>(step) + 1));
            EXPECT_EQ(form.cascade.state(), c.stores);
        }
    }
}

TEST(CascadeTest, AFailureErrorNamesTheOperationAndTheControl)
{
    Fixture form;
    form.window.failAt = 3;
    try {
        form.cascade.click("BS1OptionButton");
        FAIL() << "no error";
    } catch (const RuntimeError &error) {
        EXPECT_STREQ(error.what(), "The window could not carry out SetEnabled on OptionButton1200.");
    }
}

TEST(CascadeTest, RefusalWhenTheModelChangesToBs1AfterAFastRate)
{
    Fixture form;
    form.clicks({ "BS2OptionButton", "OptionButton115200", "OptionButton8BitNoParity", "OptionButtonTrue",
                  "CalculateCommandButton" });
    EXPECT_THAT(form.clicks({ "BS1OptionButton" }), ElementsAreArray(kBs1Rates));
    EXPECT_EQ(form.cascade.state().BaudRate, 115200);

    // The group falls back to its prompt before the warning; the label keeps "-12" and is not touched.
    EXPECT_THAT(form.clicks({ "CalculateCommandButton" }), ElementsAre("select OptionButtonBaudRate", kRefusal));
    // Nothing was chosen since, so the same rate is refused again.
    EXPECT_THAT(form.clicks({ "CalculateCommandButton" }), ElementsAre("select OptionButtonBaudRate", kRefusal));
    EXPECT_EQ(form.cascade.state(), stateAfter("BS1", 1000000, 115200, 0, 0));

    // A BS2 brings every rate back and calculates with the stored rate, though no rate is selected.
    EXPECT_THAT(form.clicks({ "BS2OptionButton" }), ElementsAreArray(kAllRatesOn));
    EXPECT_THAT(form.clicks({ "CalculateCommandButton" }), ElementsAre("enable BaudModeDecimalLabel", "caption -12"));
}

TEST(CascadeTest, LabelShowsTheLastResultUntilCalculateIsClickedAgain)
{
    Fixture form;
    EXPECT_THAT(form.clicks({ "BS2OptionButton", "OptionButton9600", "OptionButton8BitNoParity", "OptionButtonInverted",
                              "CalculateCommandButton" }),
                ElementsAre("enable BaudModeDecimalLabel", "caption 16468"));
    EXPECT_THAT(form.clicks({ "BS2pOptionButton" }), ElementsAreArray(kAllRatesOn)); // no caption among them
    EXPECT_THAT(form.clicks({ "CalculateCommandButton" }), ElementsAre("enable BaudModeDecimalLabel", "caption 16624"));
}

TEST(CascadeTest, Bs1KeepsTheDividendOfAnEarlierModelWithoutUsingIt)
{
    Fixture form;
    EXPECT_THAT(form.clicks({ "BS2OptionButton", "BS1OptionButton", "OptionButton2400", "OptionButton8BitNoParity",
                              "OptionButtonTrue", "CalculateCommandButton" }),
                ElementsAre("enable BaudModeDecimalLabel", "caption T2400"));
    EXPECT_EQ(form.cascade.state().ClockDividend, 1000000);
    form.clicks({ "BS2sxOptionButton" });
    EXPECT_EQ(form.cascade.state().ClockDividend, 2500000);
}

TEST(CascadeTest, ClickingAChosenOptionAgainRepeatsTheSameEffects)
{
    Fixture form;
    const auto first = form.clicks({ "BS1OptionButton", "OptionButton300" });
    EXPECT_EQ(form.clicks({ "OptionButton300" }), first);
    EXPECT_EQ(form.cascade.state(), stateAfter("BS1", 0, 300, 0, 0));
}

} // namespace
