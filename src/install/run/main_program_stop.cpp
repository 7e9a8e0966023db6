#include "install/run/main_program_stop.h"

#include "base/matching.h"
#include "install/run/machine.h"
#include "install/walk/entry_name.h"
#include "install/walk/placement.h"
#include "payload/entry_index.h"
#include "system/programs/process_stop.h"

void stopMainProgramFirst(const RunState& run, int indexDescriptor) {
    if (run.header.mainProgram[0] == '\0')
        return;
    EntryIndex index(indexDescriptor);
    if (!index.isOpen())
        return;
    index.setDirection(0);
    TextBuffer entryName(260);
    int32_t entryOffset = 0;
    while (index.next(entryName, entryOffset) == 1) {
        if (!isSafeEntryName(entryName.text) ||
            !equalsIgnoreCase(entryName.text, run.header.mainProgram))
            continue;
        chooseTarget(run, entryName.text, programToStop);
        stopRunningProgram(letMessagesThrough);
        programToStop.clear();
        return;
    }
}
