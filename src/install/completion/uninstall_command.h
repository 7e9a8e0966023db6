// The command line that the system's list of installed programs runs to
// remove the product: the uninstaller, then the uninstall profile.
#ifndef AZ_INSTALL_UNINSTALL_COMMAND_H
#define AZ_INSTALL_UNINSTALL_COMMAND_H

#include "base/text_buffer.h"

// The product's key under HKEY_LOCAL_MACHINE is this and its name.
constexpr char kUninstallKeyPrefix[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
// The uninstall profile lies in the install folder under this name.
constexpr char kUninstallProfileName[] = "TAVUUNINSTALL.INI";

// Replaces `command` with "uninstaller" "profile", each in double quotes,
// one blank between; a nullptr counts as the empty text.
void buildUninstallCommand(TextBuffer& command, const char* uninstallerPath,
                           const char* profilePath);

// The same command with "/S" between the two: the uninstaller's silent
// form, for QuietUninstallString.
void buildQuietUninstallCommand(TextBuffer& command, const char* uninstallerPath,
                                const char* profilePath);

#endif
