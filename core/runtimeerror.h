#pragma once

#include <stdexcept>
#include <string_view>

// An error that ends the running click handler (or the load step) and goes to whoever runs the event loop. Nothing in
// the logic catches it.
class RuntimeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A change to a control that did not take effect.
class WindowOperationError : public RuntimeError {
public:
    WindowOperationError(std::string_view operation, std::string_view control);
};

// An invalid operation, a division by zero or an overflow while computing the Baud Mode.
class FloatingPointError : public RuntimeError {
public:
    explicit FloatingPointError(std::string_view what);
};

// The one check behind every window operation and every property change of the load step.
void checkOperation(bool succeeded, std::string_view operation, std::string_view control);
