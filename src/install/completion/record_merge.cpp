#include "install/completion/record_merge.h"

#include <cstring>

#include "base/byte_buffer.h"
#include "base/matching.h"
#include "system/files/plain_file.h"
#include "system/folders/folders.h"
#include "system/shell/shortcut.h"
#include "uninstall/rules/path_rules.h"
#include "uninstall/rules/profile_reader.h"
#include "uninstall/rules/record_names.h"

namespace {

// A record this large was not written by an installation.
const uint32_t kMaxRecordBytes = 16u << 20;

bool readRecord(const char* path, UninstallProfile& record) {
    ByteBuffer bytes(0, 0);
    return readPlainFile(path, kMaxRecordBytes, bytes) &&
           readUninstallProfile(reinterpret_cast<const char*>(bytes.data), bytes.length, record);
}

bool lists(const PathList& lines, const char* text) {
    for (int32_t i = 0; i < lines.count(); ++i) {
        if (equalsIgnoreCase(lines.at(i), text))
            return true;
    }
    return false;
}

void recordPath(const RunState& run, int32_t number, TextBuffer& path) {
    path.clear();
    path.append(run.installDir).appendChar('\\');
    appendRecordName(path, number);
}

bool isShortcutName(const char* path) {
    size_t length = std::strlen(path);
    return length > 4 && equalsIgnoreCase(path + length - 4, ".LNK");
}

// The folders a shortcut of the product may lie in, read once.
class ShortcutFolders {
  public:
    ShortcutFolders() {
        const char* const names[kCount] = {"Start Menu", "Programs", "Desktop", "Favorites"};
        for (int i = 0; i < kCount; ++i)
            readShellFolder(names[i], folders_[i]);
    }

    // true for a shortcut directly in one of them.
    bool holds(const char* path) const {
        for (int i = 0; i < kCount; ++i) {
            if (isDirectlyIn(path, folders_[i]))
                return true;
        }
        return false;
    }

    // true for a shortcut at the root of the Start Menu folder, where Start
    // does not list it.
    bool holdsAtStartMenuRoot(const char* path) const {
        return isDirectlyIn(path, folders_[kStartMenu]) && !isDirectlyIn(path, folders_[kPrograms]);
    }

  private:
    enum { kStartMenu, kPrograms, kCount = 4 };

    static bool isDirectlyIn(const char* path, const TextBuffer& folder) {
        if (folder.isEmpty() || !isShortcutName(path) || !isInside(path, folder.text))
            return false;
        TextBuffer parent(path);
        char* name = parent.text ? std::strrchr(parent.text, '\\') : nullptr;
        if (name == nullptr)
            return false;
        *name = '\0';
        return isSameFolder(parent.text, folder.text) != 0;
    }

    TextBuffer folders_[kCount] = {TextBuffer(260), TextBuffer(260), TextBuffer(260),
                                   TextBuffer(260)};
};

// A shortcut at the Start Menu root that starts this product's main program
// or a program of its install folder.
bool isOwnRootShortcut(const RunState& run, const ShortcutFolders& folders, const char* path) {
    TextBuffer target(260);
    return folders.holdsAtStartMenuRoot(path) && readShortcutTarget(path, target) &&
           (isInside(target.text, run.installDir.text) ||
            equalsIgnoreCase(target.text, run.mainProgramPath.text));
}

}  // namespace

bool findOwnRecord(const RunState& run, const char* uninstallKeyPath, TextBuffer& profilePath) {
    int32_t sameProgram = 0;
    int32_t firstFree = 0;
    for (int32_t number = 1; number <= kMaxRecordNumber; ++number) {
        recordPath(run, number, profilePath);
        UninstallProfile record;
        if (!isPlainFile(profilePath.text)) {
            if (firstFree == 0)
                firstFree = number;
            continue;
        }
        if (!readRecord(profilePath.text, record))
            continue;
        bool ownKey = uninstallKeyPath[0] != '\0' ? lists(record.keys, uninstallKeyPath)
                                                  : record.keys.count() == 0;
        if (ownKey)
            return true;
        if (sameProgram == 0 && !run.mainProgramPath.isEmpty() &&
            lists(record.files, run.mainProgramPath.text))
            sameProgram = number;
    }
    int32_t chosen = sameProgram != 0 ? sameProgram : firstFree;
    if (chosen == 0)
        return false;
    recordPath(run, chosen, profilePath);
    return true;
}

void mergeEarlierRecord(RunState& run, const char* profilePath) {
    UninstallProfile earlier;
    if (!readRecord(profilePath, earlier))
        return;
    ShortcutFolders folders;
    for (int32_t i = 0; i < earlier.files.count(); ++i) {
        const char* path = earlier.files.at(i);
        // Only what the uninstaller could remove is carried on, and nothing
        // outside the product's places is even looked at.
        if (!isPlainFullPath(path) || run.installedFiles.find(path) != nullptr)
            continue;
        bool inFolder = isInside(path, run.installDir.text) != 0;
        if (!inFolder && !folders.holds(path))
            continue;
        if (!inFolder && isOwnRootShortcut(run, folders, path) && deletePlainFile(path))
            continue;
        if (isPlainFile(path))
            run.installedFiles.set(path, "1");
    }
}
