#include "form1.h"
#include "runtimeerror.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QLabel>
#include <QMessageBox>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// The cascade as a user learns it, written down from the rules without the program's tables or code. Controls are
// named as on the window; a group is a list of option names whose first one is the prompt.
struct Model {
    const std::vector<std::vector<std::string>> groups = {
        { "OptionButtonSelectStamp", "BS1OptionButton", "BS2OptionButton", "BS2eOptionButton", "BS2sxOptionButton",
          "BS2pOptionButton", "BS2peOptionButton", "BS2pxOptionButton" },
        { "OptionButtonBaudRate", "OptionButton300", "OptionButton600", "OptionButton1200", "OptionButton2400",
          "OptionButton4800", "OptionButton9600", "OptionButton19200", "OptionButton38400", "OptionButton56000",
          "OptionButton57600", "OptionButton115200" },
        { "OptionButtonParity", "OptionButton8BitNoParity", "OptionButton7BitEvenParity" },
        { "OptionButtonPolarity", "OptionButtonInverted", "OptionButtonTrue" },
    };
    const std::vector<std::string> others = { "ModuleFrame",          "BaudFRame", "ParityFrame",           "Polarity",
                                              "BaudModeDecimalLabel", "Label1",    "CalculateCommandButton" };
    const std::map<std::string, double> dividends = { { "BS2", 1e6 },    { "BS2e", 1e6 },  { "BS2sx", 2.5e6 },
                                                      { "BS2p", 2.5e6 }, { "BS2pe", 1e6 }, { "BS2px", 4e6 } };

    std::map<std::string, bool> enabled, checked;
    std::string label = " 0", message, model, focus = "OptionButtonSelectStamp";
    double dividend = 0, rate = 0, parity = 0, polarity = 0;

    Model()
    {
        for (const auto &group : groups)
            for (const auto &option : group) {
                enabled[option] = group == groups[0];
                checked[option] = option == group[0];
            }
        for (const auto &name : others)
            enabled[name] = name != "BaudModeDecimalLabel" && name != "CalculateCommandButton";
    }

    // The Tab stops in order: the polarity, baud, module and parity groups, then Calculate. Each lands on the group's
    // checked option while that is enabled and otherwise on its first enabled one; on nothing when none is enabled.
    static constexpr int kStops = 5, kCalculate = 4;
    static constexpr int kTabOrder[] = { 3, 1, 0, 2 };
    std::string landing(int stop) const
    {
        if (stop == kCalculate)
            return enabled.at("CalculateCommandButton") ? "CalculateCommandButton" : "";
        const auto &group = groups[kTabOrder[stop]];
        const auto on = [&](const std::string &option) { return enabled.at(option); };
        const auto checkedOne = std::find_if(group.begin(), group.end(), [&](auto &o) { return checked.at(o); });
        if (checkedOne != group.end() && on(*checkedOne))
            return *checkedOne;
        const auto first = std::find_if(group.begin(), group.end(), on);
        return first == group.end() ? "" : *first;
    }
    // The stop of an option's group; Calculate's for anything else.
    int stopOf(const std::string &name) const
    {
        for (int stop = 0; stop < kCalculate; ++stop)
            if (std::ranges::count(groups[kTabOrder[stop]], name))
                return stop;
        return kCalculate;
    }

    // Tab (1) or Shift+Tab (-1): to the next or previous stop that lands anywhere, round the window.
    void tab(int step)
    {
        for (int i = 1; i <= kStops; ++i)
            if (const auto to = landing(((stopOf(focus) + step * i) % kStops + kStops) % kStops); !to.empty()) {
                focus = to;
                return;
            }
    }
    // Down or Right (1), Up or Left (-1): to the next or previous enabled option of the group, round it, selecting it
    // as a click does. On Calculate, which has no group, an arrow moves on as Tab or Shift+Tab.
    void arrow(int step)
    {
        if (stopOf(focus) == kCalculate)
            return tab(step);
        const auto &group = groups[kTabOrder[stopOf(focus)]];
        const int count = int(group.size()), at = int(std::find(group.begin(), group.end(), focus) - group.begin());
        for (int i = 1; i < count; ++i)
            if (const auto &option = group[std::size_t(((at + step * i) % count + count) % count)]; enabled[option])
                return choose(option);
    }
    void key(const std::string &name)
    {
        if (name == "Tab" || name == "Backtab")
            tab(name == "Tab" ? 1 : -1);
        else if (name == "Down" || name == "Right" || name == "Up" || name == "Left")
            arrow(name == "Down" || name == "Right" ? 1 : -1);
        else if (name == "Space")
            click(focus);
        else if ((name == "Return" || name == "Enter") && enabled["CalculateCommandButton"])
            calculate();
        // With Ctrl, Alt or Shift, an arrow or Return does nothing.
    }
    // A click with the pointer, or a screen reader's action: an enabled button takes the focus, and is clicked.
    void choose(const std::string &name)
    {
        if (enabled[name] && (stopOf(name) != kCalculate || name == "CalculateCommandButton"))
            focus = name;
        click(name);
    }

