// The version resource of a Windows program, read from the program's bytes
// (a PE image as stored on disk): no loader, no system library, so that a
// file can be judged before it is written or while it lies in a folder.
// Every offset and length read from the bytes is checked against them.
#ifndef AZ_BASE_PROGRAM_VERSION_H
#define AZ_BASE_PROGRAM_VERSION_H

#include <cstddef>
#include <cstdint>

struct ProgramVersion {
    uint64_t fileVersion = 0;    // the fixed file info's FileVersion, major word first
    char internalName[64] = {};  // from the first string table, ASCII ('?' for others);
    char productName[64] = {};   // empty when absent or longer than the room
    char originalName[64] = {};  // OriginalFilename
};

// 1 with `version` filled when `bytes` hold an executable (not a DLL) PE
// image for x86 or x86-64 carrying a version resource with its fixed file
// info; 0 otherwise.
int readProgramVersion(const unsigned char* bytes, size_t size, ProgramVersion& version);

#endif
