// Where the programs' DLLs come from: the Windows system folder, never the
// folder the program was started from (a downloads folder that any process
// of the user can write into).
#ifndef AZ_SYSTEM_LIBRARY_LOADING_H
#define AZ_SYSTEM_LIBRARY_LOADING_H

#include <windows.h>

// Restricts the DLL search of the whole process to the system folder and
// loads from there the DLLs that Windows components load by name later on.
// Called first in the program's entry (see program_entry.cpp).
void restrictLibraryLoading();

// `name` (e.g. "psapi.dll") loaded from the system folder by its full path;
// nullptr when it is not there.
HMODULE loadSystemLibrary(const char* name);

#endif
