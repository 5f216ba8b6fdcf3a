#include "form1.h"

#include "accessibility.h"
#include "controlwidgets.h"
#include "keyboardnavigation.h"
#include "runtimeerror.h"
#include "tahoma.h"

#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QRadioButton>
#include <QShortcut>
#include <QWindow>

#include <algorithm>
#include <iterator>
#include <ranges>
#include <vector>

namespace {

// Message box styles: the low bits choose the buttons, the next ones the icon. Only "OK alone" is offered, so a style
// that asks for other buttons fails rather than showing the wrong ones.
constexpr int kButtonBits = 0x0F, kIconBits = 0x70;
constexpr int kCriticalIcon = 16, kQuestionIcon = 32, kExclamationIcon = 48, kInformationIcon = 64;

QMessageBox::Icon iconFor(int style)
{
    switch (style & kIconBits) {
    case kCriticalIcon:
        return QMessageBox::Critical;
    case kQuestionIcon:
        return QMessageBox::Question;
    case kExclamationIcon:
        return QMessageBox::Warning;
    case kInformationIcon:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

} // namespace

Form1::Form1(QWidget *parent) : QWidget(parent)
{
    ensureTahoma();
    installAccessibility();
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Tevrolin"));
    // A fixed size, and no maximize among the title bar's buttons, for window managers that read the buttons rather
    // than the size.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(toPixelRect(kClientArea).size());
    // The places of the controls are fixed: Qt's -reverse or a right-to-left locale would put each option's circle to
    // the right of its caption.
    setLayoutDirection(Qt::LeftToRight);

    std::map<std::string_view, QButtonGroup *> groups;
    for (const auto &row : kControls) {
        createControl(row);
        if (row.kind != Kind::OptionButton)
            continue;
        // One group per container: Qt's auto-exclusivity would gather the radio buttons of the frames together with
        // the polarity options that stand on the window itself.
        auto &group = groups[row.container];
        if (!group)
            group = new QButtonGroup(this);
        group->addButton(static_cast<QAbstractButton *>(m_controls.at(row.name).widget));
    }

    // Only buttons take the focus. Frames and labels stay out of the chain: Qt moves a frame together with its
    // children, which would tear the order of the options inside it.
    std::vector<ControlRow> byTab;
    std::ranges::copy_if(kControls, std::back_inserter(byTab), [](const auto &row) {
        return row.kind == Kind::OptionButton || row.kind == Kind::CommandButton;
    });
    std::ranges::sort(byTab, {}, &ControlRow::tabIndex);
    for (auto pair = byTab.begin(); pair + 1 != byTab.end(); ++pair)
        setTabOrder(m_controls.at(pair->name).widget, m_controls.at((pair + 1)->name).widget);

    for (const auto &row : kControls) {
        if (!hasClickHandler(row.name))
            continue;
        const auto name = row.name;
        connect(static_cast<QAbstractButton *>(m_controls.at(name).widget), &QAbstractButton::clicked, this,
                [this, name] { onClicked(name); });
    }

    m_navigation = new KeyboardNavigation(
        kControls, [this](std::string_view name) { return static_cast<QAbstractButton *>(m_controls.at(name).widget); },
        this);
    // Focus for when the window first becomes active: the module group, the only one enabled at start.
    m_navigation->moveFocus(nullptr, true);

    m_announcer = new Announcer(this);
    m_announcer->setGeometry(toPixelRect(m_controls.at(controls::BaudModeDecimalLabel).geometry));

    connect(new QShortcut(QKeySequence::Copy, this), &QShortcut::activated, this, &Form1::copyResult);
}

bool Form1::focusNextPrevChild(bool next)
{
    return m_navigation->moveFocus(focusWidget(), next);
}

void Form1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Where the compositor draws no title bar and no X server is there, Qt 6.4 draws its own, whose maximize button
    // stands whatever the flags say. weston ends a maximized window that keeps another size with a protocol error, and
    // the window hears of the state only after answering in its old size. So the maximum size is lifted as the
    // request leaves, before the compositor answers.
    connect(windowHandle(), &QWindow::windowStateChanged, this, &Form1::onWindowStateRequested, Qt::UniqueConnection);
}

void Form1::onWindowStateRequested(Qt::WindowState state)
{
    if (state == Qt::WindowMaximized)
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
}

void Form1::changeEvent(QEvent *event)
{
    // Restored once the compositor has given the window its own size back: the controls stay at the top left.
    if (event->type() == QEvent::WindowStateChange && !isMaximized())
        setMaximumSize(minimumSize());
    // A click on the window behind an open message box activates the window, and raises it above the box where the
    // compositor keeps no dialog above its parent and lets no program take the focus back (sway): the box, the only
    // one to take input, would stay hidden. Shown again, it is a new window, which every compositor puts in front.
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        if (auto *box = QApplication::activeModalWidget(); box && box != this) {
            box->hide();
            box->show();
        }
    }
    QWidget::changeEvent(event);
}

