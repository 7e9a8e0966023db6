// Starting the installed program. The installer runs elevated; the program
// it starts should run with the rights of the user signed in at the desktop,
// as when the user starts it, not with the installer's administrator token.
#ifndef AZ_SYSTEM_LAUNCH_H
#define AZ_SYSTEM_LAUNCH_H

// Opens `path` (verb "open", shown normally, in the current folder). When
// this process is elevated, the desktop shell starts it, so that it gets the
// shell's token; when it is not elevated, or the shell cannot be reached,
// this process starts it.
void startAsSignedInUser(const char* path);

#endif
