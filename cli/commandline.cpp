#include "commandline.h"

#include "baudmode.h"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <map>
#include <vector>

namespace {

using Texts = std::vector<std::string>;

// "a, b or c"
std::string alternatives(const Texts &names)
{
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i)
        text += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + names[i];
    return text;
}

template <class Row> Texts namesOf(std::span<const Row> rows, std::string_view Row::*name)
{
    Texts names;
    for (const auto &row : rows)
        names.emplace_back(row.*name);
    return names;
}
Texts modelNames()
{
    return namesOf<ModelRow>(kModels, &ModelRow::model);
}
Texts valueNames(std::span<const ValueRow> rows)
{
    return namesOf(rows, &ValueRow::name);
}

std::string justified(std::string text, std::size_t width, bool right)
{
    const auto padding = std::string(width - std::min(width, text.size()), ' ');
    return right ? padding + text : text + padding;
}

// An option: its names (one letter after one dash, words after two), its value's name (empty for a switch) and its
// description, wrapped into columns by the help.
struct Option {
    Texts names;
    std::string valueName, description;
    bool hidden = false;
};

// The options as every command-line tool reads them: a word after "--" or after one "-", its value after "=" or as the
// next argument, whatever that looks like; "--" makes the rest arguments. Unknown options are all collected before
// the parse is refused, and a missing or unexpected value refuses it on its own.
class Parser {
public:
    void add(Option option)
    {
        for (const auto &name : option.names)
            m_index[name] = m_options.size();
        m_options.push_back(std::move(option));
    }

    bool parse(std::span<const std::string> arguments)
    {
        bool error = false, positional = false;
        for (std::size_t i = 1; i < arguments.size(); ++i) {
            const auto &argument = arguments[i];
            if (positional || argument.size() < 2 || argument[0] != '-') {
                m_positional.push_back(argument);
                continue;
            }
            if (argument == "--") {
                positional = true;
                continue;
            }
            const auto dashes = argument[1] == '-' ? 2U : 1U;
            const auto name = argument.substr(dashes, argument.find('=') - dashes);
            const auto found = m_index.find(name);
            if (found == m_index.end()) {
                m_unknown.push_back(name);
                error = true;
                continue;
            }
            m_found.push_back(name);
            const auto assign = argument.find('=');
            if (m_options[found->second].valueName.empty()) {
                if (assign != std::string::npos) {
                    m_error = "Unexpected value after '" + argument.substr(0, assign) + "'.";
                    error = true;
                }
            } else if (assign != std::string::npos) {
                m_values[found->second].push_back(argument.substr(assign + 1));
            } else if (++i < arguments.size()) {
                m_values[found->second].push_back(arguments[i]);
            } else {
                m_error = "Missing value after '" + argument + "'.";
                error = true;
            }
        }
        return !error;
    }

    std::string errorText() const
    {
        if (!m_error.empty())
            return m_error;
        if (m_unknown.size() == 1)
            return "Unknown option '" + m_unknown.front() + "'.";
        std::string names;
        for (const auto &name : m_unknown)
            names += (names.empty() ? "" : ", ") + name;
        return "Unknown options: " + names + ".";
    }

    bool isSet(std::string_view name) const
    {
        const auto found = m_index.find(std::string(name));
        return found != m_index.end() && std::ranges::any_of(m_found, [this, &found](const std::string &given) {
                   return m_index.at(given) == found->second;
               });
    }
    const Texts &values(std::string_view name) const
    {
        static const Texts none;
        const auto found = m_values.find(m_index.at(std::string(name)));
        return found == m_values.end() ? none : found->second;
    }
    const Texts &positionalArguments() const { return m_positional; }

