#pragma once

#include "controltable.h"
#include "loadstep.h"
#include "windowoperations.h"

#include <string>
#include <string_view>
#include <vector>

// The page as it is served: every control of the table, changed by the load step through the same operations as a
// desktop window's, so that the HTML holds the state in which the desktop windows open.
class PageModel : public WindowOperations, public WindowLayout {
public:
    struct Control {
        ControlRow row; // as created
        Twips geometry; // from the top-left corner of its container
        bool enabled;
        bool checked = false;
        std::string caption;
    };

    PageModel();

    const std::vector<Control> &controls() const { return m_controls; }
    const Control *find(std::string_view name) const;

    [[nodiscard]] bool SetEnabled(std::string_view control, bool enabled) override;
    [[nodiscard]] bool SelectOption(std::string_view option) override;
    [[nodiscard]] bool SetCaption(std::string_view text) override;
    // The page as served shows no message: it fails, as the load step never asks for one.
    [[nodiscard]] bool ShowMessage(std::string_view prompt, int style, std::string_view title) override;
    [[nodiscard]] bool SetScale(Side side, int twips) override;
    [[nodiscard]] bool SetSide(std::string_view control, Side side, int twips) override;

private:
    Control *find(std::string_view name);

    std::vector<Control> m_controls;
};
