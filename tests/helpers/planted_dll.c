/* az_planted.dll: stands in for a DLL that another program of the user left
 * beside an installer or uninstaller. Copied under many names; whenever a
 * process loads it, its DllMain writes C:\azplanted\<its own file name>.txt
 * holding the loading program's path, and then refuses to be loaded, so
 * that no program goes on with it. It imports kernel32 alone and needs no
 * C runtime, so it loads under any name. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    char own[MAX_PATH], program[MAX_PATH], marker[MAX_PATH + 32];
    DWORD n = GetModuleFileNameA(self, own, sizeof own);
    if (n == 0 || n >= sizeof own)
        return TRUE;
    const char* name = own;
    for (const char* p = own; *p; ++p)
        if (*p == '\\' || *p == '/')
            name = p + 1;
    CreateDirectoryA("C:\\azplanted", NULL);
    lstrcpyA(marker, "C:\\azplanted\\");
    lstrcatA(marker, name);
    lstrcatA(marker, ".txt");
    n = GetModuleFileNameA(NULL, program, sizeof program);
    HANDLE file = CreateFileA(marker, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written;
        WriteFile(file, program, n < sizeof program ? n : 0, &written, NULL);
        CloseHandle(file);
    }
    return FALSE;
}
