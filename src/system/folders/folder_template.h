// Install folder template expansion (see folders.h for the forms), with the
// machine reached only through FolderLookups.
#ifndef AZ_SYSTEM_FOLDER_TEMPLATE_H
#define AZ_SYSTEM_FOLDER_TEMPLATE_H

#include "system/folders/folder_lookups.h"
#include "system/folders/folders.h"

// A null template counts as empty, a null leaf as the empty text.
ExpandedFolder expandFolderWith(FolderLookups& lookups, const char* folderTemplate,
                                const char* defaultLeaf);

#endif
