// Measures what a click on the window costs: from the release of the mouse button on a choice to the end of its click
// handler and of the repaint that shows its effect. The clicks walk the cascade again and again (a module, a rate, the
// data bits, a polarity, Calculate), the choices moving on from round to round, so that every click runs a handler that
// changes the window. The BS1 stays out: its refusal would open a message box, which waits for a user.
//
// Usage: clickbench [ROUNDS]   (default 1000 rounds of five clicks)
// Prints the median, the 99th percentile and the worst click, in microseconds, twice: repainting what the click
// changed, as the program does, and repainting the whole window.

#include "baudmode.h"
#include "controlnames.h"
#include "form1.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kDefaultRounds = 1000;

// Every module but the BS1, whose refusal of the faster rates would open a message box.
constexpr auto kModules =
    std::to_array({ controls::BS2OptionButton, controls::BS2pOptionButton, controls::BS2eOptionButton,
                    controls::BS2sxOptionButton, controls::BS2peOptionButton, controls::BS2pxOptionButton });

enum class Repaint { Changed, Whole };

QString toQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

[[noreturn]] void fail(const std::string &message)
{
    std::fprintf(stderr, "clickbench: %s\n", message.c_str());
    std::exit(EXIT_FAILURE);
}

// Counts paint events, so that a click whose repaint did not happen inside the measured span is caught instead of
// being reported as fast.
class PaintCounter : public QObject {
public:
    int count() const { return m_count; }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++m_count;
        return false;
    }

private:
    int m_count = 0;
};

// Where a user clicks: an option takes clicks only on its circle and caption, which may end before the middle of its
// rectangle.
QPoint clickPoint(QAbstractButton *button)
{
    auto *option = qobject_cast<QRadioButton *>(button);
    if (!option)
        return button->rect().center();
    QStyleOptionButton style;
    style.initFrom(option);
    style.text = option->text();
    return option->style()->subElementRect(QStyle::SE_RadioButtonClickRect, &style, option).center();
}

// The widgets post their updates to the window, which paints them all at once and flushes them to the screen.
void paintPendingUpdates()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
}

class ClickBench {
public:
    ClickBench(Form1 &window, PaintCounter &paints) : m_window(window), m_paints(paints) {}

    // One click; returns the microseconds from the release to the end of the repaint.
    double click(std::string_view control, Repaint repaint)
    {
        auto *button = m_window.findChild<QAbstractButton *>(toQString(control));
        if (!button || !button->isEnabled())
            fail("cannot click " + std::string(control));
        const auto point = clickPoint(button);
        QTest::mousePress(button, Qt::LeftButton, {}, point);
        paintPendingUpdates(); // the pressed look belongs to the press

        const int paintsBefore = m_paints.count();
        const auto start = Clock::now();
        QTest::mouseRelease(button, Qt::LeftButton, {}, point);
        if (repaint == Repaint::Whole)
            m_window.repaint();
        else
            paintPendingUpdates();
        const auto span = std::chrono::duration<double, std::micro>(Clock::now() - start).count();

        if (m_paints.count() == paintsBefore)
            fail("a click on " + std::string(control) + " repainted nothing");
        if (button->isCheckable() && !button->isChecked())
            fail("a click on " + std::string(control) + " did not select it");
        return span;
    }

    // Five clicks through the cascade; the last, Calculate, must show a result.
    void round(int index, Repaint repaint, std::vector<double> &spans)
    {
        const auto clicks = std::to_array({
            kModules[index % kModules.size()],
            kRates[(index + 5) % kRates.size()].control, // from 9600 up, round and round
            kParities[index % kParities.size()].control,
            kPolarities[index / 2 % kPolarities.size()].control,
            controls::CalculateCommandButton,
        });
        for (const auto control : clicks)
            spans.push_back(click(control, repaint));
        const auto *result = m_window.findChild<QLabel *>(toQString(controls::BaudModeDecimalLabel));
        if (!result || !result->isEnabled() || result->text() == QStringLiteral(" 0"))
            fail("Calculate showed no Baud Mode");
    }

private:
    Form1 &m_window;
    PaintCounter &m_paints;
};

void printFigures(const char *what, std::vector<double> spans)
{
    std::ranges::sort(spans);
    const auto at = [&](double fraction) { return spans[std::size_t(fraction * double(spans.size() - 1))]; };
    std::printf("%-44s median %6.0f us   99%% %6.0f us   worst %6.0f us\n", what, at(0.5), at(0.99), spans.back());
}

} // namespace

int main(int argc, char *argv[])
{
    // The start-up choices of app/main.cpp, which decide what a repaint costs.
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("windows"));
    const int rounds = argc > 1 ? std::atoi(argv[1]) : kDefaultRounds;
    if (rounds < 1)
        fail("usage: clickbench [ROUNDS]");

    Form1 window;
    window.setMessagePresenter([](QMessageBox &box) { fail("a message box opened: " + box.text().toStdString()); });
    window.load();
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        fail("the window was not shown");

    PaintCounter paints;
    app.installEventFilter(&paints);
    ClickBench bench(window, paints);
    std::vector<double> changed, whole;
    changed.reserve(std::size_t(rounds) * 5);
    whole.reserve(std::size_t(rounds) * 5);
    // The first clicks of a fresh window are in the first set: they are a user's first clicks too.
    for (int index = 0; index < rounds; ++index)
        bench.round(index, Repaint::Changed, changed);
    for (int index = 0; index < rounds; ++index)
        bench.round(index, Repaint::Whole, whole);

    std::printf("%zu clicks each on %s, %d rounds of module, rate, data bits, polarity, Calculate\n", changed.size(),
                qPrintable(QGuiApplication::platformName()), rounds);
    printFigures("release -> handler -> repaint of the changes", changed);
    printFigures("release -> handler -> repaint of the window", whole);
    return EXIT_SUCCESS;
}
