#include "keyboardnavigation.h"

#include "optiongroup.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QPushButton>

#include <algorithm>
#include <map>

KeyboardNavigation::KeyboardNavigation(std::span<const ControlRow> controls, const ButtonLookup &button,
                                       QObject *parent)
    : QObject(parent)
{
    // Option buttons group by their container, in table order: the prompt first, then top to bottom.
    std::map<std::string_view, std::size_t> groupOf;
    for (const auto &row : controls) {
        if (row.kind != Kind::OptionButton && row.kind != Kind::CommandButton)
            continue;
        auto *widget = button(row.name);
        widget->installEventFilter(this);
        const bool option = row.kind == Kind::OptionButton;
        const auto [group, added] = groupOf.try_emplace(option ? row.container : row.name, m_stops.size());
        if (added)
            m_stops.push_back({ {}, row.tabIndex });
        if (!option && !m_default) {
            m_default = qobject_cast<QPushButton *>(widget);
            m_default->setDefault(true); // drawn as the one Return presses, and so reported to screen readers
        }
        auto &stop = m_stops[group->second];
        stop.members.push_back(widget);
        stop.tabIndex = std::min(stop.tabIndex, row.tabIndex);
    }
    std::ranges::sort(m_stops, {}, &Stop::tabIndex);
}

const KeyboardNavigation::Stop *KeyboardNavigation::stopOf(const QWidget *widget) const
{
    const auto found = std::ranges::find_if(
        m_stops, [widget](const Stop &stop) { return std::ranges::find(stop.members, widget) != stop.members.end(); });
    return found == m_stops.end() ? nullptr : &*found;
}

QAbstractButton *KeyboardNavigation::landing(const Stop &stop)
{
    return optiongroup::landing(stop.members, &QAbstractButton::isEnabled, &QAbstractButton::isChecked)
        .value_or(nullptr);
}

QAbstractButton *KeyboardNavigation::neighbour(const Stop &group, QAbstractButton *from, int step)
{
    return optiongroup::neighbour(group.members, from, step, &QAbstractButton::isEnabled).value_or(nullptr);
}

QAbstractButton *KeyboardNavigation::nextStop(const QWidget *from, bool forward) const
{
    const auto *current = stopOf(from);
    // A control disabled under the focus hands it on within its own group while the group has an enabled member.
    if (current && !from->isEnabled())
        if (auto *inGroup = landing(*current))
            return inGroup;

    const auto count = m_stops.size();
    const std::size_t start = current ? std::size_t(current - m_stops.data()) : forward ? count - 1 : 0;
    for (std::size_t step = 1; step <= count; ++step) {
        const auto index = forward ? (start + step) % count : (start + count - step) % count;
        if (auto *target = landing(m_stops[index]))
            return target;
    }
    return nullptr;
}

bool KeyboardNavigation::moveFocus(const QWidget *from, bool forward)
{
    auto *target = nextStop(from, forward);
    if (!target)
        return false;
    target->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

bool KeyboardNavigation::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    const bool modified = (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier;
    auto *button = static_cast<QAbstractButton *>(watched);

    int step = 0;
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!modified && m_default && m_default->isEnabled())
            m_default->click();
        return true;
    case Qt::Key_Up:
    case Qt::Key_Left:
        step = -1;
        break;
    case Qt::Key_Down:
    case Qt::Key_Right:
        step = 1;
        break;
    default:
        return false;
    }
    if (modified)
        return true;
    const auto *group = stopOf(button);
    if (!group || group->members.size() < 2)
        return false; // a lone button: Qt moves on to the next stop, through Form1
    if (auto *next = neighbour(*group, button, step)) {
        next->setFocus(Qt::TabFocusReason); // a keyboard reason, so that the focus frame shows
        next->click();                      // runs the option's handler, as a click would
    }
    return true;
}
