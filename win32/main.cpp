#include "form1.h"

#include <commctrl.h>

#include <cstdlib>
#include <exception>

// The program takes no command line: as a GUI program it has no console to answer on.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand)
{
    const INITCOMMONCONTROLSEX classes{ sizeof classes, ICC_STANDARD_CLASSES };
    InitCommonControlsEx(&classes);
    try {
        Form1 window(instance);
        try {
            window.load();
        } catch (const std::exception &error) {
            window.reportRuntimeError(error);
            return EXIT_FAILURE;
        }
        window.show(showCommand);

        MSG message{};
        BOOL got = FALSE;
        while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
            if (!window.preTranslate(message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        return got < 0 ? EXIT_FAILURE : int(message.wParam);
    } catch (const std::exception &error) {
        // No window, or not all of its controls: a box where one can still be shown, the status in any case. Without
        // a desktop MessageBoxW fails at once.
        MessageBoxW(nullptr, (L"Tevrolin cannot start: " + widen(error.what())).c_str(), L"Tevrolin",
                    MB_OK | MB_ICONERROR);
        return EXIT_FAILURE;
    }
}
