/* az_mainprog: stands in for an installed main program that keeps running.
 *
 * On start it records (main-<pid>-<time>.txt in the record folder) its own path,
 * command line, working folder and start time, then idles until it is
 * stopped from outside. It ends by itself, with exit code 3, only after ten
 * minutes, so that a forgotten copy cannot outlive its scenario for long. */
#include <windows.h>

#include "record.h"

static Record record;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    (void)instance;
    (void)previous;
    (void)commandLine;
    (void)show;
    char path[MAX_PATH];
    recordPathFor("main", path, sizeof path);
    recordInit(&record);
    recordIdentity(&record);
    recordSave(&record, path);
    Sleep(600000);
    return 3;
}
