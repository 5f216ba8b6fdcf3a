#include "desktop.h"

#include "platformchoice.h"

#include <QApplication>
#include <QDBusAbstractInterface>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QEvent>
#include <QPalette>
#include <QRegularExpression>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace {

// Qt's messages while the application object connects to the display. Without a display Qt warns twice and then
// aborts, which leaves a core dump and a hint to reinstall; one line that names the display settings says more. Held
// back until the outcome is known, and passed on unchanged when a display opens.
struct HeldMessage {
    QtMsgType type;
    const char *category; // Qt's category names are static strings
    QString text;
};
std::vector<HeldMessage> heldMessages;
std::mutex heldMessagesMutex; // Qt's Wayland plugin warns from its own thread
QtMessageHandler passOn = nullptr;

QString shownEnvironment(const char *name)
{
    return qEnvironmentVariableIsSet(name) ? QStringLiteral("%1=\"%2\"").arg(name, qEnvironmentVariable(name))
                                           : QStringLiteral("%1 unset").arg(name);
}

// The platforms whose plugin Qt could not find at all, from its held messages; those it found but could not start
// (no display) are not among them.
QStringList missingPlatforms()
{
    static const QRegularExpression notFound(QStringLiteral("^Could not find the Qt platform plugin \"([^\"]*)\""));
    static const QRegularExpression notLoaded(QStringLiteral("^Could not load the Qt platform plugin"));
    QStringList missing;
    for (const auto &message : heldMessages) {
        if (notLoaded.match(message.text).hasMatch())
            return {}; // one was there: what is missing is the display
        if (const auto match = notFound.match(message.text); match.hasMatch())
            missing << match.captured(1);
    }
    return missing;
}

QString noDisplayLine(const QString &cause)
{
    QString line = QStringLiteral("tevrolin: no display could be opened (%1, %2")
                       .arg(shownEnvironment("DISPLAY"), shownEnvironment("WAYLAND_DISPLAY"));
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        line += QStringLiteral(", ") + shownEnvironment("QT_QPA_PLATFORM");
    return line + QStringLiteral(")%1; run it in a desktop session or over ssh -X\n").arg(cause);
}

void holdWhileConnecting(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    std::lock_guard lock(heldMessagesMutex);
    // A compositor that took the connection and closed it, or broke it later: Qt's Wayland plugin warns and ends the
    // program at once, with this warning still held.
    static const QRegularExpression broken(QStringLiteral("^The Wayland connection (broke|experienced a fatal error)"));
    if (broken.match(text).hasMatch()) {
        const auto line = noDisplayLine(QStringLiteral(": the Wayland compositor broke the connection"));
        std::fputs(line.toLocal8Bit().constData(), stderr);
        std::_Exit(EXIT_FAILURE);
    }
    if (type != QtFatalMsg) {
        heldMessages.push_back({ type, context.category, text });
        return;
    }
    // The only fatal message of QApplication's constructor is the one for a platform that could not be initialised:
    // its plugin is not installed, or it found no display.
    QString line;
    if (const auto missing = missingPlatforms(); !missing.isEmpty()) {
        const bool wayland =
            std::ranges::all_of(missing, [](const QString &name) { return name.startsWith(u"wayland"); });
        line = wayland ? QStringLiteral("tevrolin: Qt's platform plugin \"%1\" is not installed (Debian package "
                                        "qt6-wayland); install it, or run with QT_QPA_PLATFORM=xcb\n")
                       : QStringLiteral("tevrolin: Qt has no platform plugin \"%1\"; run with QT_QPA_PLATFORM=xcb, or "
                                        "QT_QPA_PLATFORM=wayland with qt6-wayland installed\n");
        line = line.arg(missing.join(QStringLiteral("\", \"")));
    } else {
        line = noDisplayLine(compositorClosedUnanswered()
                                 ? QStringLiteral(": the Wayland compositor closed the connection unanswered")
                                 : QString());
    }
    std::fputs(line.toLocal8Bit().constData(), stderr);
    std::_Exit(EXIT_FAILURE); // not abort(): nothing crashed, and a crash collector has nothing to record
}

} // namespace

void holdMessagesWhileConnecting()
{
    passOn = qInstallMessageHandler(holdWhileConnecting);
}

void releaseHeldMessages()
{
    qInstallMessageHandler(passOn);
    std::lock_guard lock(heldMessagesMutex);
    for (const auto &message : heldMessages)
        passOn(message.type, QMessageLogContext(nullptr, 0, nullptr, message.category), message.text);
    heldMessages.clear();
}

void dropInvalidScaleFactor()
{
    if (!qEnvironmentVariableIsSet("QT_SCALE_FACTOR"))
        return;
    bool isNumber = false;
    const double factor = qEnvironmentVariable("QT_SCALE_FACTOR").toDouble(&isNumber);
    if (isNumber && std::isfinite(factor) && factor > 0)
        return;
    std::fprintf(stderr, "tevrolin: %s is not a number above zero; ignored\n",
                 shownEnvironment("QT_SCALE_FACTOR").toLocal8Bit().constData());
    qunsetenv("QT_SCALE_FACTOR");
}

