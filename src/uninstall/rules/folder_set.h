// FolderSet: the admissible folders of a profile, without trailing
// backslashes, sorted and unique ignoring ASCII case, so that the folders
// above a path are looked up one by one rather than compared with every
// folder listed (a planted profile may list a hundred thousand).
#ifndef AZ_UNINSTALL_FOLDER_SET_H
#define AZ_UNINSTALL_FOLDER_SET_H

#include <cstdint>

#include "uninstall/rules/path_list.h"

class FolderSet {
  public:
    // 1 added (or already there), 0 out of memory. Call seal() after the last.
    int32_t add(const char* folder);
    void seal();
    int32_t count() const { return folders_.count(); }
    const char* at(int32_t index) const { return folders_.at(index); }
    // 1 when the first `length` bytes of `text` name a folder of the set.
    int32_t contains(const char* text, int32_t length) const;

  private:
    PathList folders_;
};

// Orders texts as FolderSet keeps them: ASCII letters folded, then bytes.
int compareFolded(const char* a, const char* b);

#endif
