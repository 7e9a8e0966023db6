// Whole-page transfers on an unbuffered descriptor, and the descriptor calls
// themselves, so that the index code needs no platform headers.
#ifndef AZ_PAYLOAD_PAGE_IO_H
#define AZ_PAYLOAD_PAGE_IO_H

#include <cstdint>

// Binary descriptors, read and write; -1 when the file cannot be had.
// openForUpdate never creates; createForUpdate creates or truncates.
int openForUpdate(const char* path);
int createForUpdate(const char* path);
// A run's own file, read and write: created new (never over something that
// stands at `path`, never through a link), no other program may write,
// delete or rename it while it is open, and on Windows it is deleted when
// it is closed, however the process ends. -1 when it cannot be made.
int createHeldFile(const char* path);
// 1 when closed; 0 otherwise.
int closeDescriptor(int descriptor);
// The file's size in bytes; -1 when unknown.
int64_t descriptorSize(int descriptor);

// Seek to `position` from the start, then move exactly `count` bytes.
// 1 when all moved; otherwise reportIndexError (1 read, 2 write, position)
// and 0.
int readAt(int descriptor, int32_t position, void* bytes, int32_t count);
int writeAt(int descriptor, int32_t position, const void* bytes, int32_t count);

#endif
