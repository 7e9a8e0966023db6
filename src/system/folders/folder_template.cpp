#include "system/folders/folder_template.h"

#include <cstdint>
#include <cstring>

#include "base/text_splitter.h"
#include "base/windows_names.h"

namespace {

// Folders read from the system are offered this much room.
const int32_t kFolderRoom = 292;

void dropTrailingBackslash(TextBuffer& folder) {
    int32_t length = folder.length();
    if (length > 0 && folder.text[length - 1] == '\\')
        folder.text[length - 1] = '\0';
}

// $Key\Path\Value$rest. The closing $ is looked for from the third character
// on, so a reference that opens at index 0 names at least one character, and
// one that opens later than index 1 never closes.
bool expandRegistryReference(FolderLookups& lookups, const TextBuffer& work, TextBuffer& path) {
    int32_t open = work.find("$", 0, 0);
    if (open < 0)
        return false;
    int32_t close = work.find("$", 2, 0);
    if (close < 0 || close == open)
        return false;

    TextBuffer keyPath(close - open);
    int32_t lastBackslash = -1;
    for (int32_t i = open + 1; i < close; ++i) {
        if (work.text[i] == '\\')
            lastBackslash = i;
    }
    if (lastBackslash < 0)
        return false;
    keyPath.appendBytes(work.text + open + 1, lastBackslash - open - 1);
    TextBuffer valueName(close - lastBackslash);
    valueName.appendBytes(work.text + lastBackslash + 1, close - lastBackslash - 1);

    TextBuffer value(kFolderRoom);
    if (!lookups.readUserValue(keyPath.text, valueName.text, value))
        return false;
    path.clear();
    path.append(value);
    path.append(work.text + close + 1);
    return true;
}

// Windows drops trailing dots and blanks from a path component, and opens
// a device name as the device.
bool namesAFolder(const char* leaf) {
    return leaf != nullptr && componentFault(leaf, leaf + std::strlen(leaf)) == kNameFine;
}

void resolveMacro(FolderLookups& lookups, const char* name, TextBuffer& folder) {
    TextBuffer macro(name);
    if (macro.equalsIgnoreCase("tempdir")) {
        if (lookups.readTempFolder(folder) && !folder.isEmpty()) {
            dropTrailingBackslash(folder);
            lookups.createFolder(folder.text);
        }
    } else if (macro.equalsIgnoreCase("windir")) {
        lookups.readWindowsFolder(folder);
        dropTrailingBackslash(folder);
    } else if (macro.equalsIgnoreCase("programfiles")) {
        lookups.readProgramFilesFolder(folder);
        dropTrailingBackslash(folder);
    } else if (!lookups.readShellFolder(macro.text ? macro.text : "", folder)) {
        lookups.readShellFolder("Desktop", folder);
    }
}

}  // namespace

ExpandedFolder expandFolderWith(FolderLookups& lookups, const char* folderTemplate,
                                const char* defaultLeaf) {
    ExpandedFolder result;
    TextBuffer work(folderTemplate);
    if (expandRegistryReference(lookups, work, result.path))
        return result;

    if (work.isEmpty())
        work.assign("%desktop%");
    int32_t second = work.findChar('%', 0, 0) < 0 ? -1 : work.findChar('%', 1, 0);
    if (second < 0) {
        result.path.append(work);
        return result;
    }
    if (work.text[second + 1] == '\0') {
        work.appendChar('\\');
        work.append(defaultLeaf);
        result.unusableLeaf = !namesAFolder(defaultLeaf);
    }

    if (work.text == nullptr)
        return result;

    // The name runs from the second character to the next %; text after a
    // third % is dropped.
    TextSplitter splitter(work.text + 1, "%");
    const char* token = splitter.next();
    TextBuffer name(token);
    token = splitter.next();
    if (token)
        result.tail.append(token);

    TextBuffer folder(kFolderRoom);
    resolveMacro(lookups, name.text, folder);
    result.path.append(folder);
    result.path.append(result.tail);
    return result;
}