    void enableGroup(int g, bool on = true)
    {
        for (const auto &option : groups[g])
            enabled[option] = on;
    }
    void select(int g, const std::string &option)
    {
        for (const auto &member : groups[g])
            checked[member] = member == option;
    }

    void click(const std::string &name)
    {
        if (!enabled[name])
            return;
        if (name == "CalculateCommandButton")
            return calculate();
        for (int g = 0; g < 4; ++g) {
            const auto &group = groups[g];
            const auto at = std::find(group.begin(), group.end(), name) - group.begin();
            if (at == std::ptrdiff_t(group.size()))
                continue;
            select(g, name);
            if (at == 0)
                return; // a prompt only moves the selection
            if (g == 0) {
                model = name.substr(0, name.find("OptionButton"));
                if (model != "BS1")
                    dividend = dividends.at(model);
                enableGroup(1);
                for (int r = 5; model == "BS1" && r < 12; ++r) // 4800 and up
                    enabled[groups[1][r]] = false;
            } else if (g == 1) {
                rate = std::stod(name.substr(std::string("OptionButton").size()));
                enableGroup(2);
            } else if (g == 2) {
                parity = at == 1 ? 0 : 8192;
                enableGroup(3);
            } else {
                polarity = at == 1 ? 16384 : 0;
                enabled["CalculateCommandButton"] = true;
            }
        }
    }

    void calculate()
    {
        if (model == "BS1" && rate > 2400) {
            select(1, groups[1][0]);
            message = "Baud rate is not valid with a BS1\nPlease select a value between 300 and 2400";
            return;
        }
        enabled["BaudModeDecimalLabel"] = true;
        if (model == "BS1")
            label = (polarity == 0 ? "T" : "N") + std::to_string(int(rate));
        else
            label = std::to_string(int(std::floor(dividend / rate)) - 20 + int(polarity) + int(parity));
    }
};

} // namespace

class CampaignTest : public QObject {
    Q_OBJECT

private slots:
    void randomEventsMatchTheReferenceModel();
    void everyFailingOperationEndsItsHandler();
    void everyFailingLoadChangeEndsTheLoadStep();

private:
    struct Window {
        std::unique_ptr<Form1> form = std::make_unique<Form1>();
        QString messageText;
        QMessageBox::Icon messageIcon = QMessageBox::NoIcon;
        int messages = 0;
        std::vector<std::string> clicked; // the buttons whose clicked() fired, handlers or not
        bool clickedBeforeAnswer = false;

        Window()
        {
            form->setMessagePresenter([this](QMessageBox &box) {
                messageText = box.text();
                messageIcon = box.icon();
                ++messages;
            });
            for (auto *button : form->findChildren<QAbstractButton *>())
                QObject::connect(button, &QAbstractButton::clicked,
                                 [this, button] { clicked.push_back(button->objectName().toStdString()); });
        }
        void show()
        {
            form->load();
            form->show();
            form->activateWindow();
        }
        void press(QKeyCombination key)
        {
            QTest::keyClick(form->focusWidget() ? form->focusWidget() : form.get(), key.key(), key.keyboardModifiers());
        }
        // What a screen reader or voice control does: the action a control of its kind offers, asked of the control
        // whatever its state; then the event loop runs what the action left to it.
        void act(const std::string &name)
        {
            auto *control = form->findChild<QWidget *>(QString::fromStdString(name));
            auto *action = QAccessible::queryAccessibleInterface(control)->actionInterface();
            action->doAction(qobject_cast<QRadioButton *>(control) ? QAccessibleActionInterface::toggleAction()
                                                                   : QAccessibleActionInterface::pressAction());
            clickedBeforeAnswer = !clicked.empty(); // the reader waits for its answer; a refusal box would hold it
            QCoreApplication::sendPostedEvents();
        }
        std::string focus() const
        {
            return form->focusWidget() ? form->focusWidget()->objectName().toStdString() : std::string();
        }
        void click(const std::string &name)
        {
            auto *control = form->findChild<QWidget *>(QString::fromStdString(name));
            // Options take clicks on their indicator; frames and labels anywhere.
            const bool button = qobject_cast<QAbstractButton *>(control);
            const QPoint at = qobject_cast<QRadioButton *>(control) ? QPoint(8, control->height() / 2)
                              : button                              ? control->rect().center()
                                       : QPoint(control->width() - 4, control->height() - 4);
            QTest::mouseClick(control, Qt::LeftButton, {}, at);
        }
    };

