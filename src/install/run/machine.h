// The few services of the machine that the run asks for by name. Texts that
// the system returns are cut at the length it reports, never trusted to
// carry their own terminator.
#ifndef AZ_INSTALL_MACHINE_H
#define AZ_INSTALL_MACHINE_H

#include <windows.h>

#include <cstdint>

#include "base/name_list.h"
#include "base/text_buffer.h"

// 1 with the full path of `instance`'s executable; 0 when the system gives
// none or the path does not fit in 260 characters.
int readModulePath(HINSTANCE instance, TextBuffer& path);

// The Windows folder ending in a backslash; the empty text when unknown.
void readWindowsFolder(TextBuffer& folder);

void setWindowTitle(HWND window, const char* title);

// Moves the file `from` over `to` (replacing it) on the same volume. 1 when
// done; 0 leaves both as they were (a read-only or held `to`, say).
int replaceFile(const char* from, const char* to);

// Lets the thread's pending messages through (paint, a caller waiting on
// the window, a close request the window refuses), so that the window never
// looks hung while the run works on its thread. Called between entries and
// between the pieces of a streamed one; does nothing if called again within
// a few hundredths of a second.
void letMessagesThrough();

// A skipped entry: the plain system beep, never naming the entry.
void beep();

// Blocks until the user has closed the message naming `path`.
void showWriteFailure(HWND owner, const char* path);

// Starts `path` with the verb "open"; neither waits nor reports.
void startProgram(const char* path);

// Asks the running companion program (its top-level window of class
// "WENAPP") to close, waits until it has handled that, then pauses 500 ms.
// Nothing happens when no such window exists.
void closeCompanionWindow();

// The values of an Uninstall entry; an empty or null text leaves its value
// out (DisplayName and UninstallString are always written).
struct UninstallEntry {
    const char* keyPath = nullptr;
    const char* displayName = nullptr;
    const char* command = nullptr;
    const char* quietCommand = nullptr;
    const char* installLocation = nullptr;
    const char* displayIcon = nullptr;
    uint32_t estimatedKiB = 0;
};

// Creates or opens HKEY_LOCAL_MACHINE\`keyPath` and sets "DisplayName" and
// "UninstallString" (REG_SZ, stored with their terminating zero), then what
// the list of installed programs reads: "QuietUninstallString",
// "InstallLocation", "DisplayIcon" (when given), "EstimatedSize" (REG_DWORD,
// KiB), "NoModify" and "NoRepair" (REG_DWORD 1). 1 when the key could be
// created or opened.
int writeUninstallKey(const UninstallEntry& entry);

// The KiB (rounded up) of the files listed that exist now.
uint32_t measureFilesKiB(NameList& files);

#endif
