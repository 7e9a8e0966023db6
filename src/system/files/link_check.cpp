#include "system/files/link_check.h"

#include <windows.h>

#include <cstring>

#include "base/text_buffer.h"

namespace {

// A tag of Microsoft's own that names no other place (a cloud placeholder,
// a deduplicated file); any other tag, or none given, counts as a link.
bool staysInPlace(DWORD tag) {
    return (tag & 0x80000000u) != 0 && !IsReparseTagNameSurrogate(tag);
}

}  // namespace

int isLink(const char* path) {
    // A final separator would ask about the place the link leads to.
    TextBuffer name(path);
    if (name.text == nullptr)
        return 1;
    int32_t length = name.length();
    while (length > 1 && name.text[length - 1] == '\\')
        name.text[--length] = '\0';
    DWORD attributes = GetFileAttributesA(name.text);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return 0;
    // A wildcard would let the search below report another name.
    if (std::strpbrk(name.text, "*?") != nullptr)
        return 1;
    WIN32_FIND_DATAA found;
    std::memset(&found, 0, sizeof found);
    HANDLE search = FindFirstFileA(name.text, &found);
    if (search == INVALID_HANDLE_VALUE)
        return 1;
    FindClose(search);
    return staysInPlace(found.dwReserved0) ? 0 : 1;
}

int passesThroughLink(const char* path) {
    TextBuffer level(path);
    if (level.text == nullptr)
        return 1;
    // Past "\\server\share\" or "C:\": the roots themselves are no one's links.
    int32_t length = level.length();
    int32_t start = (level.text[0] == '\\' && level.text[1] == '\\') ? 2 : 0;
    for (int32_t separators = start == 2 ? 2 : 0; start < length && separators > 0; ++start)
        separators -= level.text[start] == '\\' ? 1 : 0;
    for (int32_t i = start; i <= length; ++i) {
        if (i > start && (i == length || level.text[i] == '\\')) {
            char kept = level.text[i];
            level.text[i] = '\0';
            int linked = level.text[i - 1] != ':' && isLink(level.text);
            level.text[i] = kept;
            if (linked)
                return 1;
        }
    }
    return 0;
}
