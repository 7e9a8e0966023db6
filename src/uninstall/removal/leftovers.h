// What an interrupted installation left beside the files it installed: its
// partial files and the originals it kept aside (system/files/side_files.h).
#ifndef AZ_UNINSTALL_LEFTOVERS_H
#define AZ_UNINSTALL_LEFTOVERS_H

#include "uninstall/rules/path_list.h"

// Clears the leftovers of installers no longer running in the folder of
// each listed file (those files have passed the safety rules). Run before
// the files are removed: a kept original whose target is missing goes back
// to its place, and from there the way of the listed file it is.
void clearLeftoversBeside(const PathList& files);

#endif
