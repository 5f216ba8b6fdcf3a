#include "commandline.h"

#include "baudmode.h"
#include "controlwidgets.h"

#include <QCommandLineParser>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <span>
#include <vector>

namespace {

constexpr int kRefused = 1;
constexpr int kUsageError = 2;

// Qt's own options, which QApplication takes out of the arguments when the window opens: known here so that they are
// not taken for mistakes, and listed by --help-all.
struct QtOption {
    const char *name;
    const char *valueName; // null for a switch
    const char *description;
};
// clang-format off
constexpr QtOption kQtOptions[] = {
    { "platform",           "name[:options]", "The windowing system: xcb (X11) or wayland." },
    { "platformpluginpath", "path",           "A further folder of platform plugins." },
    { "platformtheme",      "theme",          "The platform theme, such as gtk3." },
    { "plugin",             "plugin",         "Loads a further plugin, such as an input device's." },
    { "display",            "display",        "The X11 display, in place of DISPLAY." },
    { "geometry",           "geometry",       "On X11, the window's place on the screen." },
    { "qwindowgeometry",    "geometry",       "The window's place on the screen." },
    { "qwindowicon",        "icon",           "The window's icon." },
    { "qwindowtitle",       "title",          "The window's title." },
    { "title",              "title",          "On X11, the window's title." },
    { "name",               "name",           "On X11, the window's resource name." },
    { "session",            "session",        "The session to restore, from a session manager." },
    { "style",              "style",          "The widget style." },
    { "stylesheet",         "file",           "A style sheet for the widgets." },
    { "widgetcount",        nullptr,          "Reports the number of widgets at the end." },
    { "reverse",            nullptr,          "Right to left; the window keeps its fixed layout." },
    { "qmljsdebugger",      "port",           "Qt's QML debugger." },
    { "nograb",             nullptr,          "On X11, never grabs the pointer or the keyboard." },
    { "dograb",             nullptr,          "On X11, grabs them even under a debugger." },
};
// clang-format on

void print(std::FILE *stream, const QString &text)
{
    std::fputs(text.toUtf8().constData(), stream);
}

// "a, b or c"
QString alternatives(const QStringList &names)
{
    return names.size() < 2
               ? names.join(QString())
               : names.first(names.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" or ") + names.last();
}

template <class Row> QStringList namesOf(std::span<const Row> rows, std::string_view Row::*name)
{
    QStringList names;
    for (const auto &row : rows)
        names << toQString(row.*name);
    return names;
}
const auto modelNames = [] { return namesOf<ModelRow>(kModels, &ModelRow::model); };
const auto valueNames = [](std::span<const ValueRow> rows) { return namesOf(rows, &ValueRow::name); };

// One of the four choices as an option: the option, what messages call it, and the values it takes.
struct Choice {
    QCommandLineOption option;
    QString what;
    QStringList names;
};

struct Parsed {
    const ModelRow *model = nullptr;
    const ValueRow *rate = nullptr, *parity = nullptr, *polarity = nullptr;
};

class CommandLine {
public:
    CommandLine();
    std::optional<int> answer(const QStringList &arguments);

private:
    int fail(const QStringList &problems) const;
    QString helpText(bool withQtOptions) const;
    // The row that the choice's option names, or null. A problem is added when the option is given wrongly, or is
    // missing where it is needed.
    template <class Find>
    auto lookUp(const Choice &choice, bool needed, Find find, QStringList &problems) const
        -> decltype(find(std::string_view()));
    int printAnswer(const Parsed &parsed) const;
    int printTable(const ModelRow *onlyModel, bool csv) const;

