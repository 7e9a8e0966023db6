// Handing a device setup file to the Windows CE Application Manager.
#ifndef AZ_SYSTEM_DEVICE_MANAGER_H
#define AZ_SYSTEM_DEVICE_MANAGER_H

#include "base/text_buffer.h"

// Starts the manager registered under App Paths with `iniPath`, unquoted, as
// its whole parameter string, and does not wait for it: 1. With no manager
// registered, tells the user so in a message box and returns 0 when it is
// closed.
int handOffToDeviceManager(const TextBuffer& iniPath);

#endif
