#include "uninstall/rules/path_rules.h"

#include <cstring>

#include "base/matching.h"
#include "base/windows_names.h"
#include "uninstall/rules/record_names.h"

namespace {

const char kUninstallPrefix[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

int32_t lengthOf(const char* text) {
    return text ? static_cast<int32_t>(std::strlen(text)) : 0;
}

// Length without trailing backslashes, but keeping "X:\" whole.
int32_t trimmedLength(const char* text) {
    int32_t length = lengthOf(text);
    while (length > 0 && text[length - 1] == '\\')
        --length;
    return length;
}

bool equalFolded(const char* a, const char* b, int32_t length) {
    for (int32_t i = 0; i < length; ++i) {
        if (foldCase(a[i]) != foldCase(b[i]))
            return false;
    }
    return true;
}

// Where the components start: after "X:\" or "\\server\share\"; -1 when the
// path is not full. `root` tells whether nothing follows the root.
int32_t componentsStart(const char* path, int32_t length) {
    if (length >= 3 && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
        path[1] == ':' && path[2] == '\\')
        return 3;
    if (length >= 5 && path[0] == '\\' && path[1] == '\\') {
        // server and share must both be plain components.
        int32_t at = 2;
        for (int part = 0; part < 2; ++part) {
            int32_t begin = at;
            while (at < length && path[at] != '\\')
                ++at;
            if (componentFault(path + begin, path + at) != kNameFine)
                return -1;
            if (part == 0) {
                if (at == length)
                    return -1;
                ++at;
            }
        }
        return at == length ? length : at + 1;
    }
    return -1;
}

bool isRoot(const char* path) {
    int32_t length = lengthOf(path);
    int32_t start = componentsStart(path, length);
    return start >= 0 && start >= length;
}

bool holdsFact(const char* folder, const char* fact) {
    return trimmedLength(fact) > 0 && (isSameFolder(folder, fact) || isInside(fact, folder));
}

}  // namespace

int32_t isSameFolder(const char* a, const char* b) {
    int32_t length = trimmedLength(a);
    return length > 0 && length == trimmedLength(b) && equalFolded(a, b, length);
}

int32_t isInside(const char* path, const char* folder) {
    int32_t folderLength = trimmedLength(folder);
    int32_t pathLength = lengthOf(path);
    if (folderLength == 0 || pathLength <= folderLength + 1)
        return 0;
    return path[folderLength] == '\\' && equalFolded(path, folder, folderLength) ? 1 : 0;
}

int32_t isPlainFullPath(const char* path) {
    int32_t length = lengthOf(path);
    if (length == 0 || length > kMaxRulePath)
        return 0;
    int32_t start = componentsStart(path, length);
    if (start < 0)
        return 0;
    if (start >= length)
        return 1;
    return findNameFault(path + start, length - start, 0).kind == kNameFine ? 1 : 0;
}

int32_t isAdmissibleFolder(const char* folder, const MachineFacts& facts) {
    if (!isPlainFullPath(folder) || isRoot(folder))
        return 0;
    const char* windows = facts.windowsFolder;
    if (trimmedLength(windows) > 0 && (isSameFolder(folder, windows) || isInside(folder, windows)))
        return 0;
    // Removing a folder that holds one of these would remove their content.
    const char* const held[] = {windows,         facts.programFiles, facts.programFilesOther,
                                facts.desktop,   facts.favorites,    facts.startMenu,
                                facts.programs,  facts.userProfile,  facts.appData,
                                facts.tempFolder};
    for (const char* fact : held) {
        if (holdsFact(folder, fact))
            return 0;
    }
    const PathList* others = facts.protectedFolders;
    for (int32_t i = 0; others != nullptr && i < others->count(); ++i) {
        if (holdsFact(folder, others->at(i)))
            return 0;
    }
    return 1;
}

int32_t admittingFolderLength(const char* path, const FolderSet& folders) {
    if (!isPlainFullPath(path) || isRoot(path))
        return 0;
    int32_t length = lengthOf(path);
    for (int32_t i = 0; i < length; ++i) {
        if (path[i] == '\\' && i > 0 && folders.contains(path, i))
            return i;
    }
    return 0;
}

int32_t isRemovableFile(const char* path, const FolderSet& folders, const MachineFacts& facts) {
    if (!isPlainFullPath(path) || isRoot(path))
        return 0;
    if (admittingFolderLength(path, folders) > 0)
        return 1;
    int32_t length = lengthOf(path);
    if (length < 5 || !equalFolded(path + length - 4, ".LNK", 4))
        return 0;
    const char* name = std::strrchr(path, '\\');
    const int32_t folderLength = static_cast<int32_t>(name - path);
    const char* const shellFolders[] = {facts.desktop, facts.favorites, facts.startMenu,
                                        facts.programs};
    for (const char* shell : shellFolders) {
        int32_t shellLength = trimmedLength(shell);
        if (shellLength > 0 && shellLength == folderLength && equalFolded(path, shell, shellLength))
            return 1;
    }
    return 0;
}

int32_t isRemovableKey(const char* key) {
    const int32_t prefixLength = static_cast<int32_t>(sizeof kUninstallPrefix - 1);
    int32_t length = lengthOf(key);
    if (length <= prefixLength || length > kMaxRulePath ||
        !equalFolded(key, kUninstallPrefix, prefixLength))
        return 0;
    const char* name = key + prefixLength;
    for (const char* p = name; *p; ++p) {
        if (*p == '\\' || static_cast<unsigned char>(*p) < 0x20)
            return 0;
    }
    // "." and ".." are no product names, and blanks alone name nothing.
    return isDotsAndBlanks(name, key + length) ? 0 : 1;
}

int32_t isProfilePath(const char* path) {
    if (!isPlainFullPath(path) || isRoot(path))
        return 0;
    return isRecordName(std::strrchr(path, '\\') + 1);
}

const char* productNameOf(const char* key) {
    const char* last = key ? std::strrchr(key, '\\') : nullptr;
    return last ? last + 1 : (key ? key : "");
}
