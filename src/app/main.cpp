// The installer's process entry: show the waiting window, let its procedure
// run the installation on the start message, end when the window is gone,
// with the installation's outcome as the exit code.
#include <windows.h>

#include "app/process_state.h"
#include "app/progress_window.h"
#include "install/run/outcome.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine,
                   int showCommand) {
    if (previousInstance == nullptr && !registerProgressClass(instance))
        return kNothingInstalled;
    instanceHandle = instance;
    commandLineText.append(commandLine);

    progressWindow = createProgressWindow(instance, commandLineText.text);
    // Without a window the start message would never arrive.
    if (progressWindow == nullptr)
        return kNothingInstalled;
    ShowWindow(progressWindow, showCommand);
    UpdateWindow(progressWindow);  // the text is on screen before any work
    PostMessageA(progressWindow, kStartMessage, 0, 0);

    MSG message = {};
    BOOL result;
    while ((result = GetMessageA(&message, nullptr, 0, 0)) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return result == 0 ? static_cast<int>(message.wParam) : kNothingInstalled;
}
