#include "system/files/plain_file.h"

#include <windows.h>

bool isPlainFile(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES &&
           !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
}

bool deletePlainFile(const char* path) {
    return isPlainFile(path) && DeleteFileA(path);
}

bool readPlainFile(const char* path, uint32_t limit, ByteBuffer& out) {
    if (!isPlainFile(path))
        return false;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD high = 0;
    DWORD size = GetFileSize(file, &high);
    bool read = false;
    if (size != INVALID_FILE_SIZE && high == 0 && size <= limit && (size == 0 || out.grow(size))) {
        DWORD got = 0;
        read = size == 0 ||
               (ReadFile(file, out.data + out.length, size, &got, nullptr) && got == size);
        if (read)
            out.length += size;
    }
    CloseHandle(file);
    return read;
}
