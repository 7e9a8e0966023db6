// Renaming and deleting a file through a handle the run holds, so that the
// name changed is that of the file opened and checked, whatever now stands
// at its path. Systems before Vista lack the call: each function then says
// so, and its caller goes by name.
#ifndef AZ_SYSTEM_OPEN_FILE_NAMES_H
#define AZ_SYSTEM_OPEN_FILE_NAMES_H

enum class ByHandle { kDone, kFailed, kNotOffered };

// Renames the open `file` (opened with DELETE access) to `newPath`,
// replacing a file there only when `replace`.
ByHandle renameOpenFile(void* file, const char* newPath, int replace);

// Marks the open `file` (DELETE access) to be deleted when its last handle
// closes; a read-only file is made writable first.
ByHandle deleteOpenFile(void* file);

#endif
