// The installer's only window: a small borderless box centred on the screen
// with the French waiting text. The installation runs inside its procedure,
// on the first start message; the run lets the thread's messages through, so
// the window repaints and answers meanwhile, and refuses to close until the
// run is over.
#ifndef AZ_APP_PROGRESS_WINDOW_H
#define AZ_APP_PROGRESS_WINDOW_H

#include <windows.h>

// Posted once by the entry; the procedure runs the installation on it.
const UINT kStartMessage = WM_USER + 0x1000;  // 0x1400

// 1 when the class "__WINJOB__" was registered.
int registerProgressClass(HINSTANCE instance);

// Creates the window (visible, not yet painted) sized to the waiting text
// and centred on the primary screen; nullptr when it cannot be created.
HWND createProgressWindow(HINSTANCE instance, const char* title);

// Draws the waiting text into `rectangle` of `window` when `toWindow` is
// non-zero; otherwise measures it on the screen and leaves its extent in
// `rectangle`.
void drawProgressText(HWND window, int toWindow, RECT* rectangle);

#endif
