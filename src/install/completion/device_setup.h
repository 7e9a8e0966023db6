// A main program that is a Windows CE device setup file goes to the device
// application manager instead of being started.
#ifndef AZ_INSTALL_DEVICE_SETUP_H
#define AZ_INSTALL_DEVICE_SETUP_H

// 1 when the last 14 characters of `path` are "CEAPPSETUP.INI" in any ASCII
// case; 0 otherwise, for a shorter path and for nullptr.
int isDeviceSetupFile(const char* path);

#endif
