// What an installation records must be usable later: the uninstaller passes
// every recorded path (profile, files, install folder) and the Uninstall key
// to the narrow system calls, which take at most 259 characters, and a
// folder the run creates must leave room for a file name. An installation
// that could not be recorded whole is refused before anything is written.
#ifndef AZ_INSTALL_RECORD_LIMITS_H
#define AZ_INSTALL_RECORD_LIMITS_H

#include "install/run/run_state.h"
#include "system/files/side_file_name.h"

// The longest path recorded; the longest entry path, whose side file
// (side_file_name.h) is written under a name kSideSuffixRoom longer; and the
// longest folder of an entry, one that CreateDirectoryA takes (247) with
// room for a file name.
constexpr int kMaxRecordedPath = 259;
constexpr int kMaxEntryPath = kMaxRecordedPath - kSideSuffixRoom;
constexpr int kMaxEntryFolder = kMaxRecordedPath - 17;

// 1 when, for the install folder and header in `run` and every entry of the
// index open on `indexDescriptor` (left open) that goes into the install folder: the profile
// "<install folder>\TAVUUNINSTALL.INI", each entry's path and the Uninstall
// key fit kMaxRecordedPath, each entry's path kMaxEntryPath and each entry's
// folder kMaxEntryFolder.
// Entries the walk would skip (unsafe names) are not counted.
int recordsFit(const RunState& run, int indexDescriptor);

#endif
