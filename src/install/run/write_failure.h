// The one message the run shows itself: a file that could not be written.
#ifndef AZ_INSTALL_WRITE_FAILURE_H
#define AZ_INSTALL_WRITE_FAILURE_H

#include "base/text_buffer.h"

// Windows-1252 texts of the message box.
extern const char kWriteFailureCaption[];

// Replaces `message` with the French text naming `path` on its own line.
void buildWriteFailureMessage(TextBuffer& message, const char* path);

#endif
