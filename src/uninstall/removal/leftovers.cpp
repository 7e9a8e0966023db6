#include "uninstall/removal/leftovers.h"

#include "base/text_buffer.h"
#include "system/files/side_files.h"

namespace {

// `path` up to and including its last "\"; empty when it has none.
void folderOfFile(const char* path, TextBuffer& folder) {
    folder.clear();
    int32_t end = 0;
    for (int32_t i = 0; path[i] != '\0'; ++i) {
        if (path[i] == '\\')
            end = i + 1;
    }
    folder.appendBytes(path, end);
}

}  // namespace

void clearLeftoversBeside(const PathList& files) {
    TextBuffer folder(260);
    TextBuffer previous(260);
    for (int32_t i = 0; i < files.count(); ++i) {
        folderOfFile(files.at(i), folder);
        if (folder.isEmpty() || previous.equalsIgnoreCase(folder.text))
            continue;
        previous.assign(folder);
        clearLeftovers(folder.text);
    }
}
