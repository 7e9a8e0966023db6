#include "system/programs/process_stop.h"

#include <windows.h>

#include <tlhelp32.h>

#include "system/programs/library_loading.h"

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
// A program asked to close has this long to save its work and end; after a
// termination the system has this long to let its files go.
const DWORD kAskWait = 5000;
const DWORD kStopWait = 3000;
const DWORD kWaitSlice = 50;
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

struct CloseRequest {
    DWORD processId;
    bool asked;
};

BOOL CALLBACK askToClose(HWND window, LPARAM data) {
    CloseRequest* request = reinterpret_cast<CloseRequest*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == request->processId && PostMessageA(window, WM_CLOSE, 0, 0))
        request->asked = true;
    return TRUE;
}

// true when `process` ended within `milliseconds`; `whileWaiting` runs
// between short waits, so that the caller's window stays responsive.
bool waitForEnd(HANDLE process, DWORD milliseconds, void (*whileWaiting)()) {
    for (DWORD waited = 0;; waited += kWaitSlice) {
        if (WaitForSingleObject(process, kWaitSlice) != WAIT_TIMEOUT)
            return true;
        if (waited >= milliseconds)
            return false;
        if (whileWaiting != nullptr)
            whileWaiting();
    }
}

// Asks first (WM_CLOSE to every top-level window of the process), so that
// the program can save its work; terminates it only when it is still
// running after the wait, or has no window to ask.
void stopProcess(HANDLE process, DWORD id, void (*whileWaiting)()) {
    CloseRequest request = {id, false};
    EnumWindows(askToClose, reinterpret_cast<LPARAM>(&request));
    if (request.asked && waitForEnd(process, kAskWait, whileWaiting))
        return;
    TerminateProcess(process, 0);
    for (DWORD waited = 0; waited < kStopWait; waited += kWaitSlice) {
        Sleep(kWaitSlice);
        if (whileWaiting != nullptr)
            whileWaiting();
    }
}

void (*waitingCall)() = nullptr;

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
    stopProcess(process, id, waitingCall);
    CloseHandle(process);
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
            HANDLE process =
                OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID);
            if (process != nullptr) {
                stopProcess(process, entry.th32ProcessID, waitingCall);
                CloseHandle(process);
            }
            CloseHandle(snapshot);
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

void stopRunningProgram(void (*whileWaiting)()) {
    // With no path there is nothing to compare with; an empty text would
    // match a process whose path cannot be read.
    if (programToStop.isEmpty())
        return;
    waitingCall = whileWaiting;
    if (loadProcessStatusLibrary()) {
        walkProcessStatusList();
        unloadProcessStatusLibrary();
    } else {
        walkSnapshot();
    }
}