    QCommandLineParser m_parser;
    Choice m_module, m_baud, m_parity, m_polarity;
    QCommandLineOption m_table, m_csv;
};

CommandLine::CommandLine()
    : m_module{ { QStringLiteral("module"),
                  QStringLiteral("The module: %1, in any case.").arg(alternatives(modelNames())), QStringLiteral("M") },
                QStringLiteral("module"),
                modelNames() },
      m_baud{ { QStringLiteral("baud"), QStringLiteral("The baud rate: %1.").arg(alternatives(valueNames(kRates))),
                QStringLiteral("R") },
              QStringLiteral("baud rate"),
              valueNames(kRates) },
      m_parity{ { QStringLiteral("parity"), QStringLiteral("8N (8 bit, no parity) or 7E (7 bit, even parity)."),
                  QStringLiteral("P") },
                QStringLiteral("parity"),
                valueNames(kParities) },
      m_polarity{ { QStringLiteral("polarity"), QStringLiteral("inverted or true."), QStringLiteral("Q") },
                  QStringLiteral("polarity"),
                  valueNames(kPolarities) },
      m_table(QStringLiteral("table"),
              QStringLiteral("Prints the Baud Mode of every combination the window can calculate, for every module or "
                             "for the one --module names.")),
      m_csv(QStringLiteral("csv"), QStringLiteral("With --table: comma-separated values, for programs."))
{
    // Qt's options are single words after one dash (-platform, -reverse), so every option is read as a whole word.
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    m_parser.setApplicationDescription(
        QStringLiteral("Gives the Baud Mode with which a program on a microcontroller module sets up its serial port.\n"
                       "Without options it opens its window. With the options below it answers on the terminal, "
                       "without a display:\n"
                       "  tevrolin --module BS2 --baud 9600 --parity 8N --polarity inverted   prints 16468\n"
                       "  tevrolin --table --module BS2px --csv"));
    m_parser.addHelpOption();
    m_parser.addVersionOption();
    for (const auto *choice : { &m_module, &m_baud, &m_parity, &m_polarity })
        m_parser.addOption(choice->option);
    m_parser.addOption(m_table);
    m_parser.addOption(m_csv);
    for (const auto &qt : kQtOptions) {
        QCommandLineOption option(QString::fromLatin1(qt.name), QString::fromLatin1(qt.description),
                                  qt.valueName ? QString::fromLatin1(qt.valueName) : QString());
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        m_parser.addOption(option);
    }
}

QString CommandLine::helpText(bool withQtOptions) const
{
    // Without an application object, Qt's parser cannot know the program's name.
    auto text = m_parser.helpText().replace(QStringLiteral("<executable_name>"), QStringLiteral("tevrolin"));
    if (!withQtOptions)
        return text;
    text += QStringLiteral("\nQt's options, for the window:\n");
    for (const auto &qt : kQtOptions) {
        auto synopsis = QStringLiteral("-%1").arg(QString::fromLatin1(qt.name));
        if (qt.valueName)
            synopsis += QStringLiteral(" <%1>").arg(QString::fromLatin1(qt.valueName));
        text += QStringLiteral("  %1  %2\n").arg(synopsis, -30).arg(QString::fromLatin1(qt.description));
    }
    return text;
}

int CommandLine::fail(const QStringList &problems) const
{
    for (const auto &problem : problems)
        print(stderr, QStringLiteral("tevrolin: %1\n").arg(problem));
    print(stderr, QStringLiteral("Run 'tevrolin --help' for the options.\n"));
    return kUsageError;
}

template <class Find>
auto CommandLine::lookUp(const Choice &choice, bool needed, Find find, QStringList &problems) const
    -> decltype(find(std::string_view()))
{
    const auto option = QStringLiteral("--") + choice.option.names().first();
    const auto values = m_parser.values(choice.option);
    const auto valid = QStringLiteral("the %1 is one of %2").arg(choice.what, alternatives(choice.names));
    if (values.size() != 1) {
        if (values.size() > 1)
            problems
                << QStringLiteral("%1 is given %2 times; give it once: %3").arg(option).arg(values.size()).arg(valid);
        else if (needed)
            problems << QStringLiteral("%1 is missing: %2").arg(option, valid);
        return nullptr;
    }
    const auto text = values.first().toUtf8();
    const auto *row = find(std::string_view(text.constData(), std::size_t(text.size())));
    if (!row)
        problems << QStringLiteral("%1 %2: %3").arg(option, values.first(), valid);
    return row;
}

std::optional<int> CommandLine::answer(const QStringList &arguments)
{
    if (!m_parser.parse(arguments))
        return fail({ m_parser.errorText() });
    if (!m_parser.positionalArguments().isEmpty())
        return fail({ QStringLiteral("unexpected argument '%1'").arg(m_parser.positionalArguments().first()) });
    if (m_parser.isSet(QStringLiteral("help")) || m_parser.isSet(QStringLiteral("help-all"))) {
        print(stdout, helpText(m_parser.isSet(QStringLiteral("help-all"))));
        return EXIT_SUCCESS;
    }
    if (m_parser.isSet(QStringLiteral("version"))) {
        print(stdout, QStringLiteral("tevrolin " TEVROLIN_VERSION "\n"));
        return EXIT_SUCCESS;
    }

    const bool table = m_parser.isSet(m_table);
    const auto choices = { &m_module, &m_baud, &m_parity, &m_polarity };
    const bool anyChoice =
        std::ranges::any_of(choices, [this](const Choice *choice) { return m_parser.isSet(choice->option); });
    if (!table && !anyChoice)
        return m_parser.isSet(m_csv) ? std::optional(fail({ QStringLiteral("--csv goes with --table") }))
                                     : std::nullopt;

    QStringList problems;
    Parsed parsed;
    parsed.model = lookUp(m_module, !table, findModel, problems);
    if (table) {
        for (const auto *choice : { &m_baud, &m_parity, &m_polarity })
            if (m_parser.isSet(choice->option))
                problems << QStringLiteral("--%1 does not go with --table, which shows every %2")
                                .arg(choice->option.names().first(), choice->what);
    } else {
        const auto in = [](std::span<const ValueRow> rows) {
            return [rows](std::string_view name) { return findValue(rows, name); };
        };
        parsed.rate = lookUp(m_baud, true, in(kRates), problems);
        parsed.parity = lookUp(m_parity, true, in(kParities), problems);
        parsed.polarity = lookUp(m_polarity, true, in(kPolarities), problems);
        if (m_parser.isSet(m_csv))
            problems << QStringLiteral("--csv goes with --table");
    }
    if (!problems.isEmpty())
        return fail(problems);

    try {
        return table ? printTable(parsed.model, m_parser.isSet(m_csv)) : printAnswer(parsed);
    } catch (const std::exception &error) {
        print(stderr, QStringLiteral("tevrolin: run-time error: %1\n").arg(QString::fromUtf8(error.what())));
        return EXIT_FAILURE;
    }
}

BaudModeOutcome calculate(const ModelRow &model, const ValueRow &rate, const ValueRow &parity, const ValueRow &polarity)
{
    // A BS1 takes no dividend; its result does not depend on one.
    return CalculateBaudMode(model.model, model.dividend.value_or(0), rate.value, parity.value, polarity.value);
}

int CommandLine::printAnswer(const Parsed &parsed) const
{
    const auto outcome = calculate(*parsed.model, *parsed.rate, *parsed.parity, *parsed.polarity);
    if (outcome.refused) {
        // The window's warning, both lines.
        print(stderr, promptLines(kBs1RateRefusal.prompt) + u'\n');
        return kRefused;
    }
    print(stdout, toQString(outcome.caption) + u'\n');
    return EXIT_SUCCESS;
}

int CommandLine::printTable(const ModelRow *onlyModel, bool csv) const
{
    // Rows and columns in the order of the window's groups: modules, then rates, then parity and polarity.
    std::vector<QStringList> rows{ { QStringLiteral("Module"), QStringLiteral("Baud") } };
    for (const auto &parity : kParities)
        for (const auto &polarity : kPolarities)
            rows.front() << toQString(parity.name) + u' ' + toQString(polarity.name);
    if (csv)
        print(stdout, QStringLiteral("module,baud,parity,polarity,baud_mode\n"));

    for (const auto &model : kModels) {
        if (onlyModel && &model != onlyModel)
            continue;
        for (const auto &rate : kRates) {
            QStringList row{ toQString(model.model), toQString(rate.name) };
            for (const auto &parity : kParities)
                for (const auto &polarity : kPolarities) {
                    const auto outcome = calculate(model, rate, parity, polarity);
                    if (outcome.refused)
                        continue; // a rate the window refuses for this module
                    if (csv)
                        print(stdout, QStringList{ row[0], row[1], toQString(parity.name), toQString(polarity.name),
                                                   toQString(outcome.caption) }
                                              .join(u',') +
                                          u'\n');
                    else
                        row << toQString(outcome.caption);
                }
            if (row.size() > 2)
                rows.push_back(row);
        }
    }
    if (csv)
        return EXIT_SUCCESS;

    // Aligned columns: the module to the left, the numbers to the right.
    std::vector<qsizetype> widths(rows.front().size(), 0);
    for (const auto &row : rows)
        for (qsizetype column = 0; column < row.size(); ++column)
            widths[std::size_t(column)] = std::max(widths[std::size_t(column)], row[column].size());
    for (const auto &row : rows) {
        QString line = row[0].leftJustified(widths[0]);
        for (qsizetype column = 1; column < row.size(); ++column)
            line += QStringLiteral("  ") + row[column].rightJustified(widths[std::size_t(column)]);
        print(stdout, line + u'\n');
    }
    return EXIT_SUCCESS;
}

} // namespace

std::optional<int> answerCommandLine(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return CommandLine().answer(arguments);
}
