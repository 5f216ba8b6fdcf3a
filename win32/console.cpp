#include "commandline.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// tevrolin.com, the console companion of tevrolin.exe: cmd and PowerShell find it first when one types `tevrolin`
// (PATHEXT lists .COM before .EXE). With arguments it answers on the console as the Linux program does on a terminal,
// its text mode writing each line end as CR LF; with none it starts the window beside it and returns at once.

namespace {

std::string toUtf8(const wchar_t *text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(std::size_t(size > 0 ? size : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes.data(), size, nullptr, nullptr);
    bytes.pop_back(); // the terminating null
    return bytes;
}

std::wstring programPath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (length == 0)
            return {};
        if (length < path.size())
            return path.substr(0, length);
        path.resize(path.size() * 2);
    }
}

// The window's program is this one's name with .exe for .com, wherever both were installed.
int startWindow()
{
    auto window = programPath();
    if (const auto dot = window.find_last_of(L'.'); dot != std::wstring::npos)
        window.replace(dot, std::wstring::npos, L".exe");
    auto commandLine = L"\"" + window + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(window.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::fprintf(stderr, "tevrolin: the window cannot be started from %s: error %lu\n",
                     toUtf8(window.c_str()).c_str(), GetLastError());
        return EXIT_FAILURE;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return EXIT_SUCCESS;
}

} // namespace

int wmain(int argc, wchar_t *argv[])
{
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i)
        arguments.push_back(toUtf8(argv[i]));
    const auto answer = answerCommandLine(arguments);
    std::fwrite(answer.out.data(), 1, answer.out.size(), stdout);
    std::fwrite(answer.err.data(), 1, answer.err.size(), stderr);
    // No arguments, or none that ask anything of the command line ("--"), ask for the window.
    return answer.status ? *answer.status : startWindow();
}
