#include "choice.h"

#include <algorithm>
#include <array>
#include <span>

namespace choice {

namespace {

struct ValueGroup {
    std::string_view key;
    std::span<const ValueRow> rows;
    double FormState::*stored;
};

constexpr std::string_view kModuleKey = "module";
const auto kValueGroups = std::to_array<ValueGroup>({
    { "baud", kRates, &FormState::BaudRate },
    { "parity", kParities, &FormState::ParityValue },
    { "polarity", kPolarities, &FormState::PolarityValue },
});

} // namespace

std::string fragment(const FormState &state)
{
    const auto *model = findModel(state.StampModel);
    if (!model)
        return {};
    std::string text = std::string(kModuleKey) + '=' + std::string(model->model);
    for (const auto &group : kValueGroups) {
        const auto found = std::find_if(group.rows.begin(), group.rows.end(),
                                        [&](const ValueRow &row) { return row.value == state.*group.stored; });
        if (found == group.rows.end())
            break;
        text += '&' + std::string(group.key) + '=' + std::string(found->name);
    }
    return text;
}

std::string_view control(std::size_t index, std::string_view part)
{
    const auto equals = part.find('=');
    if (equals == std::string_view::npos)
        return {};
    const auto key = part.substr(0, equals), word = part.substr(equals + 1);
    if (index == 0) {
        const auto *model = key == kModuleKey ? findModel(word) : nullptr;
        return model ? model->control : std::string_view();
    }
    if (index > kValueGroups.size() || key != kValueGroups[index - 1].key)
        return {};
    const auto *row = findValue(kValueGroups[index - 1].rows, word);
    return row ? row->control : std::string_view();
}

} // namespace choice
