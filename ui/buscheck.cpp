#include "buscheck.h"

#include <QAccessible>
#include <QGuiApplication>
#include <QLoggingCategory>

#include <dbus/dbus.h>
#include <xcb/xcb.h>

#include <sys/stat.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

// QT_LOGGING_RULES=tevrolin.buses.debug=true says when each question was answered, and when and why the check
// decided, so that a start that waited can be told from one that did not.
Q_LOGGING_CATEGORY(lcBuses, "tevrolin.buses", QtWarningMsg)

namespace {

using Clock = std::chrono::steady_clock;
// A bus answers within milliseconds; one that has not answered by then keeps the window waiting.
constexpr auto kPatience = std::chrono::milliseconds(500);
constexpr int kCallTimeout = 1000; // milliseconds

// An address that fails at once: no bus, where libdbus would otherwise start one or wait on a silent one.
constexpr const char *kNoBus = "unix:path=/dev/null/no-bus";

constexpr const char *kA11yService = "org.a11y.Bus";
constexpr const char *kA11yPath = "/org/a11y/bus";

enum class Answer { Waiting, Refused, Answers };

std::string environment(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}

// A private connection, closed when done with.
class Connection {
public:
    // Connects and says Hello, as every client first does. Not through dbus_bus_register(), which holds a lock of
    // libdbus's own while it waits, and would keep Qt from every bus while the bus here stays silent.
    explicit Connection(const std::string &address)
    {
        DBusError error;
        dbus_error_init(&error);
        m_bus = dbus_connection_open_private(address.c_str(), &error);
        dbus_error_free(&error);
        if (m_bus &&
            !call<std::string>("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "Hello", {})) {
            dbus_connection_close(m_bus);
            dbus_connection_unref(m_bus);
            m_bus = nullptr;
        }
    }
    ~Connection()
    {
        if (m_bus) {
            dbus_connection_close(m_bus);
            dbus_connection_unref(m_bus);
        }
    }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    explicit operator bool() const { return m_bus; }

    // The first argument of the reply, of the type asked for (inside a variant, when it comes in one). Nothing when
    // the call fails; `silent` tells whether it failed for want of an answer.
    template <class Value>
    std::optional<Value> call(const char *service, const char *path, const char *interface, const char *method,
                              std::initializer_list<const char *> arguments, bool *silent = nullptr) const
    {
        DBusMessage *message = dbus_message_new_method_call(service, path, interface, method);
        for (const char *argument : arguments)
            dbus_message_append_args(message, DBUS_TYPE_STRING, &argument, DBUS_TYPE_INVALID);
        dbus_message_set_auto_start(message, false);
        DBusError error;
        dbus_error_init(&error);
        DBusMessage *reply = dbus_connection_send_with_reply_and_block(m_bus, message, kCallTimeout, &error);
        dbus_message_unref(message);
        if (silent)
            *silent =
                dbus_error_has_name(&error, DBUS_ERROR_NO_REPLY) || dbus_error_has_name(&error, DBUS_ERROR_TIMEOUT);
        dbus_error_free(&error);
        if (!reply)
            return std::nullopt;
        std::optional<Value> value;
        DBusMessageIter iter;
        if (dbus_message_iter_init(reply, &iter)) {
            DBusMessageIter inner;
            if (dbus_message_iter_get_arg_type(&iter) == DBUS_TYPE_VARIANT) {
                dbus_message_iter_recurse(&iter, &inner);
                iter = inner;
            }
            constexpr int kType = std::is_same_v<Value, bool> ? DBUS_TYPE_BOOLEAN : DBUS_TYPE_STRING;
            if (dbus_message_iter_get_arg_type(&iter) == kType) {
                std::conditional_t<std::is_same_v<Value, bool>, dbus_bool_t, const char *> raw{};
                dbus_message_iter_get_basic(&iter, &raw);
                value = Value(raw);
            }
        }
        dbus_message_unref(reply);
        return value;
    }

private:
    DBusConnection *m_bus = nullptr;
};

// The root window's AT_SPI_BUS property, read as Qt's X11 platform reads it.
std::string rootWindowBus()
{
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        return {};
    xcb_connection_t *connection = x11->connection();
    constexpr char kName[] = "AT_SPI_BUS";
    auto *atom = xcb_intern_atom_reply(connection, xcb_intern_atom(connection, true, sizeof kName - 1, kName), nullptr);
    if (!atom)
        return {};
    std::string address;
    if (atom->atom != XCB_ATOM_NONE) {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        auto *property = xcb_get_property_reply(
            connection, xcb_get_property(connection, false, root, atom->atom, XCB_ATOM_STRING, 0, 128), nullptr);
        if (property) {
            address.assign(static_cast<const char *>(xcb_get_property_value(property)),
                           std::size_t(xcb_get_property_value_length(property)));
            std::free(property);
        }
    }
    std::free(atom);
    return address;
}

} // namespace

// What the threads have found out so far. They fill it in as the answers come; a question that never gets one stays
// Waiting.
struct BusCheck::Findings {
    std::mutex mutex;
    std::condition_variable changed;
    Clock::time_point start = Clock::now(), deadline = start + kPatience;
    int asking = 0;
    std::vector<std::pair<std::string, Clock::time_point>> answered; // each question, when it had its last answer

