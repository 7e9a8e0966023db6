// Where the running azpack lies, to find the installer stubs installed or
// built beside it.
#ifndef AZPACK_RUNNING_PROGRAM_H
#define AZPACK_RUNNING_PROGRAM_H

#include <filesystem>

namespace azpack {

// The full path of the running executable; empty when the system cannot say.
std::filesystem::path runningProgram();

}  // namespace azpack

#endif
