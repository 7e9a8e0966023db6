/* az_locker FILE READYFILE
 *
 * Holds FILE open for reading and writing with no sharing at all, so that
 * any other attempt to open it fails, until it is stopped from outside (or
 * ten minutes pass). READYFILE is written once the file is held. */
#include <windows.h>

#include "record.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    (void)instance;
    (void)previous;
    (void)commandLine;
    (void)show;
    if (__argc < 3)
        return 2;
    HANDLE h = CreateFileA(__argv[1], GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_ALWAYS, 0, NULL);
    if (h == INVALID_HANDLE_VALUE)
        return 1;
    Record mark;
    recordInit(&mark);
    recordNumber(&mark, "pid", GetCurrentProcessId());
    recordSave(&mark, __argv[2]);
    Sleep(600000);
    CloseHandle(h);
    return 0;
}
