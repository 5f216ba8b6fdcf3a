#include "cascade.h"

#include "runtimeerror.h"
#include "windowoperations.h"

#include <algorithm>
#include <span>

namespace {

template <typename Row> const Row *findRow(std::span<const Row> rows, std::string_view control)
{
    // Not std::ranges::find, which the web build's libc++ 13 lacks.
    const auto found = std::find_if(rows.begin(), rows.end(), [&](const Row &row) { return row.control == control; });
    return found == rows.end() ? nullptr : &*found;
}

} // namespace

Cascade::Cascade(WindowOperations &window) : m_window(window) {}

bool Cascade::click(std::string_view control)
{
    if (const auto *row = findRow<ModelRow>(kModels, control))
        onModelClicked(*row);
    else if (const auto *row = findRow<ValueRow>(kRates, control))
        onRateClicked(*row);
    else if (const auto *row = findRow<ValueRow>(kParities, control))
        onParityClicked(*row);
    else if (const auto *row = findRow<ValueRow>(kPolarities, control))
        onPolarityClicked(*row);
    else if (control == controls::CalculateCommandButton)
        onCalculateClicked();
    else
        return false;
    return true;
}

bool hasClickHandler(std::string_view control)
{
    return findRow<ModelRow>(kModels, control) || findRow<ValueRow>(kRates, control) ||
           findRow<ValueRow>(kParities, control) || findRow<ValueRow>(kPolarities, control) ||
           control == controls::CalculateCommandButton;
}

void Cascade::setEnabled(std::string_view control, bool enabled)
{
    checkOperation(m_window.SetEnabled(control, enabled), "SetEnabled", control);
}

void Cascade::onModelClicked(const ModelRow &row)
{
    m_state.StampModel = row.model;
    if (row.dividend)
        m_state.ClockDividend = *row.dividend;

    // Every module click sets all eleven rates anew, so a BS1 greys out the fast ones (without deselecting them) and
    // any other module brings them back.
    setEnabled(controls::OptionButtonBaudRate, true);
    for (const auto &rate : kRates)
        setEnabled(rate.control, rate.value <= row.fastestRate);
}

void Cascade::onRateClicked(const ValueRow &row)
{
    m_state.BaudRate = row.value;
    setEnabled(controls::OptionButtonParity, true);
    for (const auto &parity : kParities)
        setEnabled(parity.control, true);
}

void Cascade::onParityClicked(const ValueRow &row)
{
    m_state.ParityValue = row.value;
    setEnabled(controls::OptionButtonPolarity, true);
    for (const auto &polarity : kPolarities)
        setEnabled(polarity.control, true);
}

void Cascade::onPolarityClicked(const ValueRow &row)
{
    m_state.PolarityValue = row.value;
    setEnabled(controls::CalculateCommandButton, true);
}

void Cascade::onCalculateClicked()
{
    const auto outcome = CalculateBaudMode(m_state.StampModel, m_state.ClockDividend, m_state.BaudRate,
                                           m_state.ParityValue, m_state.PolarityValue);
    if (outcome.refused) {
        // The baud group falls back before the box opens, so the warning shows over the reset group. The stored
        // rate stays: calculating again without a new choice refuses again.
        checkOperation(m_window.SelectOption(controls::OptionButtonBaudRate), "SelectOption",
                       controls::OptionButtonBaudRate);
        const auto &message = kBs1RateRefusal;
        checkOperation(m_window.ShowMessage(message.prompt, message.style, message.title), "ShowMessage", {});
        return;
    }
    setEnabled(controls::BaudModeDecimalLabel, true);
    checkOperation(m_window.SetCaption(outcome.caption), "SetCaption", controls::BaudModeDecimalLabel);
}
