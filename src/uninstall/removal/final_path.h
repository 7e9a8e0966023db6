// The path of a file or folder as the file system names it, taken from an
// open handle: 8.3 aliases expanded, drive aliases (subst, a second letter
// for one disk) and links resolved, so that two names of one object compare
// equal as text.
#ifndef AZ_UNINSTALL_FINAL_PATH_H
#define AZ_UNINSTALL_FINAL_PATH_H

#include <cstdint>

#include "base/text_buffer.h"

// Replaces `out` with the final path of the existing `path` ("X:\..." or
// "\\server\share\..."): 1, or 0 when it cannot be opened or named (`out`
// empty). Where the system cannot name a handle's path, the long form of
// the path stands in (links and drive aliases then stay unresolved).
int32_t readFinalPath(const char* path, TextBuffer& out);

// The same for a handle already open (a Windows HANDLE); 0 where the
// system cannot name it.
int32_t readHandlePath(void* handle, TextBuffer& out);

// 1 where the system names open handles (Windows Vista and later).
int32_t systemNamesHandles();

#endif
