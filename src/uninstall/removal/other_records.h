// The records of the other products installed in the same folder as the
// one being removed (record_names.h): what they list stays.
#ifndef AZ_UNINSTALL_OTHER_RECORDS_H
#define AZ_UNINSTALL_OTHER_RECORDS_H

#include <cstdint>

#include "uninstall/rules/path_list.h"

// Drops from `files` every path that another record beside `profilePath`
// lists in its FILES section: such a file goes with the last product that
// installed it. A record that cannot be read keeps nothing. 1, or 0 when
// memory ran out (then nothing may be removed).
int32_t leaveFilesOfOtherRecords(const char* profilePath, PathList& files);

#endif
