#pragma once

#include "windowoperations.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Writes down every window operation as one line ("enable OptionButton300", "select OptionButtonBaudRate",
// "caption 16468", "message <prompt>|48|<title>"), so that a test sees the effects and their order. The call with
// index `failAt` is recorded and then reported as failed.
class RecordingWindow : public WindowOperations {
public:
    std::vector<std::string> calls;
    std::optional<std::size_t> failAt;

    bool SetEnabled(std::string_view control, bool enabled) override
    {
        return record((enabled ? "enable " : "disable ") + std::string(control));
    }
    bool SelectOption(std::string_view option) override { return record("select " + std::string(option)); }
    bool SetCaption(std::string_view text) override { return record("caption " + std::string(text)); }
    bool ShowMessage(std::string_view prompt, int style, std::string_view title) override
    {
        return record("message " + std::string(prompt) + "|" + std::to_string(style) + "|" + std::string(title));
    }

private:
    bool record(std::string call)
    {
        calls.push_back(std::move(call));
        return failAt != calls.size() - 1;
    }
};
