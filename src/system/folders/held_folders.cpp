#include "system/folders/held_folders.h"

#include <string.h>

#include "base/allocation.h"
#include "system/files/link_check.h"

HANDLE holdFolder(const char* path) {
    HANDLE folder = CreateFileA(path, FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (folder == INVALID_HANDLE_VALUE)
        return folder;
    // Once held, the name can only be this folder's: it is judged by name,
    // as every level is (Wine shows a link only there), so that a reparse
    // point that stays in place, such as a synced cloud folder, is a plain
    // folder here too.
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(folder, &information) ||
        !(information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || isLink(path)) {
        CloseHandle(folder);
        return INVALID_HANDLE_VALUE;
    }
    return folder;
}

HeldFolders::~HeldFolders() {
    while (newest_ != nullptr) {
        Held* older = newest_->next;
        CloseHandle(newest_->handle);
        destroyObject(newest_);
        newest_ = older;
    }
}

HeldFolders::Held* HeldFolders::find(const char* path) const {
    int32_t length = static_cast<int32_t>(strlen(path));
    for (Held* held = newest_; held != nullptr; held = held->next) {
        if (held->length == length && held->path.equalsIgnoreCase(path))
            return held;
    }
    return nullptr;
}

int HeldFolders::hold(const char* path) {
    if (find(path) != nullptr)
        return 1;
    HANDLE handle = holdFolder(path);
    if (handle == INVALID_HANDLE_VALUE)
        return 0;
    Held* held = createObject<Held>(path, handle, newest_);
    if (held == nullptr || held->path.text == nullptr) {
        destroyObject(held);
        CloseHandle(handle);
        return 0;
    }
    newest_ = held;
    return 1;
}

void HeldFolders::release(const char* path) {
    Held* found = find(path);
    for (Held** link = &newest_; found != nullptr && *link != nullptr; link = &(*link)->next) {
        if (*link == found) {
            *link = found->next;
            CloseHandle(found->handle);
            destroyObject(found);
            return;
        }
    }
}
