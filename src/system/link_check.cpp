#include "system/link_check.h"

#include <windows.h>

#include <cstring>

int isLink(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return 0;
    // A wildcard would let the search below report another name.
    if (std::strpbrk(path, "*?") != nullptr)
        return 1;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE)
        return 1;
    FindClose(search);
    DWORD tag = found.dwReserved0;
    return tag == 0 || IsReparseTagNameSurrogate(tag) ? 1 : 0;
}
