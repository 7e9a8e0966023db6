// The names of the uninstall records of one install folder. The first
// product installed there keeps TAVUUNINSTALL.INI, as every installation
// always did; another product that shares the folder records itself in
// TAVUUNINSTALL-2.INI, TAVUUNINSTALL-3.INI ... so that no product's record
// is ever taken over by another. Installer and uninstaller read the names
// here alone.
#ifndef AZ_UNINSTALL_RECORD_NAMES_H
#define AZ_UNINSTALL_RECORD_NAMES_H

#include <cstdint>

#include "base/text_buffer.h"

// Numbers 1 to kMaxRecordNumber; 1 is TAVUUNINSTALL.INI.
const int32_t kMaxRecordNumber = 99;

// Appends the file name of record `number` (1 to kMaxRecordNumber) to `out`.
void appendRecordName(TextBuffer& out, int32_t number);

// 1 when `name` (a file name, no folder) is one of those names, in any
// letter case: "TAVUUNINSTALL.INI" or "TAVUUNINSTALL-N.INI", N from 2 to
// kMaxRecordNumber written without leading zero.
int32_t isRecordName(const char* name);

#endif
