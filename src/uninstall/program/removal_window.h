// The uninstaller's small window: a borderless box centred on the screen
// with the removal text. The work runs on the same thread and lets the
// window answer its messages between items.
#ifndef AZ_UNINSTALL_REMOVAL_WINDOW_H
#define AZ_UNINSTALL_REMOVAL_WINDOW_H

#include <windows.h>

// nullptr when the window cannot be made; the removal goes on without it.
HWND createRemovalWindow(HINSTANCE instance);

// Handles every message waiting for this thread.
void answerMessages();

// Waits `milliseconds` while answering messages.
void waitAnswering(DWORD milliseconds);

#endif
