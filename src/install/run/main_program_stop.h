// Before the first entry is written, a running copy of the main program is
// stopped: it may hold files that come before its own entry (a library it
// loaded), and it is asked to close while nothing of the update is there yet.
#ifndef AZ_INSTALL_MAIN_PROGRAM_STOP_H
#define AZ_INSTALL_MAIN_PROGRAM_STOP_H

#include "install/run/run_state.h"

// When the index open on `indexDescriptor` (left open) holds the entry named by the header's
// mainProgram, the copy running from that entry's target path is asked to
// close, then stopped (process_stop.h). Nothing happens otherwise.
void stopMainProgramFirst(const RunState& run, int indexDescriptor);

#endif
