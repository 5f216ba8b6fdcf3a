#pragma once

#include <string_view>

// What the calculator logic needs from its window. Each operation answers whether it took effect; the logic turns a
// `false` into a RuntimeError at once, so an operation that did not happen can never pass unnoticed.
class WindowOperations {
public:
    virtual ~WindowOperations() = default;

    // Greys the control out (no clicks) or brings it back; the selection in its group is left as it is.
    [[nodiscard]] virtual bool SetEnabled(std::string_view control, bool enabled) = 0;
    // Selects the option button and clears the other members of its group; runs no click handler.
    [[nodiscard]] virtual bool SelectOption(std::string_view option) = 0;
    // Writes the text of the result label.
    [[nodiscard]] virtual bool SetCaption(std::string_view text) = 0;
    // Shows a message box modal to the window and returns once the user has closed it.
    [[nodiscard]] virtual bool ShowMessage(std::string_view prompt, int style, std::string_view title) = 0;
};
