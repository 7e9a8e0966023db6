#include "system/shell/publisher_values.h"

#include <windows.h>

#include <cstring>

#include "system/programs/library_loading.h"

namespace {

// version.dll is not a KnownDLL: loaded from the system folder when needed,
// never imported (an import would be looked for beside the installer first).
typedef DWORD(WINAPI* GetFileVersionInfoSizeCall)(LPCSTR, LPDWORD);
typedef BOOL(WINAPI* GetFileVersionInfoCall)(LPCSTR, DWORD, DWORD, LPVOID);
typedef BOOL(WINAPI* VerQueryValueCall)(LPCVOID, LPCSTR, LPVOID*, PUINT);

GetFileVersionInfoSizeCall getFileVersionInfoSize = nullptr;
GetFileVersionInfoCall getFileVersionInfo = nullptr;
VerQueryValueCall verQueryValue = nullptr;

template <typename Call>
Call lookUp(HMODULE library, const char* name) {
    return reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

bool loadVersionCalls() {
    HMODULE library = loadSystemLibrary("version.dll");
    if (library == nullptr)
        return false;
    getFileVersionInfoSize = lookUp<GetFileVersionInfoSizeCall>(library, "GetFileVersionInfoSizeA");
    getFileVersionInfo = lookUp<GetFileVersionInfoCall>(library, "GetFileVersionInfoA");
    verQueryValue = lookUp<VerQueryValueCall>(library, "VerQueryValueA");
    return getFileVersionInfoSize && getFileVersionInfo && verQueryValue;
}

// A version resource is at most 64 KiB; a larger one is not ours.
const DWORD kMaxVersionInfo = 0x10000;

// The string `name` of the resource's first translation, or nullptr.
const char* versionText(void* info, const char* translation, const char* name) {
    char query[80] = "\\StringFileInfo\\";
    lstrcatA(query, translation);
    lstrcatA(query, "\\");
    lstrcatA(query, name);
    char* text = nullptr;
    UINT length = 0;
    if (!verQueryValue(info, query, reinterpret_cast<void**>(&text), &length) || text == nullptr ||
        length == 0 || text[0] == '\0')
        return nullptr;
    return text;
}

void setText(HKEY key, const char* name, const char* text) {
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>(std::strlen(text) + 1));
}

}  // namespace

void writePublisherValues(const char* keyPath) {
    char self[MAX_PATH + 1];
    DWORD got = GetModuleFileNameA(nullptr, self, MAX_PATH);
    if (got == 0 || got >= MAX_PATH)
        return;
    self[got] = '\0';
    if (!loadVersionCalls())
        return;
    DWORD ignored = 0;
    DWORD size = getFileVersionInfoSize(self, &ignored);
    if (size == 0 || size > kMaxVersionInfo)
        return;
    void* info = HeapAlloc(GetProcessHeap(), 0, size);
    if (info == nullptr)
        return;
    WORD* languages = nullptr;
    UINT length = 0;
    if (getFileVersionInfo(self, 0, size, info) &&
        verQueryValue(info, "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&languages),
                      &length) &&
        languages != nullptr && length >= 4) {
        char translation[16];
        wsprintfA(translation, "%04X%04X", languages[0], languages[1]);
        const char* version = versionText(info, translation, "ProductVersion");
        const char* company = versionText(info, translation, "CompanyName");
        HKEY key = nullptr;
        if (version != nullptr && company != nullptr &&
            RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            setText(key, "DisplayVersion", version);
            setText(key, "Publisher", company);
            RegCloseKey(key);
        }
    }
    HeapFree(GetProcessHeap(), 0, info);
}
