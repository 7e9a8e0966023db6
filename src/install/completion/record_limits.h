// What an installation records must be usable later: the uninstaller passes
// every recorded path (profile, files, install folder) and the Uninstall key
// to the narrow system calls, which take at most 259 characters, and a
// folder the run creates must leave room for a file name. An installation
// that could not be recorded whole is refused before anything is written.
#ifndef AZ_INSTALL_RECORD_LIMITS_H
#define AZ_INSTALL_RECORD_LIMITS_H

#include "install/run/run_state.h"

// The longest path recorded, and the longest folder of an entry: one that
// CreateDirectoryA takes (247) with room for the file written beside a target
// until it is complete, "~az", the process id in 8 hex digits, ".part".
constexpr int kMaxRecordedPath = 259;
constexpr int kMaxEntryFolder = kMaxRecordedPath - 17;

// 1 when, for the install folder and header in `run` and every entry of the
// index open on `indexDescriptor` (left open) that goes into the install folder: the profile
// "<install folder>\TAVUUNINSTALL.INI", each entry's path and the Uninstall
// key fit kMaxRecordedPath, and each entry's folder kMaxEntryFolder.
// Entries the walk would skip (unsafe names) are not counted.
int recordsFit(const RunState& run, int indexDescriptor);

#endif
