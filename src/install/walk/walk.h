// The walk over the entry index: each entry decoded, placed and written in
// the order the index gives them.
#ifndef AZ_INSTALL_WALK_H
#define AZ_INSTALL_WALK_H

#include <cstdint>
#include <cstdio>

#include "base/text_buffer.h"
#include "install/run/run_state.h"

enum class WalkResult {
    kComplete,     // every entry installed or skipped with a beep
    kWriteFailed,  // a file could not be written whole; the walk stopped there
    kNoIndex,      // the index could be neither opened nor created
    kDamaged,      // the walk met a damaged table and stopped there
};

// A damaged chunk or an entry name that would leave its folder beeps and is
// skipped, unrecorded, and counted in run.skippedEntries. On kWriteFailed `failedPath` names the
// file. The index descriptor and the stream stay the caller's.
WalkResult installEntries(RunState& run, int indexDescriptor, FILE* payloadStream,
                          int32_t dataStart, TextBuffer& failedPath);

#endif
