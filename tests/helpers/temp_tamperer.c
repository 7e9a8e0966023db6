/* az_tamper
 * az_tamper --dacl PATH OUTFILE
 *
 * Plays a program of the same user that tries to change an installer's
 * temporary files while it runs. It owns a top-level window of class
 * "WENAPP" as the companion program does, so the installer waits in its
 * SendMessage while the window handles WM_CLOSE: the run's files exist
 * then. On WM_CLOSE it records (tamper-<pid>-<time>.txt) every run folder
 * ("AZ" and 16 hexadecimal digits) in the temporary folder with its access
 * list, and each file in it, or loose in the temporary folder with the
 * names TARCH*.AZ and *.AX, with whether it could be opened for writing and
 * deleted (1) or the error code.
 *
 * With --rename FOLDER it also tries, on WM_CLOSE, to rename FOLDER (to
 * FOLDER.moved, and back at once if that worked) and records the error
 * code, 0 when it could ("rename_error").
 *
 * With --dacl it writes the access list of PATH (SDDL, "dacl=") to OUTFILE. */
#include <aclapi.h>
#include <sddl.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include "record.h"

static Record record;
static char recordPath[MAX_PATH];
static const char* folderToRename;

static void tryToRename(const char* folder) {
    char moved[MAX_PATH];
    snprintf(moved, sizeof moved, "%s.moved", folder);
    DWORD error = 0;
    if (MoveFileA(folder, moved))
        MoveFileA(moved, folder);
    else
        error = GetLastError();
    recordNumber(&record, "rename_error", error);
}

static void recordDacl(Record* r, const char* path) {
    PACL dacl = NULL;
    PSECURITY_DESCRIPTOR descriptor = NULL;
    char* text = NULL;
    DWORD error = GetNamedSecurityInfoA(path, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, NULL,
                                        NULL, &dacl, NULL, &descriptor);
    if (error == ERROR_SUCCESS &&
        ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor, SDDL_REVISION_1,
                                                             DACL_SECURITY_INFORMATION, &text,
                                                             NULL))
        recordLine(r, "dacl", text);
    else
        recordNumber(r, "dacl_error", error ? error : GetLastError());
    if (text)
        LocalFree(text);
    if (descriptor)
        LocalFree(descriptor);
}

static unsigned long tryWriting(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                              OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError();
    CloseHandle(file);
    return 1;
}

static unsigned long tryDeleting(const char* path) {
    return DeleteFileA(path) ? 1 : GetLastError();
}

static void recordFile(const char* folder, const char* name) {
    char path[MAX_PATH * 2];
    snprintf(path, sizeof path, "%s%s", folder, name);
    recordRaw(&record, "[file]\n", 7);
    recordLine(&record, "path", path);
    recordNumber(&record, "write", tryWriting(path));
    recordNumber(&record, "delete", tryDeleting(path));
}

static int isRunFolderName(const char* name) {
    if (strlen(name) != 18 || name[0] != 'A' || name[1] != 'Z')
        return 0;
    return strspn(name + 2, "0123456789abcdefABCDEF") == 16;
}

static int isLooseRunFile(const char* name) {
    size_t n = strlen(name);
    return (_strnicmp(name, "TARCH", 5) == 0 && n > 3 && _stricmp(name + n - 3, ".AZ") == 0) ||
           (n > 3 && _stricmp(name + n - 3, ".AX") == 0);
}

static void inspectTemporaryFolder(void) {
    char temp[MAX_PATH + 1], pattern[MAX_PATH * 2];
    DWORD n = GetTempPathA(sizeof temp, temp);
    if (n == 0 || n >= sizeof temp)
        return;
    recordLine(&record, "temp", temp);
    snprintf(pattern, sizeof pattern, "%s*", temp);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!isRunFolderName(found.cFileName))
                continue;
            char folder[MAX_PATH * 2], inner[MAX_PATH * 2];
            snprintf(folder, sizeof folder, "%s%s\\", temp, found.cFileName);
            recordRaw(&record, "[folder]\n", 9);
            recordLine(&record, "path", folder);
            recordDacl(&record, folder);
            snprintf(inner, sizeof inner, "%s*", folder);
            WIN32_FIND_DATAA file;
            HANDLE files = FindFirstFileA(inner, &file);
            if (files == INVALID_HANDLE_VALUE)
                continue;
            do {
                if (!(file.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                    recordFile(folder, file.cFileName);
            } while (FindNextFileA(files, &file));
            FindClose(files);
        } else if (isLooseRunFile(found.cFileName)) {
            recordFile(temp, found.cFileName);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

static LRESULT CALLBACK tampererProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        recordNumber(&record, "close_time", recordNow());
        if (folderToRename)
            tryToRename(folderToRename);
        inspectTemporaryFolder();
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
    if (__argc == 4 && strcmp(__argv[1], "--dacl") == 0) {
        recordInit(&record);
        recordDacl(&record, __argv[2]);
        return recordSave(&record, __argv[3]) ? 0 : 1;
    }
    if (__argc == 3 && strcmp(__argv[1], "--rename") == 0)
        folderToRename = __argv[2];
    recordPathFor("tamper", recordPath, sizeof recordPath);
    recordInit(&record);
    recordIdentity(&record);

    WNDCLASSA wc;
    memset(&wc, 0, sizeof wc);
    wc.lpfnWndProc = tampererProc;
    wc.hInstance = instance;
    wc.lpszClassName = "WENAPP";
    if (!RegisterClassA(&wc))
        return 2;
    HWND window = CreateWindowA("WENAPP", "tamperer", WS_OVERLAPPEDWINDOW, 0, 0, 160, 80, NULL,
                                NULL, instance, NULL);
    if (!window)
        return 2;
    return recordReadyAndServe(&record, recordPath);
}
