#include "system/programs/device_manager.h"

#include <windows.h>

#include <shellapi.h>

#include "system/shell/registry.h"

namespace {

const char kManagerKey[] = "software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAppMgr.exe";
const DWORD kManagerPathBytes = 261;
const char kManagerMissing[] = "Windows CE Application Manager non trouv\xE9";

}  // namespace

int handOffToDeviceManager(const TextBuffer& iniPath) {
    TextBuffer managerPath(263);
    if (readRegistryText(HKEY_LOCAL_MACHINE, kManagerKey, nullptr, KEY_READ, kManagerPathBytes,
                         managerPath) &&
        !managerPath.isEmpty()) {
        ShellExecuteA(nullptr, nullptr, managerPath.text, iniPath.text, nullptr, SW_SHOWNORMAL);
        return 1;
    }
    MessageBoxA(nullptr, kManagerMissing, "", MB_OK);
    return 0;
}
