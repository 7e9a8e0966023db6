// The state the installer keeps for the whole life of its process. One
// thread only touches it, so none of it is guarded. The program-to-stop path
// (system/programs/process_stop.h) belongs to the same family.
#ifndef AZ_APP_PROCESS_STATE_H
#define AZ_APP_PROCESS_STATE_H

#include <windows.h>

#include "base/text_buffer.h"

extern HINSTANCE instanceHandle;    // set by the entry before the window exists
extern HWND progressWindow;         // set right after the window's creation
extern TextBuffer commandLineText;  // the command line; the window's first title

#endif
