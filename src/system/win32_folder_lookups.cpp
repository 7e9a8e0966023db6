#include "system/win32_folder_lookups.h"

#include <windows.h>

#include "system/folders.h"
#include "system/registry.h"
#include "system/windows_folder.h"
#include "system/temp_folder.h"

namespace {

const DWORD kValueBytes = 1024;
const DWORD kFolderRoom = 292;

// `length` is what the system call reported: 0 for failure, the size it
// needs when the folder does not fit.
bool takeSystemFolder(const char* folder, DWORD length, TextBuffer& out) {
    out.clear();
    if (length == 0 || length >= kFolderRoom)
        return false;
    out.append(folder);
    return true;
}

}  // namespace

bool Win32FolderLookups::readUserValue(const char* keyPath, const char* valueName,
                                       TextBuffer& out) {
    return readRegistryText(HKEY_CURRENT_USER, keyPath, valueName, KEY_READ, kValueBytes, out);
}

bool Win32FolderLookups::readTempFolder(TextBuffer& out) {
    return readTemporaryFolder(out);
}

bool Win32FolderLookups::readWindowsFolder(TextBuffer& out) {
    return readWindowsFolderPath(out);
}

bool Win32FolderLookups::readProgramFilesFolder(TextBuffer& out) {
    return ::readProgramFilesFolder(out);
}

bool Win32FolderLookups::readShellFolder(const char* valueName, TextBuffer& out) {
    return ::readShellFolder(valueName, out);
}

void Win32FolderLookups::createFolder(const char* path) {
    CreateDirectoryA(path, nullptr);
}
