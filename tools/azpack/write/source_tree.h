// The files of a source folder, named as entries: paths relative to the
// folder, folder names joined with backslashes, in Windows-1252, sorted in
// plain byte order.
//
// Folders contribute only their files; an empty folder stores nothing, since
// the payload has no folder entries. A symbolic link to a file is stored as a
// file with the link's name and the target's contents, but only when the
// target lies inside the source folder; a link to a folder, a link that leads
// outside, a dangling link and anything that is not a plain file (pipe,
// socket, device) are refused.
#ifndef AZPACK_SOURCE_TREE_H
#define AZPACK_SOURCE_TREE_H

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace azpack {

struct SourceFile {
    std::string name;                // Windows-1252 entry name
    std::filesystem::path found;     // the path under the source folder
    std::filesystem::path contents;  // where the bytes are read (a link's target)
    uint64_t size = 0;
    bool link = false;      // stored as a copy of its target
    bool readOnly = false;  // no write permission: installed writable all the same
};

// Fills `files`, sorted by name, and `emptyFolders` (when given) with the
// entry names of folders that hold nothing, sorted. Fails on the first
// folder or file that cannot be read or stored, with "PATH: reason".
bool scanSourceTree(const std::filesystem::path& root, std::vector<SourceFile>* files,
                    std::string* error, std::vector<std::string>* emptyFolders = nullptr);

}  // namespace azpack

#endif
