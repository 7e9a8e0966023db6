#include "system/folders/folder_path.h"

#include <cstdint>

#include "base/text_splitter.h"

namespace {

// Length of a "\\server\share\" prefix, or 0 when `path` holds no complete
// one (nothing can be created below a bare server or share then).
int32_t networkPrefixLength(const char* path) {
    int32_t separators = 0;
    for (int32_t i = 2; path[i] != '\0'; ++i) {
        if (path[i] == '\\' && ++separators == 2)
            return i + 1;
    }
    return 0;
}

}  // namespace

void FolderPathMaker::create(FolderLookups& lookups, const char* path) {
    if (path == nullptr || lastPath.equalsIgnoreCase(path))
        return;
    lastPath.assign(path);

    // The root part is never created: a drive ("D:"), the root of the current
    // drive ("\") or a network share ("\\server\share\") already exists or
    // cannot be made.
    TextBuffer prefix(260);
    const char* rest = path;
    bool rootGiven = false;
    if (path[0] == '\\' && path[1] == '\\') {
        int32_t length = networkPrefixLength(path);
        if (length == 0)
            return;
        for (int32_t i = 0; i < length; ++i)
            prefix.appendChar(path[i]);
        rest = path + length;
        rootGiven = true;
    } else if (path[0] == '\\') {
        prefix.appendChar('\\');
        rest = path + 1;
        rootGiven = true;
    }

    TextSplitter components(rest, "\\");
    bool first = !rootGiven;
    for (const char* component = components.next(); component; component = components.next()) {
        prefix.append(component);
        if (!first && prefix.text != nullptr)
            lookups.createFolder(prefix.text);
        first = false;
        prefix.appendChar('\\');
    }
}
