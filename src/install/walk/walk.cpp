#include "install/walk/walk.h"

#include "install/run/machine.h"
#include "install/walk/chunk_reader.h"
#include "install/walk/entry_name.h"
#include "install/walk/entry_writer.h"
#include "install/walk/placement.h"
#include "payload/entry_index.h"

WalkResult installEntries(RunState& run, int indexDescriptor, FILE* payloadStream,
                          int32_t dataStart, TextBuffer& failedPath) {
    EntryIndex index(indexDescriptor);
    if (!index.isOpen())
        return WalkResult::kNoIndex;
    index.setDirection(0);

    ChunkReader chunk(payloadStream, dataStart);
    TextBuffer entryName(260);
    int32_t entryOffset = 0;
    EntryPlacement placement;
    while (index.next(entryName, entryOffset) == 1) {
        letMessagesThrough();
        if (!isSafeEntryName(entryName.text) || !chunk.decode(entryOffset)) {
            beep();
            ++run.skippedEntries;
            continue;
        }
        if (!placeBeforeWriting(run, entryName.text, placement, chunk)) {
            continue;
        }
        EntryWrite written = writeEntry(placement.targetPath.text, chunk, run.replacements);
        if (written == EntryWrite::kDamaged) {
            beep();
            ++run.skippedEntries;
            continue;
        }
        if (written == EntryWrite::kNotWritten) {
            failedPath.assign(placement.targetPath);
            return WalkResult::kWriteFailed;
        }
        if (placeAfterWriting(run, entryName.text, placement)) {
            run.installedFiles.set(placement.targetPath.text, "1");
        }
    }
    // A damaged table hides entries: completing would record a partial
    // installation over an earlier one.
    if (index.isDamaged()) {
        beep();
        return WalkResult::kDamaged;
    }
    return WalkResult::kComplete;
}
