// Plain files, as the record of an installation names them: a file that is
// no folder and no link (a reparse point is never read through nor deleted).
#ifndef AZ_SYSTEM_PLAIN_FILE_H
#define AZ_SYSTEM_PLAIN_FILE_H

#include <cstdint>

#include "base/byte_buffer.h"

// true when `path` names an existing file that is neither a folder nor a link.
bool isPlainFile(const char* path);

// Deletes `path` when it is a plain file: true when it is gone.
bool deletePlainFile(const char* path);

// Appends the whole plain file to `out` when it holds at most `limit`
// bytes: true when read.
bool readPlainFile(const char* path, uint32_t limit, ByteBuffer& out);

#endif
