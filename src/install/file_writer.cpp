#include "install/file_writer.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cstdio>

namespace {

// Largest count handed to one write; the system call takes 32-bit counts.
const size_t kMaxWrite = 1u << 30;

}  // namespace

int writeAllBytes(int descriptor, const unsigned char* bytes, size_t length) {
    while (length > 0) {
        unsigned int count = static_cast<unsigned int>(length < kMaxWrite ? length : kMaxWrite);
        int written = _write(descriptor, bytes, count);
        if (written <= 0)
            return 0;
        bytes += written;
        length -= static_cast<size_t>(written);
    }
    return 1;
}

int writeWholeFile(const char* path, const unsigned char* bytes, size_t length) {
    int descriptor = _open(path, _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (descriptor == -1)
        return 0;
    int written = writeAllBytes(descriptor, bytes, length);
    int closed = _close(descriptor) == 0;
    if (written && closed)
        return 1;
    std::remove(path);
    return 0;
}
