// The removal's work on the machine: the profile file, running programs,
// files, registry keys and folders. Every path and key given here has
// passed the safety rules (path_rules.h).
#ifndef AZ_UNINSTALL_REMOVAL_STEPS_H
#define AZ_UNINSTALL_REMOVAL_STEPS_H

#include <cstdint>

#include "base/byte_buffer.h"
#include "uninstall/removal/product_scope.h"
#include "uninstall/rules/path_list.h"

// The whole file, up to 64 MiB: 1, or 0 when missing, unreadable or larger.
int32_t readProfileFile(const char* path, ByteBuffer& bytes);
// Replaces the content of the existing file with `bytes`, when it is no
// link and lies where `scope` owns it: 1 done.
int32_t writeProfileFile(const char* path, const ByteBuffer& bytes, const ProductScope& scope);

// Asks the programs running from the listed ".EXE" files to close
// (WM_CLOSE to their top-level windows), waits a little for them, then
// stops any still running.
void stopListedPrograms(const PathList& files);

enum FileRemoval { kFileGone, kFileScheduled, kFileFailed, kNotAFile };
// A missing file counts as gone; one still held is scheduled for deletion
// at the next restart; a folder, a link, or a file that `scope` does not own
// once opened is left alone.
FileRemoval removeFile(const char* path, const ProductScope& scope);

// Deletes HKEY_LOCAL_MACHINE\`key` (no sub-keys: never recursively) in the
// registry view of this build, or in the other view when it is only there.
// 1 when gone (or never there), 0 when it stays.
int32_t removeUninstallKey(const char* key);

// Tries every folder in the order given: removed when empty, and only as
// the file system sees it now, within the product (`scope`); a folder above
// one of `scheduled` that cannot go now is left for the restart.
void removeFolders(const PathList& folders, const PathList& scheduled, const ProductScope& scope);

#endif
