// Links and junctions in paths the installer writes through.
#ifndef AZ_SYSTEM_LINK_CHECK_H
#define AZ_SYSTEM_LINK_CHECK_H

// 1 when what stands at `path` is a link, a junction or a mount point (a
// reparse point that names another place, or one whose kind the system does
// not tell); 0 when nothing stands there, or a plain file or folder (a
// cloud placeholder, say, which stays where it is).
int isLink(const char* path);

// 1 when `path` itself, or a folder on the way to it (below its drive or
// share), is a link in the sense of isLink.
int passesThroughLink(const char* path);

#endif
