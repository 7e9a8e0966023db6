#include "install/walk/replacements.h"

#include "base/allocation.h"

#include "system/files/file_swap.h"
#include "system/files/side_files.h"
#include "system/folders/folders.h"

Replacements::~Replacements() {
    forget();
}

int Replacements::prepareFolder(const char* folder) {
    if (lastFolder.equalsIgnoreCase(folder))
        return lastFolderOffLinks;
    lastFolder.assign(folder);
    lastFolderMade = 0;
    lastFolderOffLinks = createFolderPathOffLinks(folder, &madeFolders);
    if (!lastFolderOffLinks)
        return 0;
    // A folder this run has made holds nothing of an earlier run.
    TextBuffer level(folder);
    while (level.length() > 0 && level.text[level.length() - 1] == '\\')
        level.text[level.length() - 1] = '\0';
    if (level.text != nullptr && madeFolders.find(level.text) != nullptr) {
        clearedFolders.set(folder, nullptr);
        lastFolderMade = 1;
    }
    if (clearedFolders.find(folder) == nullptr) {
        clearedFolders.set(folder, nullptr);
        clearLeftovers(folder);
    }
    return lastFolderOffLinks;
}

int Replacements::madeThisRun(const char* folder) const {
    return lastFolderMade && lastFolder.equalsIgnoreCase(folder);
}

int Replacements::putInPlace(NewFile& file, ExistingTarget& existing, const char* target) {
    int replacing = existing.state() == TargetState::kWritable;
    TextBuffer keptPath(0);
    int kept = 0;
    if (replacing) {
        sideFilePath(target, SideFile::kOld, keptPath);
        kept = existing.moveAside(keptPath.text);
        // Kept already: this run replaced the file before, and the original
        // stays the one to give back.
        if (!kept && !sideFileExists(keptPath.text))
            return 0;
    }
    if (!file.moveInto(target, replacing && !kept)) {
        if (kept)
            moveOver(keptPath.text, target);
        return 0;
    }
    if (replacing && !kept)
        return 1;
    noteChange(target, kept);
    return 1;
}

void Replacements::noteAdded(const char* target) {
    noteChange(target, 0);
}

void Replacements::noteChange(const char* target, int kept) {
    // Through the foundation's allocator: the C++ runtime's own would bring
    // its exception machinery into the installer.
    Change* change = createObject<Change>(target, kept, latest);
    if (change != nullptr)
        latest = change;
}

void Replacements::putBack() {
    TextBuffer keptPath(0);
    for (Change* change = latest; change != nullptr; change = change->next) {
        if (change->kept) {
            sideFilePath(change->target.text, SideFile::kOld, keptPath);
            moveOver(keptPath.text, change->target.text);
        } else {
            removeSideFile(change->target.text);
        }
    }
    forget();
    // Deepest first: a sub-folder is always named after its parent, so
    // each pass removes one more level.
    for (int removed = 1; removed;) {
        removed = 0;
        TextBuffer name(260), value(8);
        if (!madeFolders.beginIteration())
            break;
        while (madeFolders.nextEntry(name, value))
            removed |= removeEmptyFolder(name.text);
    }
}

void Replacements::discardKept() {
    TextBuffer keptPath(0);
    for (Change* change = latest; change != nullptr; change = change->next) {
        if (change->kept) {
            sideFilePath(change->target.text, SideFile::kOld, keptPath);
            removeSideFile(keptPath.text);
        }
    }
    forget();
}

void Replacements::forget() {
    while (latest != nullptr) {
        Change* next = latest->next;
        destroyObject(latest);
        latest = next;
    }
}
