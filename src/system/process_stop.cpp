#include "system/process_stop.h"

#include <windows.h>

#include <tlhelp32.h>

#include "system/library_loading.h"

#include <cstdint>

#include "base/allocation.h"

TextBuffer programToStop(260);

namespace {

typedef BOOL(WINAPI* EnumProcessesCall)(DWORD*, DWORD, DWORD*);
typedef BOOL(WINAPI* EnumProcessModulesCall)(HANDLE, HMODULE*, DWORD, DWORD*);
typedef DWORD(WINAPI* GetModuleFileNameExCall)(HANDLE, HMODULE, LPSTR, DWORD);
typedef BOOL(WINAPI* QueryFullProcessImageNameCall)(HANDLE, DWORD, LPSTR, DWORD*);

HMODULE statusLibrary = nullptr;
EnumProcessesCall enumProcesses = nullptr;
EnumProcessModulesCall enumProcessModules = nullptr;
GetModuleFileNameExCall getModuleFileNameEx = nullptr;

const DWORD kListBytes = 256000;
const DWORD kPathBytes = 520;
const DWORD kStopWait = 3000;
// PROCESS_ALL_ACCESS as every Windows version since NT 4 accepts it.
const DWORD kAllAccess = 0x1F0FFF;

static_assert(sizeof(void*) != 4 || sizeof(PROCESSENTRY32) == 296,
              "the 32-bit snapshot entry is 296 bytes");

template <typename Call>
Call lookUp(HMODULE library, const char* name) {
    // Through the generic function type, which converts to any other.
    return reinterpret_cast<Call>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

// Windows Vista and later; looked up so that older systems still run.
QueryFullProcessImageNameCall queryImageName = nullptr;

// The length of the executable's path read into `path`, 0 when unknown.
// The module list gives it for a process of our own bitness; a 32-bit
// program cannot list a 64-bit one's modules, but can ask for its image name.
DWORD readExecutablePath(HANDLE process, HMODULE* modules, char* path) {
    path[0] = '\0';
    DWORD length = 0;
    DWORD moduleBytes = 0;
    if (enumProcessModules(process, modules, kListBytes, &moduleBytes) && moduleBytes != 0)
        length = getModuleFileNameEx(process, modules[0], path, kPathBytes);
    if (length == 0 && queryImageName != nullptr) {
        DWORD room = kPathBytes;
        path[0] = '\0';
        length = queryImageName(process, 0, path, &room) ? room : 0;
    }
    if (length >= kPathBytes)
        length = kPathBytes - 1;
    path[length] = '\0';
    return length;
}

// The whole test of one process: true when it was the one and has been
// stopped.
bool stopIfMatching(DWORD id, HMODULE* modules, char* path) {
    HANDLE process = OpenProcess(kAllAccess, FALSE, id);
    if (process == nullptr)
        return false;
    DWORD length = readExecutablePath(process, modules, path);
    // An unreadable path matches nothing.
    if (length == 0 || !programToStop.equalsIgnoreCase(path)) {
        CloseHandle(process);
        return false;
    }
    TerminateProcess(process, 0);
    CloseHandle(process);
    Sleep(kStopWait);
    return true;
}

void walkProcessStatusList() {
    DWORD* ids = static_cast<DWORD*>(allocateBlock(kListBytes));
    HMODULE* modules = static_cast<HMODULE*>(allocateBlock(kListBytes));
    char* path = static_cast<char*>(allocateBlock(kPathBytes));
    DWORD idBytes = 0;
    if (ids && modules && path && enumProcesses(ids, kListBytes, &idBytes)) {
        DWORD count = (idBytes < kListBytes ? idBytes : kListBytes) / sizeof(DWORD);
        for (DWORD i = 0; i < count; ++i) {
            if (stopIfMatching(ids[i], modules, path))
                break;
        }
    }
    freeBlock(path);
    freeBlock(modules);
    freeBlock(ids);
}

void walkSnapshot() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot, &entry); more;
         more = Process32Next(snapshot, &entry)) {
        entry.szExeFile[sizeof(entry.szExeFile) - 1] = '\0';
        if (programToStop.equalsIgnoreCase(entry.szExeFile)) {
            HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, entry.th32ProcessID);
            if (process != nullptr) {
                TerminateProcess(process, 0);
                CloseHandle(process);
            }
            CloseHandle(snapshot);
            Sleep(kStopWait);
            return;
        }
    }
    CloseHandle(snapshot);
}

}  // namespace

bool loadProcessStatusLibrary() {
    unloadProcessStatusLibrary();
    HMODULE library = loadSystemLibrary("psapi.dll");
    if (reinterpret_cast<uintptr_t>(library) < 32)
        return false;
    statusLibrary = library;
    enumProcesses = lookUp<EnumProcessesCall>(library, "EnumProcesses");
    enumProcessModules = lookUp<EnumProcessModulesCall>(library, "EnumProcessModules");
    getModuleFileNameEx = lookUp<GetModuleFileNameExCall>(library, "GetModuleFileNameExA");
    if (enumProcesses && enumProcessModules && getModuleFileNameEx) {
        queryImageName = lookUp<QueryFullProcessImageNameCall>(GetModuleHandleA("KERNEL32.DLL"),
                                                               "QueryFullProcessImageNameA");
        return true;
    }
    unloadProcessStatusLibrary();
    return false;
}

void unloadProcessStatusLibrary() {
    if (statusLibrary != nullptr)
        FreeLibrary(statusLibrary);
    statusLibrary = nullptr;
    enumProcesses = nullptr;
    enumProcessModules = nullptr;
    getModuleFileNameEx = nullptr;
    queryImageName = nullptr;
}

void stopRunningProgram() {
    // With no path there is nothing to compare with; an empty text would
    // match a process whose path cannot be read.
    if (programToStop.isEmpty())
        return;
    if (loadProcessStatusLibrary()) {
        walkProcessStatusList();
        unloadProcessStatusLibrary();
    } else {
        walkSnapshot();
    }
}
