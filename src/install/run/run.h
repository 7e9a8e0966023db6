// The installation: the one operation of the installer, run once on the
// progress window's start message.
#ifndef AZ_INSTALL_RUN_H
#define AZ_INSTALL_RUN_H

#include <windows.h>

// Returns when the installation is over, whatever its outcome: the
// InstallOutcome (outcome.h), the process's exit code. Failures are shown or
// beeped here as well.
int runInstallation(HINSTANCE instance, HWND progressWindow);

#endif
