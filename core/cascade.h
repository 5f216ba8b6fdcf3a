#pragma once

#include "baudmode.h"

#include <string>
#include <string_view>

class WindowOperations;

// The values the user has chosen so far. They live as long as the window; nothing resets or saves them.
struct FormState {
    std::string StampModel;
    double ClockDividend = 0;
    double BaudRate = 0;
    double ParityValue = 0;
    double PolarityValue = 0;

    bool operator==(const FormState &) const = default;
};

// The window's selection state and its click handlers. Each choice stores its value and unlocks the next group;
// Calculate shows the Baud Mode or refuses a rate that a BS1 cannot run. Every effect on the window goes through
// WindowOperations, one checked operation at a time.
class Cascade {
public:
    explicit Cascade(WindowOperations &window);

    // Runs the click handler of the control. Returns false, and does nothing, for a control that has none (prompt
    // options, frames and labels). A failed window operation or a floating-point fault ends the handler with a
    // RuntimeError after the handler's stores.
    bool click(std::string_view control);

    const FormState &state() const { return m_state; }

private:
    void onModelClicked(const ModelRow &row);
    void onRateClicked(const ValueRow &row);
    void onParityClicked(const ValueRow &row);
    void onPolarityClicked(const ValueRow &row);
    void onCalculateClicked();

    void setEnabled(std::string_view control, bool enabled);

    WindowOperations &m_window;
    FormState m_state;
};

// Whether a click on the control runs a handler: the seven modules, eleven rates, two parities, two polarities and
// Calculate.
bool hasClickHandler(std::string_view control);