namespace {

bool isDark(const QColor &color)
{
    return color.lightness() < 128;
}

// The colours of GNOME's own dark style.
QPalette darkPalette()
{
    const QColor window(53, 53, 53), base(45, 45, 45), text(238, 238, 236), dimmed(145, 145, 144);
    QPalette palette(window, window);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, window);
    for (const auto role : { QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::BrightText })
        palette.setColor(role, text);
    for (const auto role : { QPalette::WindowText, QPalette::Text, QPalette::ButtonText })
        palette.setColor(QPalette::Disabled, role, dimmed);
    palette.setColor(QPalette::Highlight, QColor(21, 83, 158));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::ToolTipBase, base);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, dimmed);
    return palette;
}

const QString kPortal = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kSettings = QStringLiteral("org.freedesktop.portal.Settings");
const QString kAppearance = QStringLiteral("org.freedesktop.appearance");
const QString kColorScheme = QStringLiteral("color-scheme");

// The portal's settings, whose SettingChanged signal Qt relays to the signal of the same name here.
class PortalSettings : public QDBusAbstractInterface {
    Q_OBJECT

public:
    PortalSettings()
        : QDBusAbstractInterface(kPortal, kPortalPath, kSettings.toUtf8(), QDBusConnection::sessionBus(), nullptr)
    {}

signals:
    void SettingChanged(const QString &group, const QString &key, const QDBusVariant &value);
};

} // namespace

PreferredColorScheme::PreferredColorScheme() : m_desktopPalette(QApplication::palette())
{
    if (isDark(m_desktopPalette.color(QPalette::Window)))
        return;
    // Asked without starting the portal: where none runs, the answer is an error at once.
    auto read = QDBusMessage::createMethodCall(kPortal, kPortalPath, kSettings, QStringLiteral("Read"));
    read << kAppearance << kColorScheme;
    read.setAutoStartService(false);
    m_answer = std::make_unique<QDBusPendingCall>(QDBusConnection::sessionBus().asyncCall(read, 200));
}

PreferredColorScheme::~PreferredColorScheme() = default;

void PreferredColorScheme::apply()
{
    if (!m_answer)
        return;
    m_answer->waitForFinished();
    const QDBusPendingReply<QDBusVariant> reply = *m_answer;
    if (reply.isValid())
        show(reply.value().variant());
}

void PreferredColorScheme::follow()
{
    if (!m_answer || !m_answer->isValid())
        return; // a dark theme of the desktop's own, or no portal to follow
    m_answer.reset();
    auto *portal = new PortalSettings;
    m_changes.reset(portal);
    QObject::connect(portal, &PortalSettings::SettingChanged, portal,
                     [this](const QString &group, const QString &key, const QDBusVariant &value) {
                         if (group == kAppearance && key == kColorScheme)
                             show(value.variant());
                     });
}

void PreferredColorScheme::show(const QVariant &scheme)
{
    QVariant value = scheme;
    // Read wraps the value in one variant more than its signature says; SettingChanged does not.
    if (value.userType() == qMetaTypeId<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    // The setting is a uint32; anything else is no preference, however it would convert.
    constexpr uint kPrefersDark = 1; // 0: no preference, 2: light
    const bool dark = value.userType() == QMetaType::UInt && value.toUInt() == kPrefersDark;
    const QPalette wanted = dark ? darkPalette() : m_desktopPalette;
    if (wanted != QApplication::palette())
        QApplication::setPalette(wanted);
}

// Qt's KDE theme takes the dimmed text of disabled controls and the shades of frames and option circles from the
// button colour, darkened; a black high-contrast scheme leaves them all black on black, and the options that wait for
// a choice vanish. Those that came out as the background are set halfway between it and the text: dimmed, but seen.
void keepShadesVisible()
{
    QPalette palette = QApplication::palette();
    const QColor background = palette.color(QPalette::Window);
    const QColor text = palette.color(QPalette::WindowText);
    const QColor halfway((background.red() + text.red()) / 2, (background.green() + text.green()) / 2,
                         (background.blue() + text.blue()) / 2);
    bool changed = false;
    const auto keep = [&](QPalette::ColorGroup group, QPalette::ColorRole role) {
        if (palette.color(group, role) == background && background != text) {
            palette.setColor(group, role, halfway);
            changed = true;
        }
    };
    for (const auto role : { QPalette::WindowText, QPalette::Text, QPalette::ButtonText })
        keep(QPalette::Disabled, role);
    for (const auto group : { QPalette::Active, QPalette::Inactive, QPalette::Disabled })
        for (const auto role : { QPalette::Light, QPalette::Midlight, QPalette::Mid, QPalette::Dark, QPalette::Shadow })
            keep(group, role);
    if (changed)
        QApplication::setPalette(palette);
}

AfterFirstPaint::AfterFirstPaint(QWidget *watched, std::function<void()> task)
    : QObject(watched), m_task(std::move(task))
{
    watched->installEventFilter(this);
}

bool AfterFirstPaint::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint) {
        watched->removeEventFilter(this);
        QTimer::singleShot(0, this, m_task);
    }
    return false;
}

#include "desktop.moc"
