/* az_run RESULT COMMAND_LINE
 *
 * Runs COMMAND_LINE as the system runs an Uninstall entry's command (the
 * whole line to CreateProcess, which splits it), waits for it, and writes
 * "code=N" to RESULT: the full 32-bit exit code, which Wine's own exit
 * status cuts to its low byte. */
#include <windows.h>

#include "record.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    (void)instance;
    (void)previous;
    (void)commandLine;
    (void)show;
    if (__argc < 3)
        return 2;
    STARTUPINFOA startup;
    PROCESS_INFORMATION process;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    Record result;
    recordInit(&result);
    if (!CreateProcessA(NULL, __argv[2], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
        recordNumber(&result, "started", 0);
        recordNumber(&result, "error", GetLastError());
        recordSave(&result, __argv[1]);
        return 1;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    recordNumber(&result, "started", 1);
    recordNumber(&result, "code", code);
    recordSave(&result, __argv[1]);
    return 0;
}
