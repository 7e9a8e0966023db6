// Well-known folders of the target machine and the install folder template.
//
// Template forms, tried in this order:
//   $Key\Path\Value$rest   a value under HKEY_CURRENT_USER, then rest
//   %name%rest             a folder macro (tempdir, windir, programfiles or
//                          a shell-folder value name), then rest
//   anything else          taken as it is
// An empty template means %desktop%; a macro that ends the template gets
// "\" and the default leaf appended. A leaf that names no folder of its own
// (empty, only dots or blanks, or ending in a dot or blank, all of which
// Windows cuts off: "...", "Carnet "; or a device name such as "CON") is
// marked unusable: the folder would be the macro's folder itself, its
// parent, another folder or a device.
#ifndef AZ_SYSTEM_FOLDERS_H
#define AZ_SYSTEM_FOLDERS_H

#include "base/text_buffer.h"

class HeldFolders;
class NameList;

struct ExpandedFolder {
    TextBuffer path;    // the folder the template stands for
    TextBuffer tail;    // what followed a macro's closing %; empty otherwise
    bool unusableLeaf;  // the default leaf was appended and names no folder

    ExpandedFolder() : path(260), tail(260), unusableLeaf(false) {}
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

// The same for the folders the installation writes into, never through a
// link: 1 when no level of `path` below its root is a link or junction (the
// missing ones made here; one that cannot be made shows when the file
// cannot be written); 0 as soon as a level is one: nothing is made below it. When the run is
// elevated, a folder made outside the program-files folder gets the
// program-files folder's protection (folder_protection.h). The levels this
// call made (no trailing "\", parents first) are added to `made` when it is
// not null. With `held`, every level is held there (held_folders.h), and one
// that cannot be held counts as a link. A repeat of the previous path gives
// the previous answer.
int createFolderPathOffLinks(const char* path, NameList* made, HeldFolders* held);
// true when `path` names a folder (a trailing "\" is allowed).
bool folderExists(const char* path);
// Removes the folder when it is empty and not a link: 1 when removed.
int removeEmptyFolder(const char* path);

#endif
