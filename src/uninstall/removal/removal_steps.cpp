#include "uninstall/removal/removal_steps.h"

#include <windows.h>

#include "base/matching.h"
#include "system/files/open_file_names.h"
#include "system/programs/process_stop.h"
#include "uninstall/program/removal_window.h"
#include "uninstall/removal/final_path.h"
#include "uninstall/rules/path_rules.h"

namespace {

const DWORD kMaxProfileBytes = 64u << 20;
const DWORD kCloseWait = 3000;
const int32_t kMaxWaited = MAXIMUM_WAIT_OBJECTS - 1;

typedef BOOL(WINAPI* QueryImageNameCall)(HANDLE, DWORD, LPSTR, PDWORD);

bool isProgram(const char* path) {
    int32_t length = lstrlenA(path);
    return length > 4 && equalsIgnoreCase(path + length - 4, ".EXE");
}

struct CloseRequest {
    const PathList* files;
    QueryImageNameCall queryImageName;
    HANDLE waited[MAXIMUM_WAIT_OBJECTS];
    DWORD ids[MAXIMUM_WAIT_OBJECTS];
    int32_t count;
};

bool listed(const PathList& files, const char* path) {
    for (int32_t i = 0; i < files.count(); ++i) {
        if (isProgram(files.at(i)) && equalsIgnoreCase(files.at(i), path))
            return true;
    }
    return false;
}

BOOL CALLBACK closeIfListed(HWND window, LPARAM parameter) {
    CloseRequest& request = *reinterpret_cast<CloseRequest*>(parameter);
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    if (id == 0 || id == GetCurrentProcessId())
        return TRUE;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, id);
    if (process == nullptr)
        return TRUE;
    char path[MAX_PATH + 1];
    DWORD size = MAX_PATH;
    bool match = request.queryImageName(process, 0, path, &size) && size < MAX_PATH &&
                 (path[size] = '\0', listed(*request.files, path));
    if (!match) {
        CloseHandle(process);
        return TRUE;
    }
    PostMessageA(window, WM_CLOSE, 0, 0);
    for (int32_t i = 0; i < request.count; ++i) {
        if (request.ids[i] == id) {
            CloseHandle(process);
            return TRUE;
        }
    }
    if (request.count < kMaxWaited) {
        request.ids[request.count] = id;
        request.waited[request.count++] = process;
    } else {
        CloseHandle(process);
    }
    return TRUE;
}

void waitForClosed(CloseRequest& request) {
    DWORD start = GetTickCount();
    for (int32_t i = 0; i < request.count; ++i) {
        for (;;) {
            DWORD passed = GetTickCount() - start;
            if (passed >= kCloseWait)
                break;
            DWORD result = MsgWaitForMultipleObjects(1, &request.waited[i], FALSE,
                                                     kCloseWait - passed, QS_ALLINPUT);
            if (result != WAIT_OBJECT_0 + 1)
                break;
            answerMessages();
        }
        CloseHandle(request.waited[i]);
    }
}

enum OwnDeletion { kDeleted, kNotOwned, kNotDeleted };

typedef int32_t (ProductScope::*OwnsFinal)(const char*) const;

// Within the product as the file system names the open handle now. A handle
// the system cannot name is refused, except on a system that names none
// (before Vista), where the checks made by name stand.
bool handleWithin(HANDLE handle, const ProductScope& scope, OwnsFinal owns) {
    if (!systemNamesHandles())
        return true;
    TextBuffer finalPath(1024);
    return readHandlePath(handle, finalPath) && (scope.*owns)(finalPath.text);
}

