// The uninstaller's command line, as Windows hands it over from the
// Uninstall entry: the program (quoted or not), an optional "/S", then the
// profile's path, quoted or not (an unquoted path may hold blanks).
#ifndef AZ_UNINSTALL_COMMAND_LINE_H
#define AZ_UNINSTALL_COMMAND_LINE_H

#include <cstdint>

#include "base/text_buffer.h"

// Replaces `profile` with the path given and sets `silent` (1 for "/S" in
// any case). 1 when a path was given; 0 otherwise (profile left empty).
int32_t readUninstallCommandLine(const char* line, int32_t* silent, TextBuffer& profile);

// Replaces `program` with the program the line starts (its quotes
// removed). 1 when one was named; 0 otherwise (program left empty).
int32_t readCommandProgram(const char* line, TextBuffer& program);

#endif
