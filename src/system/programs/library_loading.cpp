#include "system/programs/library_loading.h"

namespace {

// SetDefaultDllDirectories: Windows 8, and Windows 7 with KB2533623.
typedef BOOL(WINAPI* SetDefaultDllDirectoriesCall)(DWORD);
const DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32

// DLLs that are not KnownDLLs (those the system maps from its own section
// wherever they are asked for), yet are loaded by name, some with their own
// search flags, by what the programs use: windows and message boxes, the
// shell (folders, ShellExecute, shortcuts), COM, the registry and security
// calls, and the text services that come with any focused window. Loaded
// here from the system folder, a later load by name finds them in memory
// and searches no folder. Where SetDefaultDllDirectories is missing this is
// the only protection. A name the system does not have is skipped.
const char* const kPreloaded[] = {
    // windows, themes, message boxes, text rendering and input
    "uxtheme.dll",
    "dwmapi.dll",
    "comctl32.dll",
    "textshaping.dll",
    "textinputframework.dll",
    "coremessaging.dll",
    "coreuicomponents.dll",
    "wintypes.dll",
    "oleacc.dll",
    // the shell: folders, ShellExecute, shortcuts, network paths
    "windows.storage.dll",
    "propsys.dll",
    "profapi.dll",
    "cfgmgr32.dll",
    "edputil.dll",
    "urlmon.dll",
    "iertutil.dll",
    "srvcli.dll",
    "netutils.dll",
    "linkinfo.dll",
    "ntshrui.dll",
    "mpr.dll",
    "apphelp.dll",
    "shfolder.dll",
    "kernel.appcore.dll",
    "powrprof.dll",
    "umpdc.dll",
    "wldp.dll",
    // the registry, tokens, security descriptors and sessions
    "version.dll",
    "cryptbase.dll",
    "cryptsp.dll",
    "bcrypt.dll",
    "sspicli.dll",
    "secur32.dll",
    "ntmarta.dll",
    "userenv.dll",
    "wtsapi32.dll",
    "winsta.dll",
};

}  // namespace

HMODULE loadSystemLibrary(const char* name) {
    char path[MAX_PATH + 1];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    int nameLength = lstrlenA(name);
    if (length == 0 || length + 1 + nameLength >= MAX_PATH)
        return nullptr;
    if (path[length - 1] != '\\')
        path[length++] = '\\';
    lstrcpyA(path + length, name);
    return LoadLibraryA(path);
}

void restrictLibraryLoading() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    SetDefaultDllDirectoriesCall setDefault =
        kernel == nullptr ? nullptr
                          : reinterpret_cast<SetDefaultDllDirectoriesCall>(reinterpret_cast<void*>(
                                GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault == nullptr || !setDefault(kSearchSystem32))
        SetDllDirectoryA("");  // at least not the current folder
    // A DLL that older systems lack, or that fails to load, is skipped
    // without an error box.
    UINT errorMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    for (const char* name : kPreloaded)
        loadSystemLibrary(name);
    SetErrorMode(errorMode);
}
