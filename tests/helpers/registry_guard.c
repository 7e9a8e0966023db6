/* az_regguard HKLM|HKCU KEY READYFILE
 *
 * Makes one registry key refuse every access: creates it when missing and
 * gives it an empty access list, then holds on (ten minutes at most) until
 * it is stopped from outside. The key's security lives in the running
 * wineserver only, which this program keeps alive. READYFILE records the
 * results of the set-up and of two probes (opening the key for reading and
 * for setting values), so that a scenario knows the refusal took effect. */
#include <windows.h>

#include "record.h"

static Record record;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    (void)instance;
    (void)previous;
    (void)commandLine;
    (void)show;
    if (__argc < 4)
        return 2;
    HKEY hive = lstrcmpiA(__argv[1], "HKCU") == 0 ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    const char* path = __argv[2];

    HKEY key = NULL;
    LONG created = RegCreateKeyExA(hive, path, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL);
    LONG secured = created;
    if (created == ERROR_SUCCESS) {
        SECURITY_DESCRIPTOR descriptor;
        ACL empty;
        InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
        InitializeAcl(&empty, sizeof empty, ACL_REVISION);
        SetSecurityDescriptorDacl(&descriptor, TRUE, &empty, FALSE);
        secured = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor);
        RegCloseKey(key);
    }

    HKEY probe = NULL;
    LONG readOpen = RegOpenKeyExA(hive, path, 0, KEY_READ, &probe);
    if (readOpen == ERROR_SUCCESS)
        RegCloseKey(probe);
    LONG writeOpen = RegOpenKeyExA(hive, path, 0, KEY_SET_VALUE, &probe);
    if (writeOpen == ERROR_SUCCESS)
        RegCloseKey(probe);

    recordInit(&record);
    recordNumber(&record, "pid", GetCurrentProcessId());
    recordNumber(&record, "created", (unsigned long)created);
    recordNumber(&record, "secured", (unsigned long)secured);
    recordNumber(&record, "read_open", (unsigned long)readOpen);
    recordNumber(&record, "write_open", (unsigned long)writeOpen);
    if (!recordSave(&record, __argv[3]))
        return 1;
    Sleep(600000);
    return 0;
}
