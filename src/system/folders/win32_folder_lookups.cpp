#include "system/folders/win32_folder_lookups.h"

#include <windows.h>

#include "system/folders/folders.h"
#include "system/folders/temp_folder.h"
#include "system/folders/windows_folder.h"
#include "system/shell/registry.h"

namespace {

const DWORD kValueBytes = 1024;

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
