#include "system/folders/windows_folder.h"

#include <windows.h>

bool readWindowsFolderPath(TextBuffer& out) {
    out.clear();
    // The Windows folder always fits in MAX_PATH.
    char folder[MAX_PATH + 1];
    UINT length = GetWindowsDirectoryA(folder, sizeof folder);
    if (length == 0 || length >= sizeof folder)
        return false;
    folder[length] = '\0';
    out.append(folder);
    return !out.isEmpty();
}
