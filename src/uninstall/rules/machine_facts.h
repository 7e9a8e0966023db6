// What the removal rules must know of the machine, read by the program and
// handed in as texts (any may be empty or nullptr when unknown; a trailing
// backslash does not matter).
#ifndef AZ_UNINSTALL_MACHINE_FACTS_H
#define AZ_UNINSTALL_MACHINE_FACTS_H

#include "uninstall/rules/path_list.h"

struct MachineFacts {
    const char* windowsFolder = nullptr;
    // The program-files folder of each registry view.
    const char* programFiles = nullptr;
    const char* programFilesOther = nullptr;
    // The shell folders as the installer's shortcut code finds them.
    const char* desktop = nullptr;
    const char* favorites = nullptr;
    const char* startMenu = nullptr;
    const char* programs = nullptr;  // Start Menu\Programs, where Start lists shortcuts
    const char* userProfile = nullptr;
    const char* appData = nullptr;
    const char* tempFolder = nullptr;
    // Every other folder of the system and the shell (Documents, ProgramData,
    // the public and common folders, System32...), as named and as resolved.
    const PathList* protectedFolders = nullptr;
};

#endif
