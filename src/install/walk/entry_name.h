// Entry names come from the payload, which a user may have downloaded from
// anywhere: a name is joined to the folder that placement chose, so it must
// not be able to name a place outside that folder, nor a device.
#ifndef AZ_INSTALL_ENTRY_NAME_H
#define AZ_INSTALL_ENTRY_NAME_H

// 1 when `name` is a relative path without fault (base/windows_names.h:
// no root, drive, stream, empty, "." or ".." component, device name or name
// Windows would store otherwise), "\" and "/" separating, and its file name
// is not that of a side file (side_file_name.h), which a later run would
// clear away as a leftover. 0 otherwise and for nullptr. Characters Windows
// refuses to open (wildcards, control characters) pass: the write fails.
int isSafeEntryName(const char* name);

#endif
