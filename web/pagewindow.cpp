#include "pagewindow.h"

#include <cstddef>

// What the script supplies to the module, as the imports of its "page" module: texts travel as a pointer into the
// module's memory and a length in bytes of UTF-8.
#define PAGE_IMPORT(name) __attribute__((import_module("page"), import_name(#name)))

extern "C" {
PAGE_IMPORT(setEnabled) bool pageSetEnabled(const char *control, std::size_t length, bool enabled);
PAGE_IMPORT(selectOption) bool pageSelectOption(const char *option, std::size_t length);
PAGE_IMPORT(setCaption) bool pageSetCaption(const char *text, std::size_t length);
PAGE_IMPORT(showMessage)
bool pageShowMessage(const char *prompt, std::size_t promptLength, int style, const char *title,
                     std::size_t titleLength);
PAGE_IMPORT(runtimeError) void pageRuntimeError(const char *what, std::size_t length);
}

bool PageWindow::SetEnabled(std::string_view control, bool enabled)
{
    return pageSetEnabled(control.data(), control.size(), enabled);
}

bool PageWindow::SelectOption(std::string_view option)
{
    return pageSelectOption(option.data(), option.size());
}

bool PageWindow::SetCaption(std::string_view text)
{
    return pageSetCaption(text.data(), text.size());
}

bool PageWindow::ShowMessage(std::string_view prompt, int style, std::string_view title)
{
    return pageShowMessage(prompt.data(), prompt.size(), style, title.data(), title.size());
}

void reportRuntimeError(std::string_view what)
{
    pageRuntimeError(what.data(), what.size());
}
