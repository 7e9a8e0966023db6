// Shortcut names come from the payload: they must name a file inside the
// shell folder they are saved in.
#ifndef AZ_SYSTEM_LINK_NAME_H
#define AZ_SYSTEM_LINK_NAME_H

// false for null, a name holding ":" (a drive or a stream) or a control
// character, one starting with "\" or "/", and one with a ".." component
// (either separator; dots and blanks only, as Windows trims them).
bool isPlainLinkName(const char* linkName);

#endif
