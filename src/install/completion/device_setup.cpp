#include "install/completion/device_setup.h"

#include <cstring>

#include "base/matching.h"

int isDeviceSetupFile(const char* path) {
    static const char kName[] = "CEAPPSETUP.INI";
    const size_t nameLength = sizeof(kName) - 1;
    if (path == nullptr)
        return 0;
    size_t length = std::strlen(path);
    if (length < nameLength)
        return 0;
    return equalsIgnoreCase(path + length - nameLength, kName);
}
