#include "uninstall/rules/shared_files.h"

#include "uninstall/rules/folder_set.h"

namespace {

bool isListed(const char* path, const void* context) {
    const PathList& sorted = *static_cast<const PathList*>(context);
    int32_t low = 0;
    int32_t high = sorted.count();
    while (low < high) {
        int32_t middle = low + (high - low) / 2;
        int order = compareFolded(sorted.at(middle), path);
        if (order == 0)
            return true;
        if (order < 0)
            low = middle + 1;
        else
            high = middle;
    }
    return false;
}

}  // namespace

int32_t leaveSharedFiles(PathList& files, PathList& otherRecords) {
    if (otherRecords.count() == 0)
        return 0;
    otherRecords.sortUnique(compareFolded);
    return files.removeWhere(isListed, &otherRecords);
}
