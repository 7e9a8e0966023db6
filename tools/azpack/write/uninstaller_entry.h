// The uninstaller travels in the payload as the top-level entry
// "TAVUUNINSTALL.EXE", taken from a file named on the command line rather
// than from the source tree, so that a tree cannot ship a stale copy.
#ifndef AZPACK_UNINSTALLER_ENTRY_H
#define AZPACK_UNINSTALLER_ENTRY_H

#include <filesystem>
#include <string>
#include <vector>

#include "write/source_tree.h"

namespace azpack {

extern const char kUninstallerEntry[];

// Refuses a tree with its own top-level TAVUUNINSTALL.EXE (any letter case);
// when `uninstaller` is not empty, adds it as that entry, keeping `files`
// sorted by name.
bool addUninstallerEntry(const std::filesystem::path& uninstaller, std::vector<SourceFile>* files,
                         std::string* error);

}  // namespace azpack

#endif
