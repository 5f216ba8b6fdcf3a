#include "accessibility.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QGroupBox>

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

// An option button that stands over its group box rather than inside it. Qt labels an option by its parent group box
// only; this labels it by the box it stands over, found when a screen reader asks, and otherwise reads the option as
// Qt's own radio buttons do.
class GroupedOption : public QAccessibleWidget {
public:
    explicit GroupedOption(QAbstractButton *option) : QAccessibleWidget(option, QAccessible::RadioButton) {}

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Name && widget()->accessibleName().isEmpty())
            return button()->text();
        return QAccessibleWidget::text(kind);
    }

    QAccessible::State state() const override
    {
        auto state = QAccessibleWidget::state();
        state.checkable = true;
        state.checked = button()->isChecked();
        state.pressed = button()->isDown();
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
        return widget()->isEnabled() ? QStringList{ toggleAction() } + QAccessibleWidget::actionNames()
                                     : QAccessibleWidget::actionNames();
    }

    void doAction(const QString &action) override
    {
        if (action != toggleAction())
            return QAccessibleWidget::doAction(action);
        if (!widget()->isEnabled())
            return;
        button()->setFocus();
        button()->click();
    }

private:
    QAbstractButton *button() const { return static_cast<QAbstractButton *>(widget()); }
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
    if (className == u"QRadioButton" && widget->parentWidget() && !qobject_cast<QGroupBox *>(widget->parentWidget()))
        return new GroupedOption(static_cast<QAbstractButton *>(widget));
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