    static QString difference(const Model &model, Window &window);
    static QString tabStopDifference(const Model &model, Window &window);
    static std::vector<std::string> allControls(const Model &model);
};

std::vector<std::string> CampaignTest::allControls(const Model &model)
{
    std::vector<std::string> names(model.others);
    for (const auto &group : model.groups)
        names.insert(names.end(), group.begin(), group.end());
    return names;
}

QString CampaignTest::difference(const Model &model, Window &window)
{
    QStringList found;
    for (const auto &[name, on] : model.enabled) {
        auto *control = window.form->findChild<QWidget *>(QString::fromStdString(name));
        if (control->isEnabled() != on)
            found << u"%1 enabled %2"_s.arg(QString::fromStdString(name)).arg(control->isEnabled());
        if (auto *radio = qobject_cast<QRadioButton *>(control); radio && radio->isChecked() != model.checked.at(name))
            found << u"%1 checked %2"_s.arg(QString::fromStdString(name)).arg(radio->isChecked());
    }
    if (window.focus() != model.focus)
        found << u"focus on '%1' instead of '%2'"_s.arg(QString::fromStdString(window.focus()),
                                                        QString::fromStdString(model.focus));
    const auto label = window.form->findChild<QLabel *>(u"BaudModeDecimalLabel"_s)->text();
    if (label != QString::fromStdString(model.label))
        found << u"label '%1' instead of '%2'"_s.arg(label, QString::fromStdString(model.label));
    if (window.messageText != QString::fromStdString(model.message))
        found << u"message '%1' instead of '%2'"_s.arg(window.messageText, QString::fromStdString(model.message));
    return found.join(u"; "_s);
}

// Tabs once round the window from where the focus is, then Shift+Tabs back: every stop that lands anywhere must take
// the focus once each way, on the option the model says, and Tab must press nothing.
QString CampaignTest::tabStopDifference(const Model &model, Window &window)
{
    int stops = 0;
    for (int stop = 0; stop < Model::kStops; ++stop)
        stops += !model.landing(stop).empty();
    Model walk = model;
    QStringList found, wanted;
    window.clicked.clear();
    for (const int step : { 1, -1 })
        for (int i = 0; i < stops; ++i) {
            window.press(step == 1 ? Qt::Key_Tab : Qt::Key_Backtab);
            walk.tab(step);
            found << QString::fromStdString(window.focus());
            wanted << QString::fromStdString(walk.focus);
        }
    if (found == wanted && window.clicked.empty())
        return {};
    return u"Tab stops %1 instead of %2%3"_s.arg(found.join(u", "_s), wanted.join(u", "_s),
                                                 window.clicked.empty() ? QString() : u", and Tab clicked"_s);
}

void CampaignTest::randomEventsMatchTheReferenceModel()
{
    const int total = qEnvironmentVariableIntValue("TEVROLIN_CAMPAIGN_EVENTS") > 0
                          ? qEnvironmentVariableIntValue("TEVROLIN_CAMPAIGN_EVENTS")
                          : 100000;
    // Short sequences find shallow faults fast; long ones reach states that take many changes of mind.
    const int perSequence = 500;
    // The keys a keyboard user has, and some that chords with Ctrl, Alt or Shift make of them.
    // clang-format off
    const std::map<std::string, QKeyCombination> keys = {
        { "Tab", Qt::Key_Tab },     { "Backtab", Qt::Key_Backtab },  { "Space", Qt::Key_Space },
        { "Up", Qt::Key_Up },       { "Down", Qt::Key_Down },        { "Left", Qt::Key_Left },
        { "Right", Qt::Key_Right }, { "Return", Qt::Key_Return },    { "Enter", Qt::KeypadModifier | Qt::Key_Enter },
        { "Ctrl+Down", Qt::CTRL | Qt::Key_Down }, { "Shift+Left", Qt::SHIFT | Qt::Key_Left },
        { "Alt+Return", Qt::ALT | Qt::Key_Return } };
    // clang-format on
    const auto controls = allControls(Model{});
    std::vector<std::string> keyNames;
    for (const auto &[name, key] : keys)
        keyNames.push_back(name);
    for (unsigned seed = 1; seed <= unsigned(total / perSequence); ++seed) {
        std::mt19937 random(seed);
        // Three kinds of event, alike: a click, a key, a screen reader's action. Clicks and actions go to all 33
        // controls, disabled ones, prompts, frames and labels too.
        std::uniform_int_distribution<int> kind(0, 2);
        std::uniform_int_distribution<std::size_t> control(0, controls.size() - 1), key(0, keyNames.size() - 1);
        Model model;
        Window window;
        window.show();
        std::vector<std::string> done;
        for (int i = 0; i < perSequence; ++i) {
            const int drawn = kind(random);
            const auto what = drawn == 1 ? keyNames[key(random)] : controls[control(random)];
            done.push_back(drawn == 2 ? "act " + what : what);
            const auto enabledBefore = model.enabled;
            window.messageText.clear();
            window.clicked.clear();
            model.message.clear();
            if (drawn == 0)
                window.click(what);
            else if (drawn == 1)
                window.press(keys.at(what));
            else
                window.act(what);
            drawn == 1 ? model.key(what) : model.choose(what);
            QString diff;
            for (const auto &name : window.clicked)
                if (!enabledBefore.at(name))
                    diff += u"the handler of the disabled %1 ran; "_s.arg(QString::fromStdString(name));
            if (window.clickedBeforeAnswer)
                diff += u"the action clicked before it answered; "_s;
            if (window.clicked.size() > 1)
                diff += u"one event clicked %1 buttons; "_s.arg(window.clicked.size());
            diff += difference(model, window);
            if (diff.isEmpty())
                diff = tabStopDifference(model, window);
            if (!diff.isEmpty()) {
                QStringList prefix;
                for (const auto &event : done)
                    prefix << QString::fromStdString(event);
                QFAIL(qPrintable(u"seed %1 diverged after %2 events (%3): %4"_s.arg(seed)
                                     .arg(done.size())
                                     .arg(prefix.join(u", "_s), diff)));
            }
        }
    }
    qInfo("%d events", total / perSequence * perSequence);
}

