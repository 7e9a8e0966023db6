#include "system/files/open_file_names.h"

#include <windows.h>

#include "base/allocation.h"

namespace {

constexpr DWORD kMaxFullPath = 32768;

typedef BOOL(WINAPI* SetInformationCall)(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD);

SetInformationCall setInformation() {
    static SetInformationCall call =
        reinterpret_cast<SetInformationCall>(reinterpret_cast<void (*)()>(
            GetProcAddress(GetModuleHandleA("KERNEL32.DLL"), "SetFileInformationByHandle")));
    return call;
}

// Wide text in a block of the foundation's, freed with it.
class WideText {
  public:
    explicit WideText(size_t count)
        : text(static_cast<WCHAR*>(allocateBlock(count * sizeof(WCHAR)))) {}
    ~WideText() { freeBlock(text); }
    WideText(const WideText&) = delete;
    WideText& operator=(const WideText&) = delete;
    WCHAR* text;
};

bool startsWith(const WCHAR* text, const WCHAR* prefix) {
    while (*prefix != L'\0') {
        if (*text++ != *prefix++)
            return false;
    }
    return true;
}

}  // namespace

ByHandle renameOpenFile(void* file, const char* newPath, int replace) {
    SetInformationCall call = setInformation();
    if (call == nullptr)
        return ByHandle::kNotOffered;
    int givenCount = MultiByteToWideChar(CP_ACP, 0, newPath, -1, nullptr, 0);
    if (givenCount <= 0)
        return ByHandle::kFailed;
    WideText given(static_cast<size_t>(givenCount));
    WideText full(kMaxFullPath);
    if (given.text == nullptr || full.text == nullptr)
        return ByHandle::kFailed;
    MultiByteToWideChar(CP_ACP, 0, newPath, -1, given.text, givenCount);
    // The file system's own name ("\??\C:\...", "\??\UNC\server\..."), which
    // every version takes as it is. A path not in the "\\?\" form is first
    // made whole as the system makes every name it is given (the current
    // folder, doubled separators, "." and "..", trailing dots and blanks),
    // by the wide call, which has no 259-character limit.
    const WCHAR* prefix = L"\\??\\";
    const WCHAR* body = given.text;
    if (startsWith(given.text, L"\\\\?\\")) {
        body = given.text + 4;
    } else {
        DWORD length = GetFullPathNameW(given.text, kMaxFullPath, full.text, nullptr);
        if (length == 0 || length >= kMaxFullPath)
            return ByHandle::kFailed;
        body = full.text;
        if (startsWith(full.text, L"\\\\")) {
            prefix = L"\\??\\UNC";
            body = full.text + 1;
        }
    }
    size_t prefixLength = lstrlenW(prefix);
    size_t bodyLength = lstrlenW(body);
    DWORD size = static_cast<DWORD>(sizeof(FILE_RENAME_INFO) +
                                    sizeof(WCHAR) * (prefixLength + bodyLength + 1));
    FILE_RENAME_INFO* rename = static_cast<FILE_RENAME_INFO*>(allocateBlock(size));
    if (rename == nullptr)
        return ByHandle::kFailed;
    ZeroMemory(rename, size);
    rename->ReplaceIfExists = replace ? TRUE : FALSE;
    rename->FileNameLength = static_cast<DWORD>(sizeof(WCHAR) * (prefixLength + bodyLength));
    CopyMemory(rename->FileName, prefix, sizeof(WCHAR) * prefixLength);
    CopyMemory(rename->FileName + prefixLength, body, sizeof(WCHAR) * bodyLength);
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
