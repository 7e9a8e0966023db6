// Shortcut names come from the payload: they must name a file inside the
// shell folder they are saved in.
#ifndef AZ_SYSTEM_LINK_NAME_H
#define AZ_SYSTEM_LINK_NAME_H

// true for a relative path without fault (base/windows_names.h), "\" and "/"
// both separating, whose last component may end in a dot or a blank since
// ".LNK" follows it; false for nullptr.
bool isPlainLinkName(const char* linkName);

#endif