    // Each visible option's names in a column as wide as the longest (at most 50), its description wrapped beside it
    // within 79 columns.
    std::string helpText(std::string_view description) const
    {
        std::string text = "Usage: tevrolin [options]\n" + std::string(description) + "\n\nOptions:\n";
        std::vector<std::pair<std::string, const Option *>> rows;
        std::size_t widest = 0;
        for (const auto &option : m_options) {
            if (option.hidden)
                continue;
            std::string names;
            for (const auto &name : option.names)
                names += (names.empty() ? "" : ", ") + std::string(name.size() == 1 ? "-" : "--") + name;
            if (!option.valueName.empty())
                names += " <" + option.valueName + ">";
            widest = std::max(widest, names.size());
            rows.emplace_back(names, &option);
        }
        const auto width = std::min<std::size_t>(50, widest + 1);
        for (const auto &[names, option] : rows)
            text += wrapped(names, width, option->description);
        return text;
    }

private:
    static std::string wrapped(const std::string &names, std::size_t width, const std::string &description)
    {
        const std::string indentation = "  ";
        std::size_t nameAt = 0;
        const auto nextNames = [&] {
            auto section = names.substr(std::min(nameAt, names.size()), width);
            nameAt += section.size();
            return section;
        };
        std::string text;
        const auto max = std::ptrdiff_t(79 - (indentation.size() + width + 1));
        std::ptrdiff_t lineStart = 0, lastBreakable = -1, x = 0;
        const auto length = std::ptrdiff_t(description.size());
        for (std::ptrdiff_t i = 0; i < length; ++i) {
            ++x;
            const char c = description[std::size_t(i)];
            if (c == ' ' || c == '\n' || c == '\t')
                lastBreakable = i;
            std::ptrdiff_t breakAt = -1, nextLineStart = -1;
            if (x > max && lastBreakable != -1) {
                breakAt = lastBreakable;
                nextLineStart = lastBreakable + 1;
            } else if ((x > max - 1 && lastBreakable == -1) || i == length - 1) {
                breakAt = i + 1;
                nextLineStart = breakAt;
            } else if (c == '\n') {
                breakAt = i;
                nextLineStart = i + 1;
            }
            if (breakAt != -1) {
                text += indentation + justified(nextNames(), width, false) + ' ' +
                        description.substr(std::size_t(lineStart), std::size_t(breakAt - lineStart)) + '\n';
                x = 0;
                lastBreakable = -1;
                lineStart = nextLineStart;
                if (lineStart < length && description[std::size_t(lineStart)] == ' ')
                    ++lineStart; // no line starts with a blank
                i = lineStart;
            }
        }
        while (nameAt < names.size())
            text += indentation + nextNames() + '\n';
        return text;
    }

    std::vector<Option> m_options;
    std::map<std::string, std::size_t, std::less<>> m_index;
    Texts m_found, m_unknown, m_positional;
    std::map<std::size_t, Texts> m_values;
    std::string m_error;
};

// One of the four choices as an option: the option, what messages call it, and the values it takes.
struct Choice {
    std::string option;
    std::string what;
    Texts names;
};

struct Parsed {
    const ModelRow *model = nullptr;
    const ValueRow *rate = nullptr, *parity = nullptr, *polarity = nullptr;
};

class CommandLine {
public:
    explicit CommandLine(const WindowOptions &window);
    CommandLineAnswer answer(std::span<const std::string> arguments);

private:
    int fail(const Texts &problems);
    std::string helpText(bool withWindowOptions) const;
    // The row that the choice's option names, or null. A problem is added when the option is given wrongly, or is
    // missing where it is needed.
    template <class Find>
    auto lookUp(const Choice &choice, bool needed, Find find, Texts &problems) const
        -> decltype(find(std::string_view()));
    int printAnswer(const Parsed &parsed);
    int printTable(const ModelRow *onlyModel, bool csv);

    const WindowOptions &m_window;
    Parser m_parser;
    Choice m_module{ "module", "module", modelNames() }, m_baud{ "baud", "baud rate", valueNames(kRates) },
        m_parity{ "parity", "parity", valueNames(kParities) },
        m_polarity{ "polarity", "polarity", valueNames(kPolarities) };
    std::string m_out, m_err;
};

