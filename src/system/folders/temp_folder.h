// The user's temporary folder, as every program of this project asks for it.
#ifndef AZ_SYSTEM_TEMP_FOLDER_H
#define AZ_SYSTEM_TEMP_FOLDER_H

#include "base/text_buffer.h"

// Empties `out`, then appends the temporary folder ending in one backslash.
// Where the system offers GetTempPath2A (which gives a SYSTEM process a
// folder of its own instead of the shared Windows\Temp) it is asked, else
// GetTempPathA. false, `out` empty, when the system names none or the path
// does not fit in 260 characters.
bool readTemporaryFolder(TextBuffer& out);

#endif
