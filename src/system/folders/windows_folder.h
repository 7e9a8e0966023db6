// The Windows folder, as every part of both programs reads it.
#ifndef AZ_SYSTEM_WINDOWS_FOLDER_H
#define AZ_SYSTEM_WINDOWS_FOLDER_H

#include "base/text_buffer.h"

// Empties `out`, then appends the Windows folder as the system gives it (no
// trailing backslash unless it is a drive root); false when the system
// gives none (out stays empty).
bool readWindowsFolderPath(TextBuffer& out);

#endif
