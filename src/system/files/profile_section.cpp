#include "system/files/profile_section.h"

#include <windows.h>

#include <cstdio>

namespace {

// A block that lacks its closing zero bytes would run the system past its end.
bool isClosed(const ByteBuffer& block) {
    if (block.data == nullptr || block.length == 0)
        return false;
    if (block.data[block.length - 1] != 0)
        return false;
    return block.length == 1 || block.data[block.length - 2] == 0;
}

bool exists(const char* path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    return true;
}

}  // namespace

ProfileSection::ProfileSection(const char* path, const char* section)
    : path(path), section(section ? section : "DEFAULT") {}

// Both texts could be copied, and a path was given.
bool ProfileSection::isUsable() const {
    return !path.isEmpty() && section.text != nullptr;
}

int32_t ProfileSection::writeValue(const char* key, const char* value) {
    // A null key would delete the whole section, an empty path would write to
    // the Windows folder's WIN.INI.
    if (key == nullptr || !isUsable())
        return 0;
    return WritePrivateProfileStringA(section.text, key, value ? value : "", path.text);
}

int32_t ProfileSection::writeBlock(const ByteBuffer* block) {
    if (!isUsable())
        return 0;
    if (!exists(path.text)) {
        FILE* file = fopen(path.text, "wt");
        if (file == nullptr)
            return 0;
        // Plain writes: formatted printing would pull the C library's printf
        // into the installer.
        fputs("[", file);
        fputs(section.text, file);
        fputs("]\n", file);
        fclose(file);
    }
    if (block == nullptr || !isClosed(*block))
        return 0;
    return WritePrivateProfileSectionA(section.text, reinterpret_cast<const char*>(block->data),
                                       path.text)
               ? 1
               : 0;
}
