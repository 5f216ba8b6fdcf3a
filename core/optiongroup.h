#pragma once

#include <algorithm>
#include <functional>
#include <optional>
#include <ranges>

// How the keyboard moves within an option group, whatever the window: the members in their order on the screen, and
// what each says of itself.
namespace optiongroup {

template <class Members> using Member = std::optional<std::ranges::range_value_t<Members>>;

// Where Tab enters the group: its checked member while that is enabled, otherwise its first enabled one; none while
// nothing in it is enabled.
template <std::ranges::random_access_range Members, class Enabled, class Checked>
Member<Members> landing(const Members &members, Enabled enabled, Checked checked)
{
    const auto chosen = std::ranges::find_if(members, checked);
    if (chosen != std::ranges::end(members) && std::invoke(enabled, *chosen))
        return *chosen;
    const auto first = std::ranges::find_if(members, enabled);
    return first == std::ranges::end(members) ? Member<Members>() : Member<Members>(*first);
}

// The next enabled member after `from` in the direction of `step` (1 or -1), wrapping round; none while no other
// member is enabled.
template <std::ranges::random_access_range Members, class Enabled>
Member<Members> neighbour(const Members &members, const std::ranges::range_value_t<Members> &from, int step,
                          Enabled enabled)
{
    const auto count = int(std::ranges::size(members));
    const auto at = int(std::ranges::find(members, from) - std::ranges::begin(members));
    for (int i = 1; i < count; ++i) {
        const auto &member = members[((at + step * i) % count + count) % count];
        if (std::invoke(enabled, member))
            return member;
    }
    return {};
}

} // namespace optiongroup
