// Reading an uninstall profile: the keys of its sections FILES, HKLM and
// DIRS, from the file's bytes as they are. The file may be damaged, edited
// or planted: any bytes, any size, lines ending in CR, LF or both, section
// names in any case, sections repeated (their keys are taken together).
// A key is the text of a line before its first "=", blanks and tabs trimmed;
// a line without "=" names nothing. A zero byte in a key becomes 0x01,
// which no rule admits. Judging the keys is left to the rules.
#ifndef AZ_UNINSTALL_PROFILE_READER_H
#define AZ_UNINSTALL_PROFILE_READER_H

#include <cstdint>

#include "uninstall/rules/path_list.h"

struct UninstallProfile {
    PathList files;
    PathList keys;
    PathList dirs;
};

// 1 when the bytes hold at least one of the three section headers; 0 for a
// file that is no uninstall profile (empty, or none of them) or when memory
// ran out, in which case nothing may be removed.
int32_t readUninstallProfile(const char* bytes, uint32_t size, UninstallProfile& profile);

#endif
