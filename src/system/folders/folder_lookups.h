// What the folder logic asks of the machine. The Windows build answers from
// the registry and the system; tests and the fuzz target answer themselves.
#ifndef AZ_SYSTEM_FOLDER_LOOKUPS_H
#define AZ_SYSTEM_FOLDER_LOOKUPS_H

#include "base/text_buffer.h"

class FolderLookups {
  public:
    virtual ~FolderLookups() {}

    // Each read empties `out`, then appends the text found; false when there
    // is none (out stays empty).
    // A value under HKEY_CURRENT_USER.
    virtual bool readUserValue(const char* keyPath, const char* valueName, TextBuffer& out) = 0;
    // Ends with a backslash, as the system gives it.
    virtual bool readTempFolder(TextBuffer& out) = 0;
    virtual bool readWindowsFolder(TextBuffer& out) = 0;
    virtual bool readProgramFilesFolder(TextBuffer& out) = 0;
    virtual bool readShellFolder(const char* valueName, TextBuffer& out) = 0;

    // One folder level; callers ignore failure.
    virtual void createFolder(const char* path) = 0;
};

#endif
