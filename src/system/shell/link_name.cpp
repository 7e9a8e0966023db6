#include "system/shell/link_name.h"

#include "base/windows_names.h"

bool isPlainLinkName(const char* linkName) {
    return isPlainRelativePath(linkName, kSlashSeparates | kSuffixFollows) != 0;
}
