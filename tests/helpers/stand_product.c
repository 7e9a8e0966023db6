/* az_product: stands in for the product program that an installer starts
 * as soon as it is written. Its record (product-<pid>-<time>.txt) holds its path,
 * command line, working folder and start time, and the size and CRC of every
 * file in its own folder at that moment: what the installer had written so
 * far. Then it ends. */
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include "file_digest.h"
#include "record.h"

static Record record;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    (void)instance;
    (void)previous;
    (void)commandLine;
    recordInit(&record);
    recordIdentity(&record);
    recordNumber(&record, "show", (unsigned long long)show);

    char folder[MAX_PATH];
    DWORD n = GetModuleFileNameA(NULL, folder, sizeof folder);
    char* slash = n < sizeof folder ? strrchr(folder, '\\') : NULL;
    if (slash) {
        slash[1] = '\0';
        char pattern[MAX_PATH + 4];
        snprintf(pattern, sizeof pattern, "%s*", folder);
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(pattern, &found);
        int index = 0;
        if (search != INVALID_HANDLE_VALUE) {
            do {
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    continue;
                char path[MAX_PATH * 2], digest[64], key[32];
                snprintf(path, sizeof path, "%s%s", folder, found.cFileName);
                digestFile(path, digest, sizeof digest);
                snprintf(key, sizeof key, "file_%d_name", index);
                recordHex(&record, key, found.cFileName, strlen(found.cFileName));
                snprintf(key, sizeof key, "file_%d_digest", index++);
                recordLine(&record, key, digest);
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        recordNumber(&record, "file_count", (unsigned long long)index);
    }
    char path[MAX_PATH];
    recordPathFor("product", path, sizeof path);
    recordSave(&record, path);
    return 0;
}
