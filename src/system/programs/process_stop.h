// Stopping a running copy of a program before its file is replaced.
#ifndef AZ_SYSTEM_PROCESS_STOP_H
#define AZ_SYSTEM_PROCESS_STOP_H

#include "base/text_buffer.h"

// Full path of the program whose running copy is to be stopped (room for 260
// characters). Filled by the caller just before stopRunningProgram.
extern TextBuffer programToStop;

// Stops the first process whose executable path equals programToStop
// (ignoring case): asks it to close first (WM_CLOSE to its top-level
// windows) and gives it 5 seconds to end; terminates it only when it still
// runs then (or has no window), and then waits 3 seconds for the system to
// let its file go. `whileWaiting` (when given) runs every few hundredths of
// a second of the waits. Nothing happens, and there is no wait, when none
// matches or programToStop is empty.
// Uses the process status library when it is complete (and, for a process
// whose modules it cannot list, such as a 64-bit one seen from a 32-bit
// program, the process's image name), else the process
// snapshot (which names executables without their folder on some systems, so
// that nothing matches there).
void stopRunningProgram(void (*whileWaiting)() = nullptr);

// Loads "PSAPI.DLL" at run time and looks up EnumProcesses,
// EnumProcessModules and GetModuleFileNameExA. true when all three are there;
// otherwise the library is not kept.
bool loadProcessStatusLibrary();
// Frees the library if it is loaded.
void unloadProcessStatusLibrary();

#endif
