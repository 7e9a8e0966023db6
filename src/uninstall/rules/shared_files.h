// Files that several products of one install folder installed: each
// product's record lists them, and they go only with the last record that
// lists them. A product's removal therefore leaves alone whatever another
// record of its folder still lists.
#ifndef AZ_UNINSTALL_SHARED_FILES_H
#define AZ_UNINSTALL_SHARED_FILES_H

#include <cstdint>

#include "uninstall/rules/path_list.h"

// Drops from `files` every path that `otherRecords` lists too (ASCII case
// folded); sorts `otherRecords` for the search. Returns how many were
// dropped.
int32_t leaveSharedFiles(PathList& files, PathList& otherRecords);

#endif
