// The resource half of extraction: the payload resource and the run's copy
// of it.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "payload/extract.h"
#include "payload/page_io.h"
#include "payload/payload_reader.h"

namespace {

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

// The read stream takes over the descriptor, so the copy stays held until
// the stream is closed.
FILE* streamOnDescriptor(int descriptor) {
    if (_lseek(descriptor, 0, SEEK_SET) != 0) {
        _close(descriptor);
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

int makePayloadCopy(ModuleHandle instance, const char* copyPath, FILE*& stream,
                    PayloadChecksum& checksum) {
    stream = nullptr;
    DWORD size = 0;
    const void* bytes = findPayloadBytes(instance, payload::kResourceName, size);
    if (bytes == nullptr || copyPath == nullptr)
        return 0;
    int descriptor = createHeldFile(copyPath);
    if (descriptor < 0)
        return 0;
    HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
    if (!writeChecksummed(file, bytes, size, checksum)) {
        _close(descriptor);  // deletes the copy
        return 0;
    }
    stream = streamOnDescriptor(descriptor);
    return stream != nullptr ? 1 : 0;
}
