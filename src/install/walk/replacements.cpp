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
    lastFolderOffLinks = createFolderPathOffLinks(folder, &madeFolders, &heldFolders);
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
    int kept = 0;
    if (replacing) {
        TextBuffer keptPath(0);
        sideFilePath(target, SideFile::kOld, keptPath);
        kept = existing.moveAside(keptPath.text);
        // Kept already: this run replaced the file before, and the original
        // stays the one to give back. A file of that name that the run did
        // not keep is no original of ours.
        if (!kept && !keptBefore(target))
            return 0;
        // Noted at once: should anything fail from here on, the stop that
        // follows puts the original back.
        if (kept)
            noteChange(target, 1);
    }
    if (!file.moveInto(target, replacing && !kept))
        return 0;
    if (!replacing)
        noteChange(target, 0);
    return 1;
}

int Replacements::keptBefore(const char* target) const {
    for (const Change* change = latest; change != nullptr; change = change->next) {
        if (change->kept && change->target.equalsIgnoreCase(target))
            return 1;
    }
    return 0;
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
    removeMadeFolders();
}

void Replacements::removeMadeFolders() {
    // A sub-folder was noted after its parent: in the reverse order each
    // folder comes after every folder below it, and is let go just before it
    // is removed, while the folders above it stay held.
    MadeFolder* deepest = nullptr;
    TextBuffer name(260), value(8);
    if (madeFolders.beginIteration()) {
        while (madeFolders.nextEntry(name, value)) {
            MadeFolder* folder = createObject<MadeFolder>(name.text, deepest);
            if (folder != nullptr)
                deepest = folder;
        }
    }
    while (deepest != nullptr) {
        MadeFolder* folder = deepest;
        heldFolders.release(folder->path.text);
        removeEmptyFolder(folder->path.text);
        deepest = folder->next;
        destroyObject(folder);
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