    std::string sessionAddress; // empty: no session bus at all
    Answer session = Answer::Waiting;
    bool a11yOwned = false;  // org.a11y.Bus has an owner on the session bus
    bool statusRead = false; // ... which has told whether a screen reader is on
    std::string a11yAddress; // ... and, where one is or QT_LINUX_ACCESSIBILITY_ALWAYS_ON, where its bus is
    Answer a11yBus = Answer::Waiting;

    std::string variableAddress; // AT_SPI_BUS_ADDRESS
    Answer variableBus = Answer::Waiting;
    std::string rootAddress; // the root window's AT_SPI_BUS, on X11
    Answer rootBus = Answer::Waiting;

    // Runs `question` on a thread of its own, which the program leaves behind if it never gets an answer.
    template <class Question> void ask(const std::shared_ptr<Findings> &self, std::string what, Question question)
    {
        {
            std::lock_guard lock(mutex);
            ++asking;
        }
        std::thread([self, what = std::move(what), question] {
            question(*self);
            std::lock_guard lock(self->mutex);
            --self->asking;
            self->answered.emplace_back(what, Clock::now());
            self->changed.notify_all();
        }).detach();
    }

    // Records an answer.
    template <class Change> void note(Change change)
    {
        std::lock_guard lock(mutex);
        change();
        changed.notify_all();
    }

