// What a profile allows to remove, after the safety rules: the files and
// keys to delete, the folders that admit them, the count of items refused;
// then the order in which emptied folders are tried, and the profile text
// that lists what remains when not everything could go.
#ifndef AZ_UNINSTALL_REMOVAL_PLAN_H
#define AZ_UNINSTALL_REMOVAL_PLAN_H

#include <cstdint>

#include "base/byte_buffer.h"
#include "uninstall/rules/folder_set.h"
#include "uninstall/rules/machine_facts.h"
#include "uninstall/rules/path_list.h"
#include "uninstall/rules/profile_reader.h"

struct RemovalPlan {
    FolderSet folders;      // the admissible [DIRS] folders
    PathList files;         // removable [FILES] paths, in the profile's order
    PathList keys;          // removable [HKLM] keys, in the profile's order
    int32_t keptItems = 0;  // lines that a rule refused, of the three sections
};

// 1, or 0 when memory ran out (then nothing may be removed).
int32_t planRemoval(const UninstallProfile& profile, const MachineFacts& facts, RemovalPlan& plan);

// Every folder from the parent of each of `removed` up to and including the
// outermost of `folders` that holds it, once, deepest first (a file
// admitted only as a shortcut of a shell folder adds none). 1, or 0 when
// memory ran out (`out` may then be incomplete: fewer folders are tried).
int32_t foldersToRemove(const PathList& removed, const FolderSet& folders, PathList& out);

// Appends a profile listing `files`, `keys` and `folders` in the sections
// FILES, HKLM and DIRS, in the installer's layout (CR LF line ends). 1, or
// 0 when memory ran out.
int32_t writeRemainingProfile(const PathList& files, const PathList& keys, const FolderSet& folders,
                              ByteBuffer& out);

#endif
