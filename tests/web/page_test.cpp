#include "cascade.h"
#include "choice.h"
#include "pagemarkup.h"
#include "pagemodel.h"
#include "recordingwindow.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

namespace {

using testing::ElementsAreArray;
using testing::HasSubstr;

TEST(ChoiceTest, TheAddressOfEveryChoiceLeadsBackToTheSameControls)
{
    for (const auto &model : kModels)
        for (const auto &rate : kRates)
            for (const auto &parity : kParities)
                for (const auto &polarity : kPolarities) {
                    const std::string_view chosen[] = { model.control, rate.control, parity.control, polarity.control };
                    RecordingWindow window;
                    Cascade cascade(window);
                    for (const auto control : chosen)
                        cascade.click(control);
                    const auto fragment = choice::fragment(cascade.state());
                    SCOPED_TRACE(fragment);
                    std::vector<std::string_view> replayed;
                    for (std::size_t start = 0, index = 0; start <= fragment.size(); ++index) {
                        const auto end = std::min(fragment.find('&', start), fragment.size());
                        replayed.push_back(
                            choice::control(index, std::string_view(fragment).substr(start, end - start)));
                        start = end + 1;
                    }
                    EXPECT_THAT(replayed, ElementsAreArray(chosen));
                }
    RecordingWindow window;
    Cascade cascade(window);
    for (const auto control :
         { "BS2OptionButton", "OptionButton9600", "OptionButton8BitNoParity", "OptionButtonInverted" })
        cascade.click(control);
    EXPECT_EQ(choice::fragment(cascade.state()), "module=BS2&baud=9600&parity=8N&polarity=inverted");
    // Only as far as the form holds values of the tables: a rate of 0 is none.
    EXPECT_EQ(choice::fragment(FormState{ .StampModel = "BS2px" }), "module=BS2px");
    EXPECT_EQ(choice::fragment(FormState{}), "");
}

TEST(ChoiceTest, APartChoosesOnlyWithItsGroupsKeyAtItsPlace)
{
    const std::tuple<std::size_t, std::string_view, std::string_view> cases[] = {
        { 0, "module=bs2PE", "BS2peOptionButton" }, // words in any case, as on the command line
        { 3, "polarity=TRUE", "OptionButtonTrue" },
        { 1, "baud=300", "OptionButton300" },
        { 0, "Module=BS2", "" }, // keys exactly
        { 1, "module=BS2", "" }, // a key out of its place
        { 0, "baud=9600", "" },
        { 2, "parity=8E", "" }, // no such word
        { 1, "baud=9600.0", "" },
        { 1, "baud=", "" },
        { 0, "BS2", "" }, // no key
        { 0, "", "" },
        { 4, "polarity=true", "" }, // nothing after the four groups
        { 0, "module=BS2=BS2", "" },
    };
    for (const auto &[index, part, expected] : cases)
        EXPECT_EQ(choice::control(index, part), expected) << index << " '" << part << "'";
}

// The page as served, from the load step run on the model.
struct ServedPage : PageModel {
    ServedPage() { runLoadStep(*this, *this); }
};

TEST(PageMarkupTest, TheFormHoldsEveryControlInReadingOrderAndInItsStartState)
{
    const ServedPage page;
    const auto html = formMarkup(page);
    std::vector<std::string> ids;
    const std::regex id(" id=\"([^\"]+)\"");
    for (auto match = std::sregex_iterator(html.begin(), html.end(), id); match != std::sregex_iterator(); ++match)
        ids.push_back((*match)[1]);
    // Left to right, then top to bottom; the polarity options in the frame they stand in front of.
    EXPECT_THAT(ids, ElementsAreArray({ "Form1",
                                        "ModuleFrame",
                                        "OptionButtonSelectStamp",
                                        "BS1OptionButton",
                                        "BS2OptionButton",
                                        "BS2eOptionButton",
                                        "BS2sxOptionButton",
                                        "BS2pOptionButton",
                                        "BS2peOptionButton",
                                        "BS2pxOptionButton",
                                        "BaudFRame",
                                        "OptionButtonBaudRate",
                                        "OptionButton300",
                                        "OptionButton600",
                                        "OptionButton1200",
                                        "OptionButton2400",
                                        "OptionButton4800",
                                        "OptionButton9600",
                                        "OptionButton19200",
                                        "OptionButton38400",
                                        "OptionButton56000",
                                        "OptionButton57600",
                                        "OptionButton115200",
                                        "ParityFrame",
                                        "OptionButtonParity",
                                        "OptionButton8BitNoParity",
                                        "OptionButton7BitEvenParity",
                                        "Polarity",
                                        "OptionButtonPolarity",
                                        "OptionButtonInverted",
                                        "OptionButtonTrue",
                                        "CalculateCommandButton",
                                        "BaudModeDecimalLabel",
                                        "Label1" }));
    for (const auto *element : {
             "<fieldset class=\"c\" id=\"BaudFRame\"><legend>Baud</legend>",
             "<label class=\"c\" for=\"OptionButtonSelectStamp\"><input type=\"radio\" id=\"OptionButtonSelectStamp\" "
             "name=\"ModuleFrame\" checked autofocus>   Select a Stamp module</label>",
             "<input type=\"radio\" id=\"BS1OptionButton\" name=\"ModuleFrame\">BS1</label>",
             "<input type=\"radio\" id=\"OptionButton300\" name=\"BaudFRame\" disabled>300</label>",
             "<input type=\"radio\" id=\"OptionButtonPolarity\" name=\"Polarity\" disabled checked>",
             "<input type=\"radio\" id=\"OptionButtonTrue\" name=\"Polarity\" disabled>True</label>",
             "<button class=\"c\" type=\"submit\" id=\"CalculateCommandButton\" disabled>Calculate Baud Mode </button>",
             "<output class=\"c\" id=\"BaudModeDecimalLabel\" aria-label=\"Baud Mode\" aria-disabled=\"true\"> "
             "0</output>",
             "<p class=\"c\" id=\"Label1\">Tevrolin 1.00  -  Baud Mode calculator</p>",
         })
        EXPECT_THAT(html, HasSubstr(element));
    EXPECT_EQ(html.find("autofocus"), html.rfind("autofocus"));
}

TEST(PageMarkupTest, EachControlStandsAtItsPlaceAfterTheLoadStep)
{
    const auto css = layoutRules(ServedPage());
    for (const auto *rule : {
             "#Form1{--w:13770;--h:8175}",
             "#ModuleFrame{--l:250;--t:50;--w:3100;--h:6375;--pt:8.25}", // the page's default font
             "#Polarity{--l:10300;--t:50;--w:3100;--h:6375;--pt:8.25}",
             "[for=OptionButtonSelectStamp]{--l:120;--t:480;--w:3630;--h:495;--pt:9.75}", // wider than its frame
             "[for=BS2pxOptionButton]{--l:450;--t:3630;--w:1215;--h:495;--pt:8.25}",      // moved in line
             "[for=OptionButtonPolarity]{--l:160;--t:430;--w:2775;--h:495;--pt:9.75}",    // from its frame's corner
             "[for=OptionButton8BitNoParity]{--l:590;--t:960;--w:1935;--h:495;--pt:8.25}",
             "#CalculateCommandButton{--l:1440;--t:6950;--w:3345;--h:495;--pt:15.75}",
         })
        EXPECT_THAT(css, HasSubstr(rule));
}

TEST(PageMarkupTest, CaptionsAreTextNeverMarkup)
{
    ServedPage page;
    ASSERT_TRUE(page.SetCaption("<img src=x onerror=\"alert(1)\">&"));
    EXPECT_THAT(formMarkup(page), HasSubstr("&lt;img src=x onerror=&quot;alert(1)&quot;&gt;&amp;</output>"));
}

} // namespace
