// The process entry of both programs (linked with --entry, see
// cmake/AzEntry.cmake): the DLL search is restricted before the C runtime's
// start-up code runs, then that code runs as usual and calls WinMain. Only
// the DLLs of the import tables, all KnownDLLs, are loaded before this.
#include "system/programs/library_loading.h"

extern "C" int WinMainCRTStartup();

extern "C" int azProgramEntry() {
    restrictLibraryLoading();
    return WinMainCRTStartup();
}
