#include "uninstall/removal/final_path.h"

#include <windows.h>

#include <cstring>

namespace {

typedef DWORD(WINAPI* FinalPathCall)(HANDLE, LPSTR, DWORD, DWORD);

const DWORD kRoom = 1024;

FinalPathCall finalPathCall() {
    static FinalPathCall call = reinterpret_cast<FinalPathCall>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleA("KERNEL32.DLL"), "GetFinalPathNameByHandleA")));
    return call;
}

// "\\?\X:\..." gives "X:\...", "\\?\UNC\server\..." gives "\\server\...".
void assignWithoutPrefix(const char* named, TextBuffer& out) {
    if (std::strncmp(named, "\\\\?\\UNC\\", 8) == 0)
        out.assign("\\\\").append(named + 8);
    else if (std::strncmp(named, "\\\\?\\", 4) == 0)
        out.assign(named + 4);
    else
        out.assign(named);
}

}  // namespace

int32_t readHandlePath(void* handle, TextBuffer& out) {
    out.clear();
    FinalPathCall call = finalPathCall();
    char named[kRoom];
    DWORD length = call ? call(handle, named, kRoom, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS) : 0;
    if (length == 0 || length >= kRoom)
        return 0;
    named[length] = '\0';
    assignWithoutPrefix(named, out);
    return out.isEmpty() ? 0 : 1;
}

int32_t systemNamesHandles() {
    return finalPathCall() != nullptr ? 1 : 0;
}

int32_t readFinalPath(const char* path, TextBuffer& out) {
    out.clear();
    if (finalPathCall() != nullptr) {
        // Folders open only with backup semantics; no access right is needed.
        HANDLE handle = CreateFileA(path, FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle == INVALID_HANDLE_VALUE)
            return 0;
        int32_t named = readHandlePath(handle, out);
        CloseHandle(handle);
        return named;
    }
    char named[kRoom];
    DWORD length = GetLongPathNameA(path, named, kRoom);
    if (length == 0 || length >= kRoom)
        return 0;
    assignWithoutPrefix(named, out);
    return out.isEmpty() ? 0 : 1;
}
