/* az_probe RESULT: records what the scenarios need to know about the Wine
 * machine to state their expectations: code page, temporary and Windows
 * folders, working folder, own path and the screen metrics. */
#include <string.h>
#include <windows.h>

#include "record.h"

static Record record;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    (void)instance;
    (void)previous;
    (void)commandLine;
    (void)show;
    if (__argc < 2)
        return 2;
    char buffer[1024];
    recordInit(&record);
    recordIdentity(&record);
    recordNumber(&record, "acp", GetACP());
    DWORD n = GetTempPathA(sizeof buffer, buffer);
    recordHex(&record, "temp", buffer, n < sizeof buffer ? n : 0);
    UINT w = GetWindowsDirectoryA(buffer, sizeof buffer);
    recordHex(&record, "windows", buffer, w < sizeof buffer ? w : 0);
    recordNumber(&record, "screen_cx", (unsigned long)GetSystemMetrics(SM_CXSCREEN));
    recordNumber(&record, "screen_cy", (unsigned long)GetSystemMetrics(SM_CYSCREEN));
    return recordSave(&record, __argv[1]) ? 0 : 1;
}
