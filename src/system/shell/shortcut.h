// Shortcuts in the user's shell folders.
#ifndef AZ_SYSTEM_SHORTCUT_H
#define AZ_SYSTEM_SHORTCUT_H

#include "base/text_buffer.h"

// Saves "<shell folder>\<linkName>.LNK", the shell folder being the value
// `folderValueName` of the user's Shell Folders key as stored. The link gets
// `targetPath`, `linkName` as its description, and `arguments` and `iconPath`
// (icon 0) when they are given and not empty.
//
// `out` is emptied, then receives the shortcut's path once the save has been
// tried, whether or not it worked. It stays empty when no save was tried: no
// such shell folder, a link name that would leave the folder (see
// link_name.h), a path that does not fit 259 characters, no shell link
// object. true when the file was saved.
bool createShortcut(TextBuffer& out, const char* folderValueName, const char* targetPath,
                    const char* linkName, const char* iconPath, const char* arguments);

// Empties `out`, then gives it the target path stored in the shortcut file
// `shortcutPath` (a plain file, never read through a link): true when read.
bool readShortcutTarget(const char* shortcutPath, TextBuffer& out);

#endif
