// The end of a complete walk: the main program is handed to the device
// application manager or given its shortcuts and started, then the
// installation is recorded for the uninstaller in TAVUUNINSTALL.INI of the
// install folder and under the system's Uninstall key.
#ifndef AZ_INSTALL_COMPLETION_H
#define AZ_INSTALL_COMPLETION_H

#include "install/run_state.h"

// Nothing here is reported, and no failure stops the later steps.
void completeInstallation(RunState& run);

#endif
