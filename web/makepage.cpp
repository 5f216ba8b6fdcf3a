// Makes the page as it is served from the control table: runs the load step on a model of the page, then writes the
// HTML with every control in the state the desktop windows open in, the stylesheet with every control's place, and
// the text that the page shows, to which the font is cut.
// Usage: makepage PAGE_TEMPLATE STYLESHEET_TEMPLATE SITE_FOLDER SHOWN_TEXT

#include "pagemarkup.h"
#include "pagemodel.h"

#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace {

std::string read(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot read " + path);
    return { std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>() };
}

void write(const std::string &path, const std::string &text)
{
    std::ofstream file(path, std::ios::binary);
    if (!(file << text) || !file.flush())
        throw std::runtime_error("cannot write " + path);
}

// The template with its one placeholder filled.
std::string filled(std::string text, std::string_view placeholder, const std::string &with, const std::string &path)
{
    const auto at = text.find(placeholder);
    if (at == std::string::npos || text.find(placeholder, at + 1) != std::string::npos)
        throw std::runtime_error(path + " must hold " + std::string(placeholder) + " once");
    return text.replace(at, placeholder.size(), with);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 5) {
        std::fputs("usage: makepage PAGE_TEMPLATE STYLESHEET_TEMPLATE SITE_FOLDER SHOWN_TEXT\n", stderr);
        return 2;
    }
    try {
        PageModel page;
        runLoadStep(page, page);
        const std::string site = argv[3];
        write(site + "/index.html", filled(read(argv[1]), "<!-- Form1 -->", formMarkup(page), argv[1]));
        // The layout of the window's controls takes over where the window fits.
        const auto wide = std::to_string(toPixels(kClientArea.width)) + "px";
        write(site + "/tevrolin.css", filled(read(argv[2]), "$window-width", wide, argv[2]) + layoutRules(page));
        write(argv[4], shownText(page));
    } catch (const std::exception &error) {
        std::fprintf(stderr, "makepage: %s\n", error.what());
        return 1;
    }
    return 0;
}
