// Writing one installed file, whole or not at all.
#ifndef AZ_INSTALL_FILE_WRITER_H
#define AZ_INSTALL_FILE_WRITER_H

#include <cstddef>

// Makes `bytes` the whole content of the file at `path`, creating or
// truncating it, in as few writes as the system allows (one in practice).
// 1 when every byte was written and the file closed. 0 when it could not be
// opened (an existing file is then untouched), or when a write or the close
// failed: the cut-short file is deleted, so it never looks installed.
int writeWholeFile(const char* path, const unsigned char* bytes, size_t length);

// Writes all `length` bytes to an open descriptor, in as many writes as the
// system needs. 1 when all were written; 0 on a failed or empty write.
int writeAllBytes(int descriptor, const unsigned char* bytes, size_t length);

#endif
