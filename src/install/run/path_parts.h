// Pieces of paths the run names things after.
#ifndef AZ_INSTALL_PATH_PARTS_H
#define AZ_INSTALL_PATH_PARTS_H

#include <cstdint>

#include "base/text_buffer.h"

// Replaces `name` with the file name of `path` without folder, drive and
// extension: "C:\A\SETUP.EXE" gives "SETUP", "x.tar.gz" gives "x.tar".
void baseNameOf(const char* path, TextBuffer& name);

// Replaces `folder` with `path` up to and including its last "\" or "/"
// (with a bare drive "C:" kept); the empty text when there is neither.
void folderOf(const char* path, TextBuffer& folder);

// Appends `value` in base 16: lower-case digits, no leading zeros, no prefix.
void appendHex(TextBuffer& text, uint64_t value);

#endif
