/* az_unsaved: stands in for a main program with unsaved work.
 *
 * On start it opens the library beside it that shares its base name
 * (APP.DLL beside APP.EXE) without letting anyone write, rename or delete
 * it, as a loaded library is held, and shows a top-level window. Its record
 * (unsaved-<pid>-<time>.txt) says when it was ready and, once the window
 * gets WM_CLOSE, that it was asked (closed_time): it saves its "work" then
 * and ends with exit code 0. Stopped without being asked, it records
 * nothing more. It ends by itself, with exit code 3, after ten minutes. */
#include <string.h>
#include <windows.h>

#include "record.h"

static Record record;
static char recordPath[MAX_PATH];
static HANDLE library = INVALID_HANDLE_VALUE;

static LRESULT CALLBACK unsavedProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        recordNumber(&record, "closed_time", recordNow());
        recordSave(&record, recordPath);
        if (library != INVALID_HANDLE_VALUE)
            CloseHandle(library);
        library = INVALID_HANDLE_VALUE;
        DestroyWindow(window);
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    if (message == WM_TIMER)
        ExitProcess(3);
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    (void)previous;
    (void)commandLine;
    (void)show;
    char libraryPath[MAX_PATH];
    DWORD n = GetModuleFileNameA(NULL, libraryPath, sizeof libraryPath - 4);
    char* dot = strrchr(libraryPath, '.');
    if (n == 0 || dot == NULL)
        return 2;
    strcpy(dot, ".DLL");
    library = CreateFileA(libraryPath, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, NULL);

    recordPathFor("unsaved", recordPath, sizeof recordPath);
    recordInit(&record);
    recordIdentity(&record);
    recordNumber(&record, "holds_library", library != INVALID_HANDLE_VALUE);

    WNDCLASSA wc;
    memset(&wc, 0, sizeof wc);
    wc.lpfnWndProc = unsavedProc;
    wc.hInstance = instance;
    wc.lpszClassName = "AzUnsavedWork";
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    if (!RegisterClassA(&wc))
        return 2;
    HWND window = CreateWindowA("AzUnsavedWork", "unsaved work", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                0, 0, 160, 80, NULL, NULL, instance, NULL);
    if (!window)
        return 2;
    SetTimer(window, 1, 600000, NULL);
    return recordReadyAndServe(&record, recordPath);
}