void Form1::createControl(const ControlRow &row)
{
    QWidget *parent = row.container.empty() ? this : m_controls.at(row.container).widget;
    m_controls.emplace(row.name, Control{ createWidget(row, parent), row.geometry });
}

Form1::Control *Form1::find(std::string_view name)
{
    const auto found = m_controls.find(name);
    return found == m_controls.end() ? nullptr : &found->second;
}

bool Form1::allowed(std::string_view operation, std::string_view control) const
{
    return !m_filter || m_filter(operation, control);
}

void Form1::load()
{
    runLoadStep(*this, *this);
}

bool Form1::SetScale(Side side, int twips)
{
    // The client area is fixed at its table size, so a scale equal to it is the only one that keeps the controls in
    // place.
    if (!allowed(side == Side::Height ? "ScaleHeight" : "ScaleWidth", "Form1"))
        return false;
    const auto client = toPixelRect(kClientArea);
    return toPixels(twips) == (side == Side::Height ? client.height() : client.width());
}

bool Form1::SetSide(std::string_view control, Side side, int twips)
{
    auto *target = find(control);
    if (!target || twips < 0 || !allowed(kSideNames[int(side)], control))
        return false;
    target->geometry = withSide(target->geometry, side, twips);
    target->widget->setGeometry(toPixelRect(target->geometry));
    return true;
}

bool Form1::SetEnabled(std::string_view control, bool enabled)
{
    auto *target = find(control);
    if (!target || !allowed("SetEnabled", control))
        return false;
    target->widget->setEnabled(enabled);
    return true;
}

bool Form1::SelectOption(std::string_view option)
{
    auto *target = find(option);
    auto *button = target ? qobject_cast<QRadioButton *>(target->widget) : nullptr;
    if (!button || !allowed("SelectOption", option))
        return false;
    button->setChecked(true); // works on a disabled option too, and runs no handler: only clicks do
    return true;
}

bool Form1::SetCaption(std::string_view text)
{
    auto *label = qobject_cast<QLabel *>(find(controls::BaudModeDecimalLabel)->widget);
    if (!allowed("SetCaption", controls::BaudModeDecimalLabel))
        return false;
    label->setText(toQString(text));
    m_announcer->announce(label->text());
    return true;
}

void Form1::copyResult() const
{
    // The label is enabled by the first result and never disabled again; before it, there is nothing to copy.
    const auto *label = qobject_cast<QLabel *>(m_controls.at(controls::BaudModeDecimalLabel).widget);
    if (label->isEnabled())
        QGuiApplication::clipboard()->setText(label->text().trimmed());
}

bool Form1::ShowMessage(std::string_view prompt, int style, std::string_view title)
{
    if ((style & kButtonBits) != 0 || !allowed("ShowMessage", {}))
        return false;
    QMessageBox box(iconFor(style), toQString(title), promptLines(prompt), QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    present(box);
    return true;
}

void Form1::present(QMessageBox &box)
{
    if (m_presenter) {
        m_presenter(box);
        return;
    }
    // exec() would end at the first hide(), which changeEvent() needs to show the box again.
    QEventLoop loop;
    connect(&box, &QDialog::finished, &loop, &QEventLoop::quit);
    box.setWindowModality(Qt::ApplicationModal);
    box.show();
    loop.exec(QEventLoop::DialogExec);
}

void Form1::onClicked(std::string_view control)
{
    // Errors end here: an exception must never unwind through Qt's event loop.
    try {
        m_cascade.click(control);
    } catch (const std::exception &error) {
        reportRuntimeError(error);
    }
}

void Form1::reportRuntimeError(const std::exception &error)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Tevrolin"),
                    QStringLiteral("Run-time error: %1\n\nTevrolin cannot go on and will close.")
                        .arg(QString::fromUtf8(error.what())),
                    QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    present(box);
    emit runtimeErrorReported();
}
