// FolderLookups answered by this machine: registry, system folders,
// CreateDirectoryA.
#ifndef AZ_SYSTEM_WIN32_FOLDER_LOOKUPS_H
#define AZ_SYSTEM_WIN32_FOLDER_LOOKUPS_H

#include "system/folders/folder_lookups.h"

class Win32FolderLookups : public FolderLookups {
  public:
    bool readUserValue(const char* keyPath, const char* valueName, TextBuffer& out) override;
    bool readTempFolder(TextBuffer& out) override;
    bool readWindowsFolder(TextBuffer& out) override;
    bool readProgramFilesFolder(TextBuffer& out) override;
    bool readShellFolder(const char* valueName, TextBuffer& out) override;
    void createFolder(const char* path) override;
};

#endif
