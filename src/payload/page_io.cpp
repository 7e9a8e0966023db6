#include "payload/page_io.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/types.h>
#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "payload/index_file.h"

#ifndef O_BINARY
#define O_BINARY 0
#endif

namespace {

constexpr int kReadError = 1;
constexpr int kWriteError = 2;

int seekTo(int descriptor, int32_t position) {
    return position >= 0 && lseek(descriptor, position, SEEK_SET) == position;
}

}  // namespace

int openForUpdate(const char* path) {
    return open(path, O_RDWR | O_BINARY);
}

int createForUpdate(const char* path) {
    return open(path, O_RDWR | O_CREAT | O_TRUNC | O_BINARY, S_IREAD | S_IWRITE);
}

#ifdef _WIN32
int createHeldFile(const char* path) {
    HANDLE file = CreateFileA(
        path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
        FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT,
        nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return -1;
    int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDWR | _O_BINARY);
    if (descriptor == -1)
        CloseHandle(file);
    return descriptor;
}
#else
int createHeldFile(const char* path) {
    return open(path, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, S_IRUSR | S_IWUSR);
}
#endif

int closeDescriptor(int descriptor) {
    return close(descriptor) == 0;
}

int64_t descriptorSize(int descriptor) {
    struct stat status;
    if (fstat(descriptor, &status) != 0)
        return -1;
    return static_cast<int64_t>(status.st_size);
}

int readAt(int descriptor, int32_t position, void* bytes, int32_t count) {
    char* next = static_cast<char*>(bytes);
    int32_t left = count;
    if (seekTo(descriptor, position)) {
        while (left > 0) {
            int got = static_cast<int>(read(descriptor, next, static_cast<unsigned>(left)));
            if (got <= 0)
                break;
            next += got;
            left -= got;
        }
    }
    if (left == 0)
        return 1;
    reportIndexError(kReadError, position);
    return 0;
}

int writeAt(int descriptor, int32_t position, const void* bytes, int32_t count) {
    const char* next = static_cast<const char*>(bytes);
    int32_t left = count;
    if (seekTo(descriptor, position)) {
        while (left > 0) {
            int put = static_cast<int>(write(descriptor, next, static_cast<unsigned>(left)));
            if (put <= 0)
                break;
            next += put;
            left -= put;
        }
    }
    if (left == 0)
        return 1;
    reportIndexError(kWriteError, position);
    return 0;
}
