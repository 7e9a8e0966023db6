// Folder creation for the installation's targets: each level checked before
// anything is made below it, so that a link or junction planted in a folder
// ordinary users can write never carries a write elsewhere.
#include <string.h>
#include <windows.h>

#include "base/name_list.h"
#include "system/files/link_check.h"
#include "system/folders/folder_path.h"
#include "system/folders/folder_protection.h"
#include "system/folders/folders.h"
#include "system/folders/held_folders.h"
#include "system/folders/win32_folder_lookups.h"
#include "system/shell/registry.h"

namespace {

const char kCurrentVersionKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

// `path` lies in the folder `folder` names (text, ignoring case).
bool liesIn(const char* path, const TextBuffer& folder) {
    int32_t length = folder.length();
    while (length > 0 && folder.text[length - 1] == '\\')
        --length;
    if (length == 0 || _strnicmp(path, folder.text, static_cast<size_t>(length)) != 0)
        return false;
    return path[length] == '\\' || path[length] == '\0';
}

// Read once per process, in both views: a 32-bit run on 64-bit Windows may
// still write below the 64-bit folder.
class ProgramFilesFolders {
  public:
    ProgramFilesFolders() : native_(1024), other_(1024) {
        readRegistryText(HKEY_LOCAL_MACHINE, kCurrentVersionKey, "ProgramFilesDir",
                         KEY_READ | KEY_WOW64_64KEY, 1024, native_);
        readRegistryText(HKEY_LOCAL_MACHINE, kCurrentVersionKey, "ProgramFilesDir",
                         KEY_READ | KEY_WOW64_32KEY, 1024, other_);
    }
    bool hold(const char* path) const { return liesIn(path, native_) || liesIn(path, other_); }

  private:
    TextBuffer native_;
    TextBuffer other_;
};

class OffLinkFolders : public Win32FolderLookups {
  public:
    OffLinkFolders(FolderProtection& protection, const ProgramFilesFolders& programFiles,
                   NameList* made, HeldFolders* held)
        : protection_(protection), programFiles_(programFiles), made_(made), held_(held) {}

    void createFolder(const char* path) override {
        if (refused)
            return;
        DWORD attributes = GetFileAttributesA(path);
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            bool protect = !programFiles_.hold(path);
            if (protect && protection_.failed()) {
                refused = true;
                return;
            }
            // Only a folder this call made counts as new: one that someone
            // else made in between is theirs.
            if (CreateDirectoryA(path, protect ? protection_.attributes() : nullptr) &&
                made_ != nullptr)
                made_->set(path, nullptr);
            attributes = GetFileAttributesA(path);
        }
        // A level that cannot be made shows when the file cannot be written.
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return;
        // Held from here on, a level stays the one checked (the hold checks
        // it); one that cannot be held could still be swapped.
        if (held_ != nullptr)
            refused = !held_->hold(path);
        else
            refused = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) && isLink(path);
    }
    bool refused = false;

  private:
    FolderProtection& protection_;
    const ProgramFilesFolders& programFiles_;
    NameList* made_;
    HeldFolders* held_;
};

}  // namespace

int createFolderPathOffLinks(const char* path, NameList* made, HeldFolders* held) {
    // Made on first use, released at exit: the access rules and the
    // program-files folders are read once, the rest remembers the last folder.
    static FolderPathMaker maker;
    static FolderProtection protection(FolderAccess::kProgramFiles);
    static ProgramFilesFolders programFiles;
    static int lastAnswer = 0;
    static TextBuffer lastPath(260);
    if (path == nullptr)
        return 0;
    if (lastPath.equalsIgnoreCase(path))
        return lastAnswer;
    OffLinkFolders lookups(protection, programFiles, made, held);
    maker.create(lookups, path);
    lastPath.assign(path);
    lastAnswer = lookups.refused ? 0 : 1;
    return lastAnswer;
}
