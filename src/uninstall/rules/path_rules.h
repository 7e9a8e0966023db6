// The safety rules of removal. A profile is a plain text file that may be
// damaged, edited or planted, so every path and key in it is judged before
// anything is touched; whatever fails a rule is left alone.
#ifndef AZ_UNINSTALL_PATH_RULES_H
#define AZ_UNINSTALL_PATH_RULES_H

#include <cstdint>

#include "uninstall/rules/folder_set.h"
#include "uninstall/rules/machine_facts.h"

// The longest path the program passes to the narrow system calls.
const int32_t kMaxRulePath = 259;

// 1 for a full path ("X:\..." or "\\server\share\...") without ".", ".."
// or dot-and-blank components, empty components, a final separator,
// wildcards, "/", control characters, a stream colon or a device name, and
// at most kMaxRulePath characters; a drive root "X:\" passes.
int32_t isPlainFullPath(const char* path);

// 1 when `folder` may admit files and be removed: a plain full path that is
// no drive or share root, not the Windows folder nor inside it, not a
// program-files folder, shell folder, profile folder, temporary folder or
// other protected folder itself, and holds none of them.
int32_t isAdmissibleFolder(const char* folder, const MachineFacts& facts);

// The length of the outermost of `folders` (admissible folders, see above)
// that holds `path`, when `path` is a plain full path; 0 when none does.
int32_t admittingFolderLength(const char* path, const FolderSet& folders);

// 1 when `path` may be deleted: a plain full path inside one of `folders`,
// or a ".LNK" file directly inside the Desktop, Favorites, Start Menu or
// Programs folder.
int32_t isRemovableFile(const char* path, const FolderSet& folders, const MachineFacts& facts);

// 1 for "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\NAME" (prefix in
// any case) with one plain, non-empty NAME.
int32_t isRemovableKey(const char* key);

// 1 for a plain full path whose file has a record's name (record_names.h):
// the only files the uninstaller reads, rewrites or deletes as its profile.
int32_t isProfilePath(const char* path);

// The last component of a removable key: the product's name.
const char* productNameOf(const char* key);

// 1 when `path` lies strictly inside `folder` (ASCII case folded, a trailing
// backslash on the folder ignored).
int32_t isInside(const char* path, const char* folder);

// Same folder ignoring ASCII case and a trailing backslash on either.
int32_t isSameFolder(const char* a, const char* b);

#endif
