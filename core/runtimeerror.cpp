#include "runtimeerror.h"

#include <string>

namespace {

std::string describe(std::string_view operation, std::string_view control)
{
    std::string text = "The window could not carry out ";
    text += operation;
    if (!control.empty()) {
        text += " on ";
        text += control;
    }
    text += '.';
    return text;
}

} // namespace

WindowOperationError::WindowOperationError(std::string_view operation, std::string_view control)
    : RuntimeError(describe(operation, control))
{}

FloatingPointError::FloatingPointError(std::string_view what)
    : RuntimeError("Floating-point error: " + std::string(what))
{}

void checkOperation(bool succeeded, std::string_view operation, std::string_view control)
{
    if (!succeeded)
        throw WindowOperationError(operation, control);
}
