#include "install/walk/entry_name.h"

#include "base/windows_names.h"
#include "system/files/side_file_name.h"

int isSafeEntryName(const char* name) {
    return isPlainRelativePath(name, kSlashSeparates | kSystemRefusesCharacters) &&
                   !endsInSideFileName(name)
               ? 1
               : 0;
}
