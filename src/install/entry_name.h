// Entry names come from the payload, which a user may have downloaded from
// anywhere: a name is joined to the folder that placement chose, so it must
// not be able to name a place outside that folder, nor a device.
#ifndef AZ_INSTALL_ENTRY_NAME_H
#define AZ_INSTALL_ENTRY_NAME_H

// 1 when `name` stays inside the folder it is joined to; 0 for nullptr, the
// empty name, a name that starts or ends with "\" or "/", holds a ":" (drive
// or stream), has a component of dots and blanks with two dots or more
// (Windows drops trailing dots and blanks, so ".. " climbs like "..") or a
// component that Windows takes for a device ("CON", "nul.txt", "LPT1"), or
// whose file name is that of a side file (side_file_name.h), which a later
// run would clear away as a leftover.
int isSafeEntryName(const char* name);

#endif
