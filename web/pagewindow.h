#pragma once

#include "windowoperations.h"

// The window operations on the page, carried out by its script (tevrolin.js) on the element whose id is the control's
// name; the script answers whether each took effect. A message box cannot block on the web: the script shows the
// message once the running handler has returned, so the page looks as the desktop window does while the box is up.
class PageWindow : public WindowOperations {
public:
    [[nodiscard]] bool SetEnabled(std::string_view control, bool enabled) override;
    [[nodiscard]] bool SelectOption(std::string_view option) override;
    [[nodiscard]] bool SetCaption(std::string_view text) override;
    [[nodiscard]] bool ShowMessage(std::string_view prompt, int style, std::string_view title) override;
};

// Tells the page of an error that no handler caught; the page shows it and takes no more input.
void reportRuntimeError(std::string_view what);
