// The resource half of extraction: the payload resource, the temporary folder
// and the payload copy in it.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "payload/extract.h"
#include "payload/payload_reader.h"

namespace {

constexpr char kCopyName[] = "TARCH.AZ";
constexpr int kUniqueNameTries = 100;
// Checksummed just after it is written, while it is still in the cache.
constexpr DWORD kCopyPiece = 1u << 20;

const void* findPayloadBytes(ModuleHandle instance, const char* resourceName, DWORD& size) {
    HMODULE module = static_cast<HMODULE>(instance);
    size = 0;
    HRSRC found = FindResourceA(module, resourceName, payload::kResourceType);
    if (found == nullptr)
        return nullptr;
    size = SizeofResource(module, found);
    HGLOBAL loaded = size == 0 ? nullptr : LoadResource(module, found);
    const void* bytes = loaded == nullptr ? nullptr : LockResource(loaded);
    if (bytes == nullptr)
        size = 0;
    return bytes;
}

int writeAll(HANDLE file, const void* bytes, DWORD size) {
    const char* next = static_cast<const char*>(bytes);
    while (size > 0) {
        DWORD written = 0;
        if (!WriteFile(file, next, size, &written, nullptr) || written == 0)
            return 0;
        next += written;
        size -= written;
    }
    return 1;
}

// The whole payload, piece by piece, each fed to `checksum` on its way. A
// piece is read only once the system has written it: a resource whose stated
// size runs past the image fails the write instead of faulting here.
int writeChecksummed(HANDLE file, const void* bytes, DWORD size, PayloadChecksum& checksum) {
    const unsigned char* next = static_cast<const unsigned char*>(bytes);
    while (size > 0) {
        DWORD piece = size < kCopyPiece ? size : kCopyPiece;
        if (!writeAll(file, next, piece))
            return 0;
        checksum.add(next, piece);
        next += piece;
        size -= piece;
    }
    return 1;
}

// The temporary folder without its trailing backslash; 0 when the system
// names none or the name does not fit.
int temporaryFolder(char (&folder)[MAX_PATH + 1]) {
    DWORD length = GetTempPathA(sizeof folder, folder);
    if (length == 0 || length >= sizeof folder)
        return 0;
    folder[length] = '\0';
    if (folder[length - 1] == '\\' || folder[length - 1] == '/')
        folder[--length] = '\0';
    return length > 0;
}

// Writing, reading and sharing only for reading: no other run can rewrite or
// delete the copy while this one holds it.
HANDLE createHeldFile(const char* path, DWORD disposition) {
    return CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Names are put together by hand: the C library's formatted printing would
// add more code to the installer than everything else in this file.
class PathText {
  public:
    // 0 when the text would reach MAX_PATH characters: such a path is refused.
    int append(const char* part) {
        size_t count = strlen(part);
        if (length_ + count >= MAX_PATH)
            return 0;
        memcpy(text_ + length_, part, count + 1);
        length_ += count;
        return 1;
    }
    // `value` in base 16 (upper-case digits) or base 10, without leading zeros.
    int appendNumber(unsigned long value, unsigned long base) {
        char reversed[24];  // the decimal digits of any 64-bit value fit
        char digits[sizeof reversed];
        size_t count = 0;
        do {
            reversed[count++] = "0123456789ABCDEF"[value % base];
            value /= base;
        } while (value != 0);
        for (size_t i = 0; i < count; ++i)
            digits[i] = reversed[count - 1 - i];
        digits[count] = '\0';
        return append(digits);
    }
    void clear() {
        length_ = 0;
        text_[0] = '\0';
    }
    const char* text() const { return text_; }

  private:
    char text_[MAX_PATH + 1] = {};
    size_t length_ = 0;
};

// TARCH.AZ when it is free; while another run holds it, a name of this run's
// own beside it (TARCH<process id in hexadecimal>-<attempt>.AZ).
HANDLE createCopyFile(const char* folder, PathText& path) {
    path.clear();
    if (!path.append(folder) || !path.append("\\") || !path.append(kCopyName))
        return INVALID_HANDLE_VALUE;
    HANDLE file = createHeldFile(path.text(), CREATE_ALWAYS);
    DWORD process = GetCurrentProcessId();
    for (int attempt = 0; file == INVALID_HANDLE_VALUE && attempt < kUniqueNameTries; ++attempt) {
        path.clear();
        if (!path.append(folder) || !path.append("\\TARCH") || !path.appendNumber(process, 16) ||
            !path.append("-") || !path.appendNumber(static_cast<unsigned long>(attempt), 10) ||
            !path.append(".AZ"))
            return INVALID_HANDLE_VALUE;
        file = createHeldFile(path.text(), CREATE_NEW);
        DWORD error = GetLastError();
        if (file == INVALID_HANDLE_VALUE && error != ERROR_FILE_EXISTS &&
            error != ERROR_ALREADY_EXISTS)
            break;
    }
    return file;
}

// The read stream takes over the handle, so the copy stays held until the
// stream is closed.
FILE* streamOnHandle(HANDLE file) {
    if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
        CloseHandle(file);
        return nullptr;
    }
    int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDONLY | _O_BINARY);
    if (descriptor == -1) {
        CloseHandle(file);
        return nullptr;
    }
    FILE* stream = _fdopen(descriptor, "rb");
    if (stream == nullptr)
        _close(descriptor);
    return stream;
}

}  // namespace

int copyResourceToFile(ModuleHandle instance, const char* resourceName, const char* filePath) {
    DWORD size = 0;
    const void* bytes = findPayloadBytes(instance, resourceName, size);
    if (bytes == nullptr)
        return 0;
    HANDLE file = CreateFileA(filePath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    int written = writeAll(file, bytes, size);
    int closed = CloseHandle(file) != 0;
    if (!written || !closed) {
        DeleteFileA(filePath);
        return 0;
    }
    return 1;
}

int makePayloadCopy(ModuleHandle instance, TextBuffer& copyPath, FILE*& stream,
                    PayloadChecksum& checksum) {
    stream = nullptr;
    DWORD size = 0;
    const void* bytes = findPayloadBytes(instance, payload::kResourceName, size);
    char folder[MAX_PATH + 1];
    if (bytes == nullptr || !temporaryFolder(folder))
        return 0;
    CreateDirectoryA(folder, nullptr);  // normally there already

    PathText path;
    HANDLE file = createCopyFile(folder, path);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    if (!writeChecksummed(file, bytes, size, checksum)) {
        CloseHandle(file);
        DeleteFileA(path.text());
        return 0;
    }
    FILE* opened = streamOnHandle(file);
    copyPath.append(path.text());
    if (opened == nullptr || copyPath.text == nullptr) {
        if (opened != nullptr)
            fclose(opened);
        DeleteFileA(path.text());
        return 0;
    }
    stream = opened;
    return 1;
}
