/* az_companion [--close-delay MS] [--watch FILE]
 *
 * Stands in for the companion program: owns a top-level window of class
 * "WENAPP". Its record (companion-<pid>-<time>.txt) tells when it started and, once
 * the window gets WM_CLOSE, when that happened, which version of FILE (by
 * default its own executable) was on disk at that moment, and when it let
 * the sender go again. With --close-delay it keeps the sender waiting that
 * long before it closes, which holds an installer inside its blocking
 * SendMessage. */
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include "file_digest.h"
#include "record.h"

static Record record;
static char recordPath[MAX_PATH];
static char watchPath[MAX_PATH];
static DWORD closeDelay = 0;

static LRESULT CALLBACK companionProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        char digest[64];
        recordNumber(&record, "close_time", recordNow());
        digestFile(watchPath, digest, sizeof digest);
        recordLine(&record, "watched_at_close", digest);
        recordSave(&record, recordPath);
        Sleep(closeDelay);
        recordNumber(&record, "released_time", recordNow());
        recordSave(&record, recordPath);
        DestroyWindow(window);
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    (void)previous;
    (void)commandLine;
    (void)show;
    GetModuleFileNameA(NULL, watchPath, sizeof watchPath);
    for (int i = 1; i + 1 < __argc; i += 2) {
        if (strcmp(__argv[i], "--close-delay") == 0)
            closeDelay = (DWORD)strtoul(__argv[i + 1], NULL, 10);
        if (strcmp(__argv[i], "--watch") == 0)
            lstrcpynA(watchPath, __argv[i + 1], sizeof watchPath);
    }
    recordPathFor("companion", recordPath, sizeof recordPath);
    recordInit(&record);
    recordIdentity(&record);
    recordHex(&record, "watch", watchPath, strlen(watchPath));

    WNDCLASSA wc;
    memset(&wc, 0, sizeof wc);
    wc.lpfnWndProc = companionProc;
    wc.hInstance = instance;
    wc.lpszClassName = "WENAPP";
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    if (!RegisterClassA(&wc))
        return 2;
    HWND window = CreateWindowA("WENAPP", "companion stand-in", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                0, 160, 80, NULL, NULL, instance, NULL);
    if (!window)
        return 2;
    return recordReadyAndServe(&record, recordPath);
}
