// Folders held open so that they stay where they were checked. While a
// folder is held without delete sharing, no one can rename, move or remove
// it, nor put a link in its place: what was checked once by name is what
// later requests by that name reach.
#ifndef AZ_SYSTEM_HELD_FOLDERS_H
#define AZ_SYSTEM_HELD_FOLDERS_H

#include <windows.h>

#include "base/text_buffer.h"

// Opens the folder at `path` without delete sharing. INVALID_HANDLE_VALUE
// when it is a link (link_check.h) or no folder, or when another program
// holds it so that it cannot be held.
HANDLE holdFolder(const char* path);

// The folders one run writes in, each held until the run lets it go.
class HeldFolders {
  public:
    HeldFolders() = default;
    ~HeldFolders();  // lets every folder go
    HeldFolders(const HeldFolders&) = delete;
    HeldFolders& operator=(const HeldFolders&) = delete;

    // Holds the folder at `path` (no trailing "\") unless it is held
    // already: 1 when it is held, 0 when it cannot be (see holdFolder).
    int hold(const char* path);
    // Lets the folder at `path` go, so that it can be removed.
    void release(const char* path);

  private:
    struct Held {
        Held(const char* folder, HANDLE opened, Held* older)
            : path(folder), length(path.length()), handle(opened), next(older) {}
        TextBuffer path;
        int32_t length;  // compared first: a run holds hundreds of folders
        HANDLE handle;
        Held* next;
    };
    Held* find(const char* path) const;

    Held* newest_ = nullptr;
};

#endif
