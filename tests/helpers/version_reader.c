/* az_version FILE RESULT: records the version resource of FILE as a program
 * on the target machine reads it, with GetFileVersionInfoA and VerQueryValueA:
 * the translation, the fixed file and product versions, and the strings of
 * the first translation (hex, in the ANSI code page). */
#include <windows.h>

#include "record.h"

static Record record;
static char info[65536];

static void recordString(const char* translation, const char* name) {
    char query[128];
    char* text = NULL;
    UINT length = 0;
    wsprintfA(query, "\\StringFileInfo\\%s\\%s", translation, name);
    if (VerQueryValueA(info, query, (void**)&text, &length) && text != NULL)
        recordHex(&record, name, text, lstrlenA(text));
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    (void)instance;
    (void)previous;
    (void)commandLine;
    (void)show;
    if (__argc < 3)
        return 2;
    recordInit(&record);
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(__argv[1], &ignored);
    recordNumber(&record, "size", size);
    if (size > 0 && size <= sizeof info && GetFileVersionInfoA(__argv[1], 0, size, info)) {
        VS_FIXEDFILEINFO* fixed = NULL;
        UINT length = 0;
        if (VerQueryValueA(info, "\\", (void**)&fixed, &length) && fixed != NULL) {
            char text[64];
            wsprintfA(text, "%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS),
                      LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
                      LOWORD(fixed->dwFileVersionLS));
            recordLine(&record, "file_version", text);
            wsprintfA(text, "%u.%u.%u.%u", HIWORD(fixed->dwProductVersionMS),
                      LOWORD(fixed->dwProductVersionMS), HIWORD(fixed->dwProductVersionLS),
                      LOWORD(fixed->dwProductVersionLS));
            recordLine(&record, "product_version", text);
        }
        WORD* languages = NULL;
        if (VerQueryValueA(info, "\\VarFileInfo\\Translation", (void**)&languages, &length) &&
            languages != NULL && length >= 4) {
            char translation[16];
            wsprintfA(translation, "%04X%04X", languages[0], languages[1]);
            recordLine(&record, "translation", translation);
            recordString(translation, "FileDescription");
            recordString(translation, "ProductName");
            recordString(translation, "ProductVersion");
            recordString(translation, "CompanyName");
            recordString(translation, "LegalCopyright");
        }
    }
    return recordSave(&record, __argv[2]) ? 0 : 1;
}