CommandLine::CommandLine(const WindowOptions &window) : m_window(window)
{
    m_parser.add({ { "h", "help" }, "", "Displays help on commandline options." });
    if (!window.options.empty())
        m_parser.add({ { "help-all" }, "", "Displays help including Qt specific options." });
    m_parser.add({ { "v", "version" }, "", "Displays version information." });
    m_parser.add({ { m_module.option }, "M", "The module: " + alternatives(m_module.names) + ", in any case." });
    m_parser.add({ { m_baud.option }, "R", "The baud rate: " + alternatives(m_baud.names) + "." });
    m_parser.add({ { m_parity.option }, "P", "8N (8 bit, no parity) or 7E (7 bit, even parity)." });
    m_parser.add({ { m_polarity.option }, "Q", "inverted or true." });
    m_parser.add({ { "table" },
                   "",
                   "Prints the Baud Mode of every combination the window can calculate, for every module or for the "
                   "one --module names." });
    m_parser.add({ { "csv" }, "", "With --table: comma-separated values, for programs." });
    for (const auto &option : window.options)
        m_parser.add({ { std::string(option.name) }, std::string(option.valueName), "", true });
}

std::string CommandLine::helpText(bool withWindowOptions) const
{
    auto text = m_parser.helpText(
        "Gives the Baud Mode with which a program on a microcontroller module sets up its serial port.\n"
        "Without options it opens its window. With the options below it answers on the terminal, without a display:\n"
        "  tevrolin --module BS2 --baud 9600 --parity 8N --polarity inverted   prints 16468\n"
        "  tevrolin --table --module BS2px --csv");
    if (!withWindowOptions)
        return text;
    text += "\n" + std::string(m_window.heading) + "\n";
    for (const auto &option : m_window.options) {
        std::string synopsis = "-";
        synopsis += option.name;
        if (!option.valueName.empty())
            synopsis.append(" <").append(option.valueName).append(">");
        text += "  " + justified(synopsis, 30, false) + "  " + std::string(option.description) + "\n";
    }
    return text;
}

int CommandLine::fail(const Texts &problems)
{
    for (const auto &problem : problems)
        m_err += "tevrolin: " + problem + "\n";
    m_err += "Run 'tevrolin --help' for the options.\n";
    return kUsageError;
}

template <class Find>
auto CommandLine::lookUp(const Choice &choice, bool needed, Find find, Texts &problems) const
    -> decltype(find(std::string_view()))
{
    const auto option = "--" + choice.option;
    const auto &values = m_parser.values(choice.option);
    const auto valid = "the " + choice.what + " is one of " + alternatives(choice.names);
    if (values.size() != 1) {
        if (values.size() > 1)
            problems.push_back(option + " is given " + std::to_string(values.size()) +
                               " times; give it once: " + valid);
        else if (needed)
            problems.push_back(option + " is missing: " + valid);
        return nullptr;
    }
    const auto *row = find(values.front());
    if (!row)
        problems.push_back(option + " " + values.front() + ": " + valid);
    return row;
}

CommandLineAnswer CommandLine::answer(std::span<const std::string> arguments)
{
    const auto answered = [this](std::optional<int> status) { return CommandLineAnswer{ status, m_out, m_err }; };
    if (!m_parser.parse(arguments))
        return answered(fail({ m_parser.errorText() }));
    if (!m_parser.positionalArguments().empty())
        return answered(fail({ "unexpected argument '" + m_parser.positionalArguments().front() + "'" }));
    const bool helpAll = !m_window.options.empty() && m_parser.isSet("help-all");
    if (m_parser.isSet("help") || helpAll) {
        m_out += helpText(helpAll);
        return answered(EXIT_SUCCESS);
    }
    if (m_parser.isSet("version")) {
        m_out += "tevrolin " TEVROLIN_VERSION "\n";
        return answered(EXIT_SUCCESS);
    }

    const bool table = m_parser.isSet("table"), csv = m_parser.isSet("csv");
    const auto choices = { &m_module, &m_baud, &m_parity, &m_polarity };
    const bool anyChoice =
        std::ranges::any_of(choices, [this](const Choice *choice) { return m_parser.isSet(choice->option); });
    if (!table && !anyChoice)
        return csv ? answered(fail({ "--csv goes with --table" })) : answered(std::nullopt);

    Texts problems;
    Parsed parsed;
    parsed.model = lookUp(m_module, !table, findModel, problems);
    if (table) {
        for (const auto *choice : { &m_baud, &m_parity, &m_polarity })
            if (m_parser.isSet(choice->option))
                problems.push_back("--" + choice->option + " does not go with --table, which shows every " +
                                   choice->what);
    } else {
        const auto in = [](std::span<const ValueRow> rows) {
            return [rows](std::string_view name) { return findValue(rows, name); };
        };
        parsed.rate = lookUp(m_baud, true, in(kRates), problems);
        parsed.parity = lookUp(m_parity, true, in(kParities), problems);
        parsed.polarity = lookUp(m_polarity, true, in(kPolarities), problems);
        if (csv)
            problems.push_back("--csv goes with --table");
    }
    if (!problems.empty())
        return answered(fail(problems));

    try {
        return answered(table ? printTable(parsed.model, csv) : printAnswer(parsed));
    } catch (const std::exception &error) {
        // What was printed before the error stays printed, as it would on a terminal.
        m_err += "tevrolin: run-time error: " + std::string(error.what()) + "\n";
        return answered(EXIT_FAILURE);
    }
}

