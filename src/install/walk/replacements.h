// What this run changed in the install folders, so that a stopped run can
// give the product back as it was. Every file is written beside its target
// and renamed into place when complete; an original it replaces is kept
// aside, renamed on the same volume, until the run ends: the completed run
// deletes the kept originals, the stopped run renames them back, deletes the
// files it added and the folders it made that are left empty.
#ifndef AZ_INSTALL_REPLACEMENTS_H
#define AZ_INSTALL_REPLACEMENTS_H

#include "base/name_list.h"
#include "base/text_buffer.h"
#include "system/files/file_swap.h"
#include "system/folders/held_folders.h"

class Replacements {
  public:
    Replacements() : lastFolder(260) {}
    ~Replacements();
    Replacements(const Replacements&) = delete;
    Replacements& operator=(const Replacements&) = delete;

    // Before the first file goes into `folder` (ending in "\"): makes it and
    // its missing parents, never through a link, noting those this run made,
    // holds every level until the run ends (so that the files put back or
    // deleted by name later are the ones written), and clears what an
    // interrupted run left there. 0 when a level is a link or cannot be held
    // (nothing is made below it). A repeat of the previous folder costs one
    // comparison.
    int prepareFolder(const char* folder);

    // 1 when `folder` is the last one prepared and this run made it: no
    // earlier version, nor anything that someone else put there, can stand
    // in it (only this run may write in a folder it made). 0 when not known.
    int madeThisRun(const char* folder) const;

    // Puts the complete `file` in the place of `target`, keeping the
    // original that `existing` holds (when there is one) aside. 1 done; 0
    // leaves the target as it was.
    int putInPlace(NewFile& file, ExistingTarget& existing, const char* target);

    // Notes `target` as a file this run added in a folder it made.
    void noteAdded(const char* target);

    // The run has stopped: every original goes back, every added file goes,
    // then the folders this run made if they are left empty.
    void putBack();
    // The run is over: the kept originals are deleted (one still held
    // stays, for the next run or the uninstaller to clear).
    void discardKept();

  private:
    struct Change {
        Change(const char* path, int wasKept, Change* older)
            : target(path), kept(wasKept), next(older) {}
        TextBuffer target;
        int kept;  // 1: the original is aside; 0: the file is new
        Change* next;
    };
    struct MadeFolder {
        MadeFolder(const char* folder, MadeFolder* shallower) : path(folder), next(shallower) {}
        TextBuffer path;
        MadeFolder* next;
    };
    void forget();
    void noteChange(const char* target, int kept);
    void removeMadeFolders();
    int keptBefore(const char* target) const;

    Change* latest = nullptr;  // newest first: put back in reverse order
    TextBuffer lastFolder;
    int lastFolderOffLinks = 0;
    int lastFolderMade = 0;
    NameList clearedFolders;
    NameList madeFolders;  // parents before their sub-folders
    HeldFolders heldFolders;
};

#endif
