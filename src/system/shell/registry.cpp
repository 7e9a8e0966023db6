#include "system/shell/registry.h"

bool readRegistryText(HKEY hive, const char* keyPath, const char* valueName, REGSAM access,
                      uint32_t byteLimit, TextBuffer& out) {
    out.clear();
    HKEY key = nullptr;
    if (RegOpenKeyExA(hive, keyPath, 0, access, &key) != ERROR_SUCCESS)
        return false;

    // One byte beyond the limit, so that data without a terminator gets one.
    TextBuffer data(static_cast<int32_t>(byteLimit));
    DWORD type = REG_SZ;
    DWORD size = byteLimit;
    LONG result = data.text ? RegQueryValueExA(key, valueName, nullptr, &type,
                                               reinterpret_cast<BYTE*>(data.text), &size)
                            : ERROR_OUTOFMEMORY;
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || size > byteLimit)
        return false;
    data.text[size] = '\0';
    out.append(data);
    return true;
}
