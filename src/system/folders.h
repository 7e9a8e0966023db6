// Well-known folders of the target machine and the install folder template.
//
// Template forms, tried in this order:
//   $Key\Path\Value$rest   a value under HKEY_CURRENT_USER, then rest
//   %name%rest             a folder macro (tempdir, windir, programfiles or
//                          a shell-folder value name), then rest
//   anything else          taken as it is
// An empty template means %desktop%; a macro that ends the template gets
// "\" and the default leaf appended.
#ifndef AZ_SYSTEM_FOLDERS_H
#define AZ_SYSTEM_FOLDERS_H

#include "base/text_buffer.h"

struct ExpandedFolder {
    TextBuffer path;  // the folder the template stands for
    TextBuffer tail;  // what followed a macro's closing %; empty otherwise

    ExpandedFolder() : path(260), tail(260) {}
};

// Never fails: a lookup that finds nothing leaves its part empty. Creates no
// folder, except the temporary folder for %tempdir%.
ExpandedFolder expandFolder(const char* folderTemplate, const char* defaultLeaf);

// Both empty `out`, then append the registry value as stored (a trailing
// backslash is kept). true when the value was read.
bool readProgramFilesFolder(TextBuffer& out);
bool readShellFolder(const char* valueName, TextBuffer& out);

// Creates the folder and every missing parent; failures are ignored (they
// show later, when a file cannot be opened there). A repeat of the previous
// path costs one comparison.
void createFolderPath(const char* path);

// true when `path` names a folder (a trailing "\" is allowed).
bool folderExists(const char* path);
// Removes the folder when it is empty and not a link: 1 when removed.
int removeEmptyFolder(const char* path);

#endif
