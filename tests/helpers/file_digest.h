/* Size and CRC-32 (the zlib polynomial, so the host can compare with
 * zlib.crc32) of a file, for helpers that note which version of a file they
 * saw at a given moment. */
#ifndef AZ_HELPERS_FILE_DIGEST_H
#define AZ_HELPERS_FILE_DIGEST_H

#include <stdio.h>
#include <windows.h>

static inline unsigned long digestUpdate(unsigned long crc, const unsigned char* p, size_t n) {
    crc = ~crc & 0xFFFFFFFFUL;
    for (size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320UL & (0UL - (crc & 1)));
    }
    return ~crc & 0xFFFFFFFFUL;
}

/* "SIZE:CRC" in decimal and hexadecimal, or "missing" / "unreadable". The file
 * is opened with full sharing so that looking never disturbs the installer. */
static inline void digestFile(const char* path, char* out, size_t outSize) {
    HANDLE h =
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    NULL, OPEN_EXISTING, 0, NULL);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        int missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        snprintf(out, outSize, "%s", missing ? "missing" : "unreadable");
        return;
    }
    static unsigned char block[65536];
    unsigned long crc = 0;
    unsigned long long size = 0;
    DWORD got = 0;
    while (ReadFile(h, block, sizeof block, &got, NULL) && got > 0) {
        crc = digestUpdate(crc, block, got);
        size += got;
    }
    CloseHandle(h);
    snprintf(out, outSize, "%llu:%08lx", size, crc);
}

#endif
