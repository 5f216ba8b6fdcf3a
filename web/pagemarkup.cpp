#include "pagemarkup.h"

#include "baudmode.h"

#include <algorithm>

namespace {

using Control = PageModel::Control;

constexpr std::string_view kFormId = "Form1";
constexpr std::string_view kResultName = "Baud Mode"; // what the result is called to a screen reader
// A page has no default font of a desktop's: the frames without a font of their own take the small Tahoma, as the frame
// Polarity does.
constexpr double kPageFont = kSmall;

bool lies(const Twips &inner, const Twips &outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.left + inner.width <= outer.left + outer.width &&
           inner.top + inner.height <= outer.top + outer.height;
}

const Control *frameOf(const PageModel &page, const Control &control)
{
    if (!control.row.container.empty())
        return page.find(control.row.container);
    if (control.row.kind != Kind::OptionButton)
        return nullptr;
    const auto &all = page.controls();
    const auto frame = std::find_if(all.begin(), all.end(), [&](const Control &frame) {
        return frame.row.kind == Kind::Frame && frame.row.container.empty() && lies(control.geometry, frame.geometry);
    });
    return frame == all.end() ? nullptr : &*frame;
}

std::string escaped(std::string_view text)
{
    std::string html;
    for (const char c : text) {
        switch (c) {
        case '&':
            html += "&amp;";
            break;
        case '<':
            html += "&lt;";
            break;
        case '>':
            html += "&gt;";
            break;
        case '"':
            html += "&quot;";
            break;
        default:
            html += c;
        }
    }
    return html;
}

std::string attribute(std::string_view name, std::string_view value)
{
    return ' ' + std::string(name) + "=\"" + escaped(value) + '"';
}

class FormWriter {
public:
    explicit FormWriter(const PageModel &page) : m_page(page) {}

    std::string form()
    {
        m_html = "<form" + attribute("id", kFormId) + attribute("autocomplete", "off") + ">\n";
        for (const auto &placed : placedIn(m_page, nullptr))
            write(placed);
        return m_html + "</form>";
    }

private:
    void write(const Placement &placed)
    {
        const auto &control = *placed.control;
        const auto id = attribute("id", control.row.name);
        const auto caption = escaped(control.caption);
        switch (control.row.kind) {
        case Kind::Frame:
            m_html += "<fieldset class=\"c\"" + id + "><legend>" + caption + "</legend>\n";
            for (const auto &child : placedIn(m_page, &control))
                write(child);
            m_html += "</fieldset>";
            break;
        case Kind::OptionButton:
            m_html += "<label class=\"c\"" + attribute("for", control.row.name) + "><input type=\"radio\"" + id +
                      attribute("name", placed.frame ? placed.frame->row.name : kFormId) +
                      flag("disabled", !control.enabled) + flag("checked", control.checked);
            // The page opens with the focus where the desktop window's is: on the first group's selected option.
            if (control.checked && control.enabled && !m_focusGiven) {
                m_html += " autofocus";
                m_focusGiven = true;
            }
            m_html += '>' + caption + "</label>";
            break;
        case Kind::CommandButton:
            m_html += "<button class=\"c\" type=\"submit\"" + id + flag("disabled", !control.enabled) + '>' + caption +
                      "</button>";
            break;
        case Kind::Label:
            // The result is announced where it appears; a label that is no form control is greyed for ARIA alone.
            if (control.row.name == controls::BaudModeDecimalLabel)
                m_html += "<output class=\"c\"" + id + attribute("aria-label", kResultName) + greyed(control) + '>' +
                          caption + "</output>";
            else
                m_html += "<p class=\"c\"" + id + greyed(control) + '>' + caption + "</p>";
            break;
        }
        m_html += '\n';
    }

    static std::string flag(std::string_view name, bool on) { return on ? ' ' + std::string(name) : std::string(); }
    static std::string greyed(const Control &control)
    {
        return control.enabled ? std::string() : attribute("aria-disabled", "true");
    }

    const PageModel &m_page;
    std::string m_html;
    bool m_focusGiven = false;
};

void writeRules(const PageModel &page, const Control *frame, std::string &css)
{
    for (const auto &placed : placedIn(page, frame)) {
        const auto &control = *placed.control;
        const auto &g = placed.geometry;
        const auto points = control.row.pointSize == kWindowFont ? kPageFont : control.row.pointSize;
        // An option's rectangle is its label's, which holds the radio button and the caption.
        css += (control.row.kind == Kind::OptionButton ? "[for=" : "#") + std::string(control.row.name) +
               (control.row.kind == Kind::OptionButton ? "]" : "") + "{--l:" + std::to_string(g.left) +
               ";--t:" + std::to_string(g.top) + ";--w:" + std::to_string(g.width) +
               ";--h:" + std::to_string(g.height) + ";--pt:" + numberToText(points) + "}\n";
        if (control.row.kind == Kind::Frame)
            writeRules(page, &control, css);
    }
}

} // namespace

std::vector<Placement> placedIn(const PageModel &page, const Control *frame)
{
    std::vector<Placement> placed;
    for (const auto &control : page.controls()) {
        if (frameOf(page, control) != frame)
            continue;
        auto geometry = control.geometry;
        if (frame && control.row.container.empty()) {
            geometry.left -= frame->geometry.left;
            geometry.top -= frame->geometry.top;
        }
        placed.push_back({ &control, frame, geometry });
    }
    // A row: the controls whose tops lie above the bottom of the row's topmost one.
    const auto top = [](const Placement &p) { return p.geometry.top; };
    const auto left = [](const Placement &p) { return p.geometry.left; };
    std::stable_sort(placed.begin(), placed.end(), [&](const auto &a, const auto &b) { return top(a) < top(b); });
    for (auto row = placed.begin(); row != placed.end();) {
        const int bottom = row->geometry.top + row->geometry.height;
        const auto end = std::find_if(row, placed.end(), [&](const Placement &p) { return top(p) >= bottom; });
        std::stable_sort(row, end, [&](const auto &a, const auto &b) { return left(a) < left(b); });
        row = end;
    }
    return placed;
}

std::string formMarkup(const PageModel &page)
{
    return FormWriter(page).form();
}

std::string layoutRules(const PageModel &page)
{
    std::string css = '#' + std::string(kFormId) + "{--w:" + std::to_string(kClientArea.width) +
                      ";--h:" + std::to_string(kClientArea.height) + "}\n";
    writeRules(page, nullptr, css);
    return css;
}

std::string shownText(const PageModel &page)
{
    std::string text = "0123456789-"; // every Baud Mode is a whole number, or a letter and a rate
    text += std::string(kBs1TrueLetter) + std::string(kBs1InvertedLetter) + '\n';
    for (const auto &control : page.controls())
        text += control.caption + '\n';
    text += std::string(kBs1RateRefusal.title) + '\n' + std::string(kBs1RateRefusal.prompt) + '\n';
    return text;
}
