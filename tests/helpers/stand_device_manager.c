/* az_devmgr: stands in for the Windows CE Application Manager. It records
 * (devmgr-<pid>-<time>.txt) its raw command line, path, working folder and start
 * time, and ends. */
#include <windows.h>

#include "record.h"

static Record record;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    (void)instance;
    (void)previous;
    (void)commandLine;
    recordInit(&record);
    recordIdentity(&record);
    recordNumber(&record, "show", (unsigned long long)show);
    char path[MAX_PATH];
    recordPathFor("devmgr", path, sizeof path);
    recordSave(&record, path);
    return 0;
}
