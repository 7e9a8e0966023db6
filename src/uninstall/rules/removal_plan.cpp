#include "uninstall/rules/removal_plan.h"

#include <cstring>

#include "uninstall/rules/path_rules.h"

namespace {

int32_t depthOf(const char* path) {
    int32_t depth = 0;
    for (const char* p = path; *p; ++p)
        depth += *p == '\\';
    return depth;
}

int deepestFirst(const char* a, const char* b) {
    int32_t depthA = depthOf(a);
    int32_t depthB = depthOf(b);
    if (depthA != depthB)
        return depthA > depthB ? -1 : 1;
    return compareFolded(a, b);
}

bool appendText(ByteBuffer& out, const char* text) {
    return out.append(text, static_cast<uint32_t>(std::strlen(text))) != 0;
}

bool appendLine(ByteBuffer& out, const char* key, const char* value) {
    return appendText(out, key) && appendText(out, "=") && appendText(out, value) &&
           appendText(out, "\r\n");
}

}  // namespace

int32_t planRemoval(const UninstallProfile& profile, const MachineFacts& facts, RemovalPlan& plan) {
    for (int32_t i = 0; i < profile.dirs.count(); ++i) {
        if (!isAdmissibleFolder(profile.dirs.at(i), facts)) {
            ++plan.keptItems;
        } else if (!plan.folders.add(profile.dirs.at(i))) {
            return 0;
        }
    }
    plan.folders.seal();
    for (int32_t i = 0; i < profile.files.count(); ++i) {
        const char* path = profile.files.at(i);
        if (!isRemovableFile(path, plan.folders, facts)) {
            ++plan.keptItems;
        } else if (!plan.files.add(path)) {
            return 0;
        }
    }
    for (int32_t i = 0; i < profile.keys.count(); ++i) {
        const char* key = profile.keys.at(i);
        if (!isRemovableKey(key)) {
            ++plan.keptItems;
        } else if (!plan.keys.add(key)) {
            return 0;
        }
    }
    return 1;
}

int32_t foldersToRemove(const PathList& removed, const FolderSet& folders, PathList& out) {
    int32_t previousParent = -1;
    const char* previous = nullptr;
    for (int32_t i = 0; i < removed.count(); ++i) {
        const char* path = removed.at(i);
        int32_t stop = admittingFolderLength(path, folders);
        if (stop == 0)
            continue;
        int32_t end = static_cast<int32_t>(std::strrchr(path, '\\') - path);
        // Files of one folder usually follow each other: their folders are
        // added once.
        if (previous != nullptr && end == previousParent &&
            std::strncmp(path, previous, size_t(end)) == 0)
            continue;
        previous = path;
        previousParent = end;
        while (end >= stop) {
            if (!out.add(path, end))
                return 0;
            while (end > 0 && path[--end] != '\\') {
            }
        }
    }
    out.sortUnique(deepestFirst);
    return 1;
}

int32_t writeRemainingProfile(const PathList& files, const PathList& keys, const FolderSet& folders,
                              ByteBuffer& out) {
    if (!appendText(out, "[FILES]\r\n"))
        return 0;
    for (int32_t i = 0; i < files.count(); ++i) {
        if (!appendLine(out, files.at(i), "1"))
            return 0;
    }
    if (!appendText(out, "[HKLM]\r\n"))
        return 0;
    for (int32_t i = 0; i < keys.count(); ++i) {
        if (!appendLine(out, keys.at(i), ""))
            return 0;
    }
    if (!appendText(out, "[DIRS]\r\n"))
        return 0;
    for (int32_t i = 0; i < folders.count(); ++i) {
        if (!appendLine(out, folders.at(i), "1"))
            return 0;
    }
    return 1;
}
