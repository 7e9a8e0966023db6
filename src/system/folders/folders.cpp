#include "system/folders/folders.h"

#include <windows.h>

#include "system/folders/folder_path.h"
#include "system/folders/folder_template.h"
#include "system/folders/win32_folder_lookups.h"
#include "system/shell/registry.h"

namespace {

const DWORD kValueBytes = 1024;
const char kShellFoldersKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

}  // namespace

ExpandedFolder expandFolder(const char* folderTemplate, const char* defaultLeaf) {
    Win32FolderLookups lookups;
    return expandFolderWith(lookups, folderTemplate, defaultLeaf);
}

bool readProgramFilesFolder(TextBuffer& out) {
    return readRegistryText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                            "ProgramFilesDir", KEY_READ, kValueBytes, out);
}

bool readShellFolder(const char* valueName, TextBuffer& out) {
    return readRegistryText(HKEY_CURRENT_USER, kShellFoldersKey, valueName, KEY_READ, kValueBytes,
                            out);
}

void createFolderPath(const char* path) {
    // Made on first use, released at exit: it remembers the last folder.
    static FolderPathMaker maker;
    Win32FolderLookups lookups;
    maker.create(lookups, path);
}

bool folderExists(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int removeEmptyFolder(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return 0;
    return RemoveDirectoryA(path) ? 1 : 0;
}
