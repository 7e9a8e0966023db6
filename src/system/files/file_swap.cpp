#include "system/files/file_swap.h"

#include <windows.h>

#include "system/files/open_file_names.h"
#include "system/files/side_file_name.h"
#include "system/files/side_files.h"

namespace {

constexpr DWORD kMaxWrite = 1u << 30;

// A link that stands at the name is opened itself, never followed: an
// original is only ever renamed and deleted, and a new file is never made at
// the place a link names.
HANDLE openByName(const char* path, DWORD access, DWORD sharing, DWORD disposition) {
    TextBuffer longPath(0);
    longPathForm(path, longPath);
    if (longPath.text == nullptr)
        return INVALID_HANDLE_VALUE;
    return CreateFileA(longPath.text, access, sharing, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

}  // namespace

ExistingTarget::ExistingTarget(const char* path)
    : handle_(nullptr), state_(TargetState::kRefused), path_(path) {
    // Others keep every right they had: the run only needs the file to stay
    // the one it checked.
    HANDLE file = openByName(path, GENERIC_WRITE | DELETE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
    if (file != INVALID_HANDLE_VALUE) {
        handle_ = file;
        state_ = TargetState::kWritable;
    } else if (GetLastError() == ERROR_FILE_NOT_FOUND) {
        state_ = TargetState::kMissing;
    }
}

ExistingTarget::~ExistingTarget() {
    if (handle_ != nullptr)
        CloseHandle(static_cast<HANDLE>(handle_));
}

int ExistingTarget::moveAside(const char* keptPath) {
    if (handle_ == nullptr)
        return 0;
    ByHandle moved = renameOpenFile(handle_, keptPath, 0);
    if (moved != ByHandle::kNotOffered)
        return moved == ByHandle::kDone;
    CloseHandle(static_cast<HANDLE>(handle_));
    handle_ = nullptr;
    return ::moveAside(path_.text, keptPath);
}

NewFile::NewFile(const char* path) : handle_(nullptr), path_(path) {
    // Created new: whatever stands at the name, a link included, is never
    // opened. No one else may write it while it is ours.
    HANDLE file = openByName(path, GENERIC_WRITE | DELETE, FILE_SHARE_READ, CREATE_NEW);
    if (file != INVALID_HANDLE_VALUE)
        handle_ = file;
}

NewFile::~NewFile() {
    if (handle_ == nullptr)
        return;
    bool byName = !moved_ && deleteOpenFile(handle_) == ByHandle::kNotOffered;
    CloseHandle(static_cast<HANDLE>(handle_));
    if (byName)
        removeSideFile(path_.text);
}

int NewFile::write(const unsigned char* bytes, size_t length) {
    if (handle_ == nullptr)
        return 0;
    while (length > 0) {
        DWORD count = length < kMaxWrite ? static_cast<DWORD>(length) : kMaxWrite;
        DWORD written = 0;
        if (!WriteFile(static_cast<HANDLE>(handle_), bytes, count, &written, nullptr) ||
            written == 0)
            return 0;
        bytes += written;
        length -= written;
    }
    return 1;
}

int NewFile::moveInto(const char* target, int replace) {
    if (handle_ == nullptr || moved_)
        return 0;
    ByHandle moved = renameOpenFile(handle_, target, replace);
    if (moved != ByHandle::kNotOffered) {
        moved_ = moved == ByHandle::kDone;
        return moved_;
    }
    // An older system: the file is closed first and moved by the name this
    // run created it under.
    CloseHandle(static_cast<HANDLE>(handle_));
    handle_ = nullptr;
    moved_ = replace ? moveOver(path_.text, target) : moveAside(path_.text, target);
    if (!moved_)
        removeSideFile(path_.text);
    return moved_;
}