BaudModeOutcome calculate(const ModelRow &model, const ValueRow &rate, const ValueRow &parity, const ValueRow &polarity)
{
    // A BS1 takes no dividend; its result does not depend on one.
    return CalculateBaudMode(model.model, model.dividend.value_or(0), rate.value, parity.value, polarity.value);
}

int CommandLine::printAnswer(const Parsed &parsed)
{
    const auto outcome = calculate(*parsed.model, *parsed.rate, *parsed.parity, *parsed.polarity);
    if (outcome.refused) {
        // The window's warning, both lines, whose CR LF the platform's own line ends replace.
        std::string prompt(kBs1RateRefusal.prompt);
        for (auto at = prompt.find("\r\n"); at != std::string::npos; at = prompt.find("\r\n", at))
            prompt.erase(at, 1);
        m_err += prompt + "\n";
        return kRefused;
    }
    m_out += outcome.caption + "\n";
    return EXIT_SUCCESS;
}

int CommandLine::printTable(const ModelRow *onlyModel, bool csv)
{
    // Rows and columns in the order of the window's groups: modules, then rates, then parity and polarity.
    std::vector<Texts> rows{ { "Module", "Baud" } };
    for (const auto &parity : kParities)
        for (const auto &polarity : kPolarities)
            rows.front().push_back(std::string(parity.name) + ' ' + std::string(polarity.name));
    if (csv)
        m_out += "module,baud,parity,polarity,baud_mode\n";

    for (const auto &model : kModels) {
        if (onlyModel && &model != onlyModel)
            continue;
        for (const auto &rate : kRates) {
            Texts row{ std::string(model.model), std::string(rate.name) };
            for (const auto &parity : kParities)
                for (const auto &polarity : kPolarities) {
                    const auto outcome = calculate(model, rate, parity, polarity);
                    if (outcome.refused)
                        continue; // a rate the window refuses for this module
                    if (csv)
                        m_out += row[0] + ',' + row[1] + ',' + std::string(parity.name) + ',' +
                                 std::string(polarity.name) + ',' + outcome.caption + '\n';
                    else
                        row.push_back(outcome.caption);
                }
            if (row.size() > 2)
                rows.push_back(row);
        }
    }
    if (csv)
        return EXIT_SUCCESS;

    // Aligned columns: the module to the left, the numbers to the right.
    std::vector<std::size_t> widths(rows.front().size(), 0);
    for (const auto &row : rows)
        for (std::size_t column = 0; column < row.size(); ++column)
            widths[column] = std::max(widths[column], row[column].size());
    for (const auto &row : rows) {
        auto line = justified(row[0], widths[0], false);
        for (std::size_t column = 1; column < row.size(); ++column)
            line += "  " + justified(row[column], widths[column], true);
        m_out += line + '\n';
    }
    return EXIT_SUCCESS;
}

} // namespace

CommandLineAnswer answerCommandLine(std::span<const std::string> arguments, const WindowOptions &window)
{
    return CommandLine(window).answer(arguments);
}
