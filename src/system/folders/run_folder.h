// The folder of one installation run inside the temporary folder: made new
// for the run under a name no other program can guess, closed to ordinary
// users when the run is elevated, held open so that no other run takes it
// for a leftover, and removed with all it holds when the run ends.
//
// Its name is "AZ" and 16 random hexadecimal digits; it holds only the
// payload copy TARCH.AZ and the entry index file (hexadecimal digits and
// ".AX"). A run that is killed, or a machine that loses power, leaves such a
// folder behind: every run removes those of earlier runs that no run holds
// any more (sweepAbandonedRunFolders), and nothing else.
#ifndef AZ_SYSTEM_RUN_FOLDER_H
#define AZ_SYSTEM_RUN_FOLDER_H

#include <windows.h>

#include "base/text_buffer.h"

extern const char kPayloadCopyName[];     // "TARCH.AZ"
extern const char kIndexFileExtension[];  // ".AX"

class RunFolder {
  public:
    // Removes the folders that earlier runs left in the temporary folder,
    // then makes this run's own. Not ready when the temporary folder is
    // unknown or no new folder can be made there.
    RunFolder();
    RunFolder(const RunFolder&) = delete;
    RunFolder& operator=(const RunFolder&) = delete;
    // Removes the folder and the files of ours still in it.
    ~RunFolder();

    int isReady() const { return hold_ != INVALID_HANDLE_VALUE; }
    // The folder's path ending in a backslash; empty when not ready.
    const TextBuffer& path() const { return path_; }

  private:
    TextBuffer path_;
    HANDLE hold_;
};

// 1 when `name` is a run folder's name: "AZ" and 16 hexadecimal digits.
int isRunFolderName(const char* name);
// 1 when `name` is the name of a file a run keeps in its folder.
int isRunFileName(const char* name);

// Deletes the run files in `folder` (ending in a backslash), then the folder.
// 0, and nothing deleted, when the folder is a link or holds anything but run
// files; 0 as well when a file or the folder itself cannot be deleted.
int removeRunFolder(const char* folder);

// Removes, from `temporaryFolder` (ending in a backslash), every run folder
// that is no link, holds only files with run file names, and whose files
// and folder can be deleted (a live run holds them against deletion).
void sweepAbandonedRunFolders(const char* temporaryFolder);

#endif
