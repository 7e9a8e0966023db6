#include "system/files/open_file_names.h"

#include <windows.h>

#include "base/allocation.h"
#include "base/text_buffer.h"

namespace {

constexpr DWORD kMaxFullPath = 32768;

typedef BOOL(WINAPI* SetInformationCall)(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD);

SetInformationCall setInformation() {
    static SetInformationCall call =
        reinterpret_cast<SetInformationCall>(reinterpret_cast<void (*)()>(
            GetProcAddress(GetModuleHandleA("KERNEL32.DLL"), "SetFileInformationByHandle")));
    return call;
}

// The file system's own name for a path ("\??\C:\...",
// "\??\UNC\server\share\..."), which every version takes as it is. A
// path not in the "\\?\" form is first made whole as the system makes
// every other name it is given (the current folder, doubled separators,
// "." and "..", trailing dots and blanks).
int systemPathOf(const char* path, TextBuffer& out) {
    out.assign("\\??\\");
    if (path[0] == '\\' && path[1] == '\\' && path[2] == '?' && path[3] == '\\')
        return out.append(path + 4).text != nullptr;
    TextBuffer full(kMaxFullPath);
    DWORD length =
        full.text == nullptr ? 0 : GetFullPathNameA(path, kMaxFullPath, full.text, nullptr);
    if (length == 0 || length >= kMaxFullPath)
        return 0;
    if (full.text[0] == '\\' && full.text[1] == '\\')
        out.append("UNC").append(full.text + 1);
    else
        out.append(full.text);
    return out.text != nullptr;
}

}  // namespace

ByHandle renameOpenFile(void* file, const char* newPath, int replace) {
    SetInformationCall call = setInformation();
    if (call == nullptr)
        return ByHandle::kNotOffered;
    TextBuffer systemPath(0);
    if (!systemPathOf(newPath, systemPath))
        return ByHandle::kFailed;
    int wideCount = MultiByteToWideChar(CP_ACP, 0, systemPath.text, -1, nullptr, 0);
    if (wideCount <= 0)
        return ByHandle::kFailed;
    DWORD size = static_cast<DWORD>(sizeof(FILE_RENAME_INFO) + sizeof(WCHAR) * wideCount);
    FILE_RENAME_INFO* rename = static_cast<FILE_RENAME_INFO*>(allocateBlock(size));
    if (rename == nullptr)
        return ByHandle::kFailed;
    ZeroMemory(rename, size);
    rename->ReplaceIfExists = replace ? TRUE : FALSE;
    rename->FileNameLength = static_cast<DWORD>(sizeof(WCHAR) * (wideCount - 1));
    MultiByteToWideChar(CP_ACP, 0, systemPath.text, -1, rename->FileName, wideCount);
    BOOL done = call(static_cast<HANDLE>(file), FileRenameInfo, rename, size);
    freeBlock(rename);
    return done ? ByHandle::kDone : ByHandle::kFailed;
}

ByHandle deleteOpenFile(void* file) {
    SetInformationCall call = setInformation();
    if (call == nullptr)
        return ByHandle::kNotOffered;
    BY_HANDLE_FILE_INFORMATION information;
    if (GetFileInformationByHandle(static_cast<HANDLE>(file), &information) &&
        (information.dwFileAttributes & FILE_ATTRIBUTE_READONLY)) {
        FILE_BASIC_INFO basic = {};
        basic.FileAttributes = information.dwFileAttributes & ~DWORD(FILE_ATTRIBUTE_READONLY);
        if (basic.FileAttributes == 0)
            basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        call(static_cast<HANDLE>(file), FileBasicInfo, &basic, sizeof basic);
    }
    FILE_DISPOSITION_INFO disposition = {};
    disposition.DeleteFile = TRUE;
    return call(static_cast<HANDLE>(file), FileDispositionInfo, &disposition, sizeof disposition)
               ? ByHandle::kDone
               : ByHandle::kFailed;
}
