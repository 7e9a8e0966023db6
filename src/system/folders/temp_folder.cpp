#include "system/folders/temp_folder.h"

#include <windows.h>

namespace {

const DWORD kFolderRoom = MAX_PATH + 1;

using TempPathReader = DWORD(WINAPI*)(DWORD, LPSTR);

// Looked up at run time: older systems do not export it.
TempPathReader temporaryPathReader() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    FARPROC newer = kernel == nullptr ? nullptr : GetProcAddress(kernel, "GetTempPath2A");
    if (newer != nullptr)
        return reinterpret_cast<TempPathReader>(reinterpret_cast<void*>(newer));
    return GetTempPathA;
}

}  // namespace

bool readTemporaryFolder(TextBuffer& out) {
    out.clear();
    char folder[kFolderRoom + 1];
    DWORD length = temporaryPathReader()(kFolderRoom, folder);
    if (length == 0 || length >= kFolderRoom)
        return false;
    folder[length] = '\0';
    out.append(folder);
    if (out.isEmpty())
        return false;
    if (folder[length - 1] != '\\')
        out.appendChar('\\');
    return true;
}
