#include "accessibility.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QDialog>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

namespace {

// The captioned group box that an option stands over without being its child, if any.
QGroupBox *groupBoxUnder(const QWidget *option)
{
    const auto boxes = option->parentWidget()->findChildren<QGroupBox *>(Qt::FindDirectChildrenOnly);
    const auto found = std::ranges::find_if(boxes, [option](const QGroupBox *box) {
        return !box->title().isEmpty() && box->geometry().contains(option->geometry());
    });
    return found == boxes.end() ? nullptr : *found;
}

// An option or the window's push button, read as Qt reads radio buttons and push buttons but for two things. Qt's own
// "Toggle" checks an option without clicking it, so the option's handler never runs; here "Toggle" and "Press" click,
// as the pointer does. And an option that stands over a group box without being inside it still names the box as its
// group, where Qt looks only at the parent.
class ChoiceButton : public QAccessibleWidget {
public:
    explicit ChoiceButton(QAbstractButton *button)
        : QAccessibleWidget(button,
                            qobject_cast<QRadioButton *>(button) ? QAccessible::RadioButton : QAccessible::Button)
    {}

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Name && widget()->accessibleName().isEmpty())
            return button()->text();
        return QAccessibleWidget::text(kind);
    }

    QAccessible::State state() const override
    {
        auto state = QAccessibleWidget::state();
        state.checkable = button()->isCheckable();
        state.checked = button()->isChecked();
        state.pressed = button()->isDown();
        if (const auto *push = qobject_cast<QPushButton *>(button()))
            state.defaultButton = push->isDefault();
        return state;
    }

    QList<QPair<QAccessibleInterface *, QAccessible::Relation>> relations(QAccessible::Relation match) const override
    {
        auto found = QAccessibleWidget::relations(match);
        if (match & QAccessible::Label)
            if (auto *group = groupBoxUnder(widget()))
                found.append({ QAccessible::queryAccessibleInterface(group), QAccessible::Label });
        return found;
    }

    QStringList actionNames() const override
    {
        return widget()->isEnabled() ? QStringList{ clickAction() } + QAccessibleWidget::actionNames()
                                     : QAccessibleWidget::actionNames();
    }

    void doAction(const QString &action) override
    {
        if (action != clickAction())
            return QAccessibleWidget::doAction(action);
        if (!widget()->isEnabled())
            return;
        // The click follows from the event loop, once the screen reader has its answer: Calculate may open the modal
        // refusal box, and a reply held until the box closes would leave the screen reader waiting.
        QMetaObject::invokeMethod(
            button(),
            [button = button()] {
                // Like the pointer's, the click is lost on a window behind a modal box.
                const auto *modal = QApplication::activeModalWidget();
                if (modal && modal != button->window())
                    return;
                button->setFocus();
                button->click();
            },
            Qt::QueuedConnection);
    }

private:
    QAbstractButton *button() const { return static_cast<QAbstractButton *>(widget()); }
    const QString &clickAction() const { return button()->isCheckable() ? toggleAction() : pressAction(); }
};

QAccessibleInterface *createInterface(const QString &className, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    auto *widget = static_cast<QWidget *>(object);
    // Qt reads a plain top-level widget as a filler, which screen readers do not present as a window.
    if (className == u"QWidget" && widget->isWindow())
        return new QAccessibleWidget(widget, QAccessible::Window);
    if (className == u"Announcer")
        return new QAccessibleWidget(widget, QAccessible::Notification);
    // A dialog's buttons, like the message box's OK, keep Qt's own interface.
    if (className == u"QRadioButton" || (className == u"QPushButton" && !qobject_cast<QDialog *>(widget->window())))
        return new ChoiceButton(static_cast<QAbstractButton *>(widget));
    return nullptr;
}

} // namespace

void installAccessibility()
{
    static const bool once = (QAccessible::installFactory(createInterface), true);
    (void)once;
}

Announcer::Announcer(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
}

void Announcer::announce(const QString &text)
{
    if (!QAccessible::isActive())
        return;
    // Screen readers speak a notification when it appears; hiding it first lets the same result be spoken again.
    hide();
    setAccessibleName(text);
    show();
}