void CampaignTest::everyFailingOperationEndsItsHandler()
{
    // Each handler is reached in a state where its control is enabled; the refusal path of Calculate is its own case.
    const std::vector<std::string> opened = { "BS2OptionButton", "OptionButton9600", "OptionButton8BitNoParity",
                                              "OptionButtonInverted" };
    std::vector<std::pair<std::vector<std::string>, std::string>> cases;
    Model names;
    for (const auto &group : names.groups)
        for (std::size_t i = 1; i < group.size(); ++i)
            cases.push_back({ opened, group[i] });
    cases.push_back({ opened, "CalculateCommandButton" });
    cases.push_back({ { "BS2OptionButton", "OptionButton115200", "OptionButton8BitNoParity", "OptionButtonTrue",
                        "BS1OptionButton" },
                      "CalculateCommandButton" });
    QCOMPARE(cases.size(), std::size_t(24));

    for (const auto &[preparation, control] : cases) {
        // A clean run tells how many operations the handler makes and what it stores.
        Window clean;
        clean.show();
        for (const auto &step : preparation)
            clean.click(step);
        int operations = 0;
        clean.form->setOperationFilter([&](auto, auto) { return ++operations, true; });
        clean.click(control);
        QVERIFY2(operations > 0, control.c_str());

        for (int failing = 0; failing < operations; ++failing) {
            const auto where = u"%1 failing at operation %2"_s.arg(QString::fromStdString(control)).arg(failing);
            Window window;
            window.show();
            for (const auto &step : preparation)
                window.click(step);
            int asked = 0;
            window.form->setOperationFilter([&](auto, auto) { return asked++ != failing; });
            QSignalSpy reported(window.form.get(), &Form1::runtimeErrorReported);
            window.click(control);
            QVERIFY2(asked == failing + 1, qPrintable(where)); // nothing after the failure ran
            QVERIFY2(reported.size() == 1 && window.messageIcon == QMessageBox::Critical, qPrintable(where));
            QVERIFY2(window.messageText.startsWith(u"Run-time error"_s), qPrintable(where));
            QVERIFY2(window.form->formState() == clean.form->formState(), qPrintable(where)); // the stores stay
        }
    }
}

void CampaignTest::everyFailingLoadChangeEndsTheLoadStep()
{
    int operations = 0;
    {
        Form1 clean;
        clean.setOperationFilter([&](auto, auto) { return ++operations, true; });
        clean.load();
    }
    QCOMPARE(operations, 2 + 12 * 4 + 4); // the scale, twelve blocks of four, four prompt options

    for (int failing = 0; failing < operations; ++failing) {
        Window window;
        int asked = 0;
        window.form->setOperationFilter([&](auto, auto) { return asked++ != failing; });
        try {
            window.form->load();
            QFAIL("the load step went on past a failed change");
        } catch (const WindowOperationError &error) {
            window.form->reportRuntimeError(error);
        }
        QCOMPARE(asked, failing + 1);
        QCOMPARE(window.messageIcon, QMessageBox::Critical);
        QCOMPARE(window.messages, 1);
    }
}

QTEST_MAIN(CampaignTest)
#include "campaign_test.moc"
