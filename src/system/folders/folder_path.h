// Creating a folder with all its parents, one level at a time.
#ifndef AZ_SYSTEM_FOLDER_PATH_H
#define AZ_SYSTEM_FOLDER_PATH_H

#include "base/text_buffer.h"
#include "system/folders/folder_lookups.h"

class FolderPathMaker {
  public:
    FolderPathMaker() : lastPath(260) {}

    // Asks `lookups` to create every level of `path` below its root: below
    // the drive ("D:"), below "\" for a path from the root, below
    // "\\server\share\" for a network path. A path equal to the previous one
    // (ignoring case) is skipped: the installation asks for the same folder
    // once per file.
    void create(FolderLookups& lookups, const char* path);

  private:
    TextBuffer lastPath;
};

#endif
