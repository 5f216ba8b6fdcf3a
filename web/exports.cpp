// The module's entry points for the page's script (tevrolin.js): the clicks of the page delivered to the cascade, and
// the page's address read and written in the command line's words. Texts in either direction pass through one buffer
// in the module's memory, whose place and size the script asks for.

#include "cascade.h"
#include "choice.h"
#include "pagewindow.h"

#include <algorithm>
#include <cstddef>
#include <exception>

#define PAGE_EXPORT(name) extern "C" __attribute__((export_name(#name)))

namespace {

PageWindow window;
Cascade cascade(window);
char buffer[256];

std::string_view input(std::size_t length)
{
    return { buffer, std::min(length, sizeof buffer) };
}

std::size_t output(std::string_view text)
{
    // Nothing the tables hold comes near the size; a text that did would be cut, and so name nothing.
    const auto length = std::min(text.size(), sizeof buffer);
    std::copy_n(text.begin(), length, buffer);
    return length;
}

} // namespace

PAGE_EXPORT(buffer) char *textBuffer()
{
    return buffer;
}

PAGE_EXPORT(bufferSize) std::size_t textBufferSize()
{
    return sizeof buffer;
}

// A click on the control named in the buffer. Errors end here, with their report, as on the desktop: nothing unwinds
// into the script.
PAGE_EXPORT(click) void click(std::size_t length)
{
    try {
        cascade.click(input(length));
    } catch (const std::exception &error) {
        reportRuntimeError(error.what());
    }
}

// The address's fragment for the choice behind the result: its length in the buffer.
PAGE_EXPORT(fragment) std::size_t fragment()
{
    return output(choice::fragment(cascade.state()));
}

// The control that the fragment's part in the buffer chooses at `index`: the length of its name in the buffer, 0 for
// none.
PAGE_EXPORT(choice) std::size_t choose(std::size_t index, std::size_t length)
{
    return output(choice::control(index, input(length)));
}
