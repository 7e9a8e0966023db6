// The end of a complete walk: the main program is handed to the device
// application manager or given its shortcuts and started, then the
// installation is recorded for the uninstaller in TAVUUNINSTALL.INI of the
// install folder and under the system's Uninstall key.
#ifndef AZ_INSTALL_COMPLETION_H
#define AZ_INSTALL_COMPLETION_H

#include "install/run/run_state.h"

// No failure stops the later steps. 0 when the main program (if any) went
// its way; 0 as well when there is none. kNoDeviceManager (outcome.h) when
// a device setup file found no manager to take it.
int completeInstallation(RunState& run);

#endif
