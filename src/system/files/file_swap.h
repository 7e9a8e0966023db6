// Putting a new file in the place of a target through the handles the run
// holds: the new file is written beside the target and renamed into place
// by the handle it was written with, the original renamed aside by the
// handle it was checked with. Nothing is reached by name twice, so no one
// can put another file under either name in between, and each step costs
// one request to the file system.
#ifndef AZ_SYSTEM_FILE_SWAP_H
#define AZ_SYSTEM_FILE_SWAP_H

#include <cstddef>

#include "base/text_buffer.h"

enum class TargetState {
    kMissing,   // no file there yet
    kWritable,  // a file that could be written in place
    kRefused,   // read-only, held by another program, a folder: not ours to replace
};

// The file at a target's path, opened as a write in place would open it: a
// file that could not be overwritten is never replaced either.
class ExistingTarget {
  public:
    explicit ExistingTarget(const char* path);
    ~ExistingTarget();
    ExistingTarget(const ExistingTarget&) = delete;
    ExistingTarget& operator=(const ExistingTarget&) = delete;

    TargetState state() const { return state_; }
    // Renames the original to `keptPath` (which must not exist). 1 done.
    int moveAside(const char* keptPath);

  private:
    void* handle_;
    TargetState state_;
    TextBuffer path_;
};

// A file created new at `path` (never opened if something is there), open
// for this run alone until it is put in place. Deleted by the destructor
// unless moved.
class NewFile {
  public:
    explicit NewFile(const char* path);
    ~NewFile();
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    bool isOpen() const { return handle_ != nullptr; }
    // Appends all `length` bytes. 1 when all were written.
    int write(const unsigned char* bytes, size_t length);
    // Leaves the complete file where it was created: it is the target.
    void keep() { moved_ = true; }
    // Renames the complete file to `target`, replacing a file there when
    // `replace`. 1 done; 0 leaves the file where it was (still deleted on
    // destruction) and `target` untouched.
    int moveInto(const char* target, int replace);

  private:
    void* handle_;
    TextBuffer path_;
    bool moved_ = false;
};

#endif
