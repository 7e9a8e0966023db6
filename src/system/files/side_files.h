// Replacing a file through files beside it (side_file_name.h): the target is
// never written in place, so it is always either the old file or the new
// one; and what an interrupted run left beside targets is cleared later.
#ifndef AZ_SYSTEM_SIDE_FILES_H
#define AZ_SYSTEM_SIDE_FILES_H

#include <cstdint>

#include "base/text_buffer.h"
#include "system/files/side_file_name.h"

// The process id that names this installer's side files.
uint32_t sideFileOwner();

// `path` + the side suffix of `kind` for this installer.
void sideFilePath(const char* path, SideFile kind, TextBuffer& out);

// Renames `from` to `to` on the same volume; `to` must not exist. 1 done.
int moveAside(const char* from, const char* to);
// Renames `from` over `to`, replacing it. 1 done; 0 leaves both as they were.
int moveOver(const char* from, const char* to);
// 1 when a file or folder is there.
int sideFileExists(const char* path);
// Deletes a file of ours (a side file, or a file this run added). 1 when it is gone.
int removeSideFile(const char* path);

// Clears the side files that an installer no longer running left in
// `folder` (ending in "\" or not): a new one is deleted; a kept original is
// deleted when its target exists (the run got past it, so it is stale) and
// put back when the target is missing (the run died between the two
// renames). Files of a running installer, folders, links and every name not
// exactly of our form are left alone.
void clearLeftovers(const char* folder);

#endif