    void askWhetherAnswers(const std::shared_ptr<Findings> &self, std::string what, const std::string &address,
                           Answer Findings::*result)
    {
        ask(self, std::move(what) + " (" + address + ")", [address, result](Findings &findings) {
            const Connection bus(address);
            findings.note([&] { findings.*result = bus ? Answer::Answers : Answer::Refused; });
        });
    }
};

BusCheck::BusCheck() : m_findings(std::make_shared<Findings>())
{
    auto &findings = *m_findings;
    // The session bus where libdbus looks for it: the variable, else the user's bus in the runtime folder.
    findings.sessionAddress = environment("DBUS_SESSION_BUS_ADDRESS");
    if (findings.sessionAddress.empty()) {
        const auto runtimeDir = environment("XDG_RUNTIME_DIR"), runtimeBus = runtimeDir + "/bus";
        struct stat status {};
        if (!runtimeDir.empty() && stat(runtimeBus.c_str(), &status) == 0 && S_ISSOCK(status.st_mode))
            findings.sessionAddress = "unix:path=" + runtimeBus;
    }
    if (!findings.sessionAddress.empty()) {
        const bool alwaysOn = !environment("QT_LINUX_ACCESSIBILITY_ALWAYS_ON").empty();
        findings.ask(m_findings, "the session bus (" + findings.sessionAddress + ")",
                     [address = findings.sessionAddress, alwaysOn](Findings &found) {
                         const Connection bus(address);
                         found.note([&] { found.session = bus ? Answer::Answers : Answer::Refused; });
                         if (!bus)
                             return;
                         const auto owned = bus.call<bool>("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                           "org.freedesktop.DBus", "NameHasOwner", { kA11yService });
                         found.note([&] { found.a11yOwned = owned.value_or(false); });
                         if (!owned.value_or(false))
                             return;
                         // Qt reads ScreenReaderEnabled, then IsEnabled, unless told to start its bridge anyway.
                         bool on = alwaysOn;
                         for (const char *property : { "ScreenReaderEnabled", "IsEnabled" }) {
                             if (on)
                                 break;
                             bool silent = false;
                             const auto value =
                                 bus.call<bool>(kA11yService, kA11yPath, "org.freedesktop.DBus.Properties", "Get",
                                                { "org.a11y.Status", property }, &silent);
                             if (silent)
                                 return;
                             on = value.value_or(false);
                         }
                         found.note([&] { found.statusRead = true; });
                         if (!on)
                             return;
                         const auto address =
                             bus.call<std::string>(kA11yService, kA11yPath, kA11yService, "GetAddress", {});
                         if (!address || address->empty())
                             return; // Qt asks without waiting, and gives up on its own
                         found.note([&] { found.a11yAddress = *address; });
                         const Connection a11y(*address);
                         found.note([&] { found.a11yBus = a11y ? Answer::Answers : Answer::Refused; });
                     });
    }
    findings.variableAddress = environment("AT_SPI_BUS_ADDRESS");
    if (!findings.variableAddress.empty())
        findings.askWhetherAnswers(m_findings, "AT_SPI_BUS_ADDRESS", findings.variableAddress, &Findings::variableBus);
}

BusCheck::~BusCheck() = default;

void BusCheck::settle()
{
    auto &findings = *m_findings;
    if (QGuiApplication::platformName().startsWith(QStringLiteral("xcb"))) {
        findings.rootAddress = rootWindowBus();
        if (!findings.rootAddress.empty())
            findings.askWhetherAnswers(m_findings, "the root window's AT_SPI_BUS", findings.rootAddress,
                                       &Findings::rootBus);
    }

    std::unique_lock lock(findings.mutex);
    // Until the last answer, or the time limit. A busy machine may come here after that limit with every answer in,
    // or with none to wait for: then the check does not wait at all.
    bool timedOut = false;
    while (findings.asking > 0 && !timedOut)
        timedOut = findings.changed.wait_until(lock, findings.deadline) == std::cv_status::timeout;
    const auto decided = Clock::now();
    if (lcBuses().isDebugEnabled()) {
        const auto since = [&](Clock::time_point when) {
            return int(std::chrono::duration_cast<std::chrono::milliseconds>(when - findings.start).count());
        };
        for (const auto &[what, when] : findings.answered)
            qCDebug(lcBuses, "%s answered every question at +%d ms", what.c_str(), since(when));
        // The order of the decision, the last answer and the time limit, as seen from here.
        const char *why = findings.asking > 0 ? "at its time limit, with questions unanswered"
                          : timedOut          ? "at its time limit, although every question was answered"
                                              : "as soon as every question was answered";
        qCDebug(lcBuses, "decided at +%d ms, %s: answered %d, unanswered %d, time limit +%d ms", since(decided), why,
                int(findings.answered.size()), findings.asking, since(findings.deadline));
    }

    std::string cause;   // the first thing that did not answer
    std::string outcome; // what the program does instead

    bool screenReaders = false;
    bool settledByVariable = false;
    bool noBridge = false; // Qt's bridge is sent to no bus
    if (!findings.variableAddress.empty()) {
        if (findings.variableBus == Answer::Waiting) {
            cause = "the accessibility bus in AT_SPI_BUS_ADDRESS (" + findings.variableAddress + ")";
            qunsetenv("AT_SPI_BUS_ADDRESS"); // Qt looks on the session bus instead
        } else {
            settledByVariable = true; // Qt connects there, or fails at once
            screenReaders = findings.variableBus == Answer::Answers;
        }
    }

    if (findings.sessionAddress.empty() || findings.session == Answer::Waiting) {
        qputenv("DBUS_SESSION_BUS_ADDRESS", kNoBus);
        if (!findings.sessionAddress.empty() && cause.empty()) {
            cause = "the session bus (" + findings.sessionAddress + ")";
            outcome = screenReaders ? "going on without the desktop's colour scheme"
                                    : "going on without the desktop's colour scheme and screen readers";
        }
    } else if (findings.session == Answer::Answers && !settledByVariable) {
        const bool statusSilent = findings.a11yOwned && !findings.statusRead;
        const bool a11yBusSilent = !findings.a11yAddress.empty() && findings.a11yBus == Answer::Waiting;
        const bool rootSilent = !findings.rootAddress.empty() && findings.rootBus == Answer::Waiting;
        screenReaders = findings.a11yBus == Answer::Answers || findings.rootBus == Answer::Answers;
        if (statusSilent || a11yBusSilent || rootSilent) {
            if (cause.empty())
                cause = statusSilent ? std::string("org.a11y.Bus on the session bus")
                        : a11yBusSilent
                            ? "the accessibility bus that org.a11y.Bus names (" + findings.a11yAddress + ")"
                            : "the accessibility bus in the root window's AT_SPI_BUS (" + findings.rootAddress + ")";
            // Qt takes the variable and looks nowhere else.
            if (findings.rootBus == Answer::Answers) {
                qputenv("AT_SPI_BUS_ADDRESS", findings.rootAddress.c_str());
                outcome = "screen readers use the bus in the root window's AT_SPI_BUS";
            } else if (findings.a11yBus == Answer::Answers) {
                qputenv("AT_SPI_BUS_ADDRESS", findings.a11yAddress.c_str());
                outcome = "screen readers use the bus that org.a11y.Bus names";
            } else {
                qputenv("AT_SPI_BUS_ADDRESS", kNoBus);
                noBridge = true;
            }
        }
    }
    if (!cause.empty() && outcome.empty())
        outcome =
            screenReaders ? "screen readers use the desktop's accessibility bus" : "going on without screen readers";
    lock.unlock();

    // Qt's bridge starts here, with the variables set above. Sent to no bus, it still turns itself on, and would
    // report every change of the window to nobody.
    QAccessible::isActive();
    if (noBridge)
        QAccessible::setActive(false);
    if (!cause.empty())
        std::fprintf(stderr, "tevrolin: %s does not answer; %s\n", cause.c_str(), outcome.c_str());
}
