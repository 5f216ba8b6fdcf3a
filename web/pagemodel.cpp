#include "pagemodel.h"

#include <algorithm>

PageModel::PageModel()
{
    for (const auto &row : kControls)
        m_controls.push_back({ row, row.geometry, row.enabled, false, std::string(row.caption) });
}

const PageModel::Control *PageModel::find(std::string_view name) const
{
    const auto found = std::find_if(m_controls.begin(), m_controls.end(),
                                    [&](const Control &control) { return control.row.name == name; });
    return found == m_controls.end() ? nullptr : &*found;
}

PageModel::Control *PageModel::find(std::string_view name)
{
    return const_cast<Control *>(std::as_const(*this).find(name));
}

bool PageModel::SetEnabled(std::string_view control, bool enabled)
{
    auto *target = find(control);
    if (target)
        target->enabled = enabled;
    return target;
}

bool PageModel::SelectOption(std::string_view option)
{
    auto *target = find(option);
    if (!target || target->row.kind != Kind::OptionButton)
        return false;
    for (auto &member : m_controls)
        if (member.row.kind == Kind::OptionButton && member.row.container == target->row.container)
            member.checked = &member == target;
    return true;
}

bool PageModel::SetCaption(std::string_view text)
{
    auto *label = find(controls::BaudModeDecimalLabel);
    if (label)
        label->caption = text;
    return label;
}

bool PageModel::ShowMessage(std::string_view, int, std::string_view)
{
    return false;
}

bool PageModel::SetScale(Side side, int twips)
{
    // The page's form is the table's client area; a scale equal to it is the only one that keeps controls in place.
    return twips == (side == Side::Height ? kClientArea.height : kClientArea.width);
}

bool PageModel::SetSide(std::string_view control, Side side, int twips)
{
    auto *target = find(control);
    if (!target || twips < 0)
        return false;
    target->geometry = withSide(target->geometry, side, twips);
    return true;
}
