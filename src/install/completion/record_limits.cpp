#include "install/completion/record_limits.h"

#include <cstring>

#include "install/completion/uninstall_command.h"
#include "install/walk/entry_name.h"
#include "install/walk/placement.h"
#include "payload/entry_index.h"

namespace {

int32_t lengthOf(const char* text) {
    return static_cast<int32_t>(std::strlen(text));
}

int entryPathFits(const RunState& run, const char* entryName, TextBuffer& target) {
    installFolderTarget(run, entryName, target);
    if (target.text == nullptr)
        return 0;
    const char* lastSeparator = std::strrchr(target.text, '\\');
    int32_t folderLength = static_cast<int32_t>(lastSeparator - target.text);
    return target.length() <= kMaxEntryPath && folderLength <= kMaxEntryFolder;
}

}  // namespace

int recordsFit(const RunState& run, int indexDescriptor) {
    int32_t installDir = run.installDir.length();
    if (installDir + 1 + lengthOf(kUninstallProfileName) > kMaxRecordedPath ||
        installDir > kMaxEntryFolder)
        return 0;
    int32_t productName = lengthOf(run.header.productName);
    if (productName > 0 && lengthOf(kUninstallKeyPrefix) + productName > kMaxRecordedPath)
        return 0;

    EntryIndex index(indexDescriptor);
    if (!index.isOpen())
        return 1;  // the walk reports that itself
    index.setDirection(0);
    TextBuffer entryName(260);
    TextBuffer target(520);
    int32_t value = 0;
    while (index.next(entryName, value) == 1) {
        if (isSafeEntryName(entryName.text) && goesToInstallFolder(entryName.text) &&
            !entryPathFits(run, entryName.text, target))
            return 0;
    }
    return 1;
}