// Deletes through the handle that was checked: the file itself (not what a
// link names), and only where it lies as the file system sees it now.
OwnDeletion deleteOwnFile(const char* path, const ProductScope& scope) {
    HANDLE file = CreateFileA(path, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return kNotDeleted;
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(file, &information) ||
        (information.dwFileAttributes &
         (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0 ||
        !handleWithin(file, scope, &ProductScope::ownsFinalPath)) {
        CloseHandle(file);
        return kNotOwned;
    }
    ByHandle byHandle = deleteOpenFile(file);
    CloseHandle(file);
    bool deleted = byHandle == ByHandle::kDone;
    if (byHandle == ByHandle::kNotOffered) {
        // A system without deletion by handle (nor the naming of one above)
        // is older than the links that an ordinary user may make.
        if (information.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
            SetFileAttributesA(path,
                               information.dwFileAttributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
        deleted = DeleteFileA(path) != 0;
    }
    return deleted ? kDeleted : kNotDeleted;
}

// The same for an empty folder: removed through the handle that was
// checked, so that no folder put in its place or on its way since is.
bool removeOwnFolder(const char* folder, const ProductScope& scope) {
    HANDLE handle =
        CreateFileA(folder, DELETE | FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION information;
    bool owned =
        GetFileInformationByHandle(handle, &information) &&
        (information.dwFileAttributes &
         (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == FILE_ATTRIBUTE_DIRECTORY &&
        handleWithin(handle, scope, &ProductScope::ownsFinalFolder);
    ByHandle byHandle = owned ? deleteOpenFile(handle) : ByHandle::kFailed;
    CloseHandle(handle);
    if (byHandle == ByHandle::kNotOffered)
        return RemoveDirectoryA(folder) != 0;
    return byHandle == ByHandle::kDone;
}

}  // namespace

int32_t readProfileFile(const char* path, ByteBuffer& bytes) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    DWORD high = 0;
    DWORD size = GetFileSize(file, &high);
    int32_t ok = 0;
    if (size != INVALID_FILE_SIZE && high == 0 && size <= kMaxProfileBytes &&
        (size == 0 || bytes.grow(size))) {
        DWORD read = 0;
        ok = size == 0 || (ReadFile(file, bytes.data, size, &read, nullptr) && read == size);
        if (ok)
            bytes.length = size;
    }
    CloseHandle(file);
    return ok;
}

int32_t writeProfileFile(const char* path, const ByteBuffer& bytes, const ProductScope& scope) {
    HANDLE file = CreateFileA(path, GENERIC_WRITE | FILE_READ_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    // One name only: through a second link the write would change a file
    // that lies elsewhere.
    BY_HANDLE_FILE_INFORMATION information;
    BOOL ok = GetFileInformationByHandle(file, &information) &&
              (information.dwFileAttributes &
               (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0 &&
              information.nNumberOfLinks == 1 &&
              handleWithin(file, scope, &ProductScope::ownsFinalPath);
    DWORD written = 0;
    ok = ok && WriteFile(file, bytes.data, bytes.length, &written, nullptr) &&
         written == bytes.length && SetEndOfFile(file);
    CloseHandle(file);
    return ok ? 1 : 0;
}

void stopListedPrograms(const PathList& files) {
    CloseRequest request;
    request.files = &files;
    request.count = 0;
    request.queryImageName = reinterpret_cast<QueryImageNameCall>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleA("KERNEL32.DLL"), "QueryFullProcessImageNameA")));
    if (request.queryImageName != nullptr) {
        EnumWindows(closeIfListed, reinterpret_cast<LPARAM>(&request));
        waitForClosed(request);
    }
    for (int32_t i = 0; i < files.count(); ++i) {
        const char* path = files.at(i);
        if (!isProgram(path) || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
            continue;
        programToStop.assign(path);
        stopRunningProgram();
        answerMessages();
    }
    programToStop.clear();
}

FileRemoval removeFile(const char* path, const ProductScope& scope) {
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? kFileGone
                                                                              : kFileFailed;
    }
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))
        return kNotAFile;
    switch (deleteOwnFile(path, scope)) {
        case kDeleted:
            return kFileGone;
        case kNotOwned:
            return kNotAFile;
        case kNotDeleted:
            break;
    }
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        return kFileGone;
    if (MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
        return kFileScheduled;
    return kFileFailed;
}

int32_t removeUninstallKey(const char* key) {
#ifdef _WIN64
    const REGSAM views[2] = {KEY_WOW64_64KEY, KEY_WOW64_32KEY};
#else
    const REGSAM views[2] = {KEY_WOW64_32KEY, KEY_WOW64_64KEY};
#endif
    for (REGSAM view : views) {
        HKEY opened = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ | view, &opened) != ERROR_SUCCESS)
            continue;
        RegCloseKey(opened);
        LONG result = RegDeleteKeyExA(HKEY_LOCAL_MACHINE, key, view, 0);
        return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND ? 1 : 0;
    }
    return 1;
}

void removeFolders(const PathList& folders, const PathList& scheduled, const ProductScope& scope) {
    for (int32_t i = 0; i < folders.count(); ++i) {
        const char* folder = folders.at(i);
        answerMessages();
        if (removeOwnFolder(folder, scope))
            continue;
        for (int32_t j = 0; j < scheduled.count(); ++j) {
            if (isInside(scheduled.at(j), folder)) {
                MoveFileExA(folder, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
                break;
            }
        }
    }
}
