// What the source tree holds that an installer cannot carry, told in one
// warning line each: empty folders (a payload holds only files), symbolic
// links (stored as copies of their targets), file attributes (every file is
// installed writable), and a 64-bit main program in a 32-bit installer
// (which puts it under the 32-bit program-files folder).
#ifndef AZPACK_CARRY_NOTES_H
#define AZPACK_CARRY_NOTES_H

#include <filesystem>
#include <string>
#include <vector>

#include "write/source_tree.h"

namespace azpack {

void noteWhatIsNotCarried(const std::vector<SourceFile>& files,
                          const std::vector<std::string>& emptyFolders,
                          std::vector<std::string>* notes);

// `mainProgram` is the entry's file, nullptr when the main program is not
// an entry; nothing is said about a file that is not a program.
void noteProgramBitness(const std::filesystem::path& stub, const SourceFile* mainProgram,
                        std::vector<std::string>* notes);

}  // namespace azpack

#endif
