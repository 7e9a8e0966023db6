// The publisher's signing command, run on the uninstaller before it is
// stored and on the finished installer before it replaces the output. The
// command holds {in} and {out}, replaced by the quoted paths of the file to
// sign and of the signed file to write (a temporary beside the output).
// A command that fails, or writes no program, fails the build.
#ifndef AZPACK_SIGNING_H
#define AZPACK_SIGNING_H

#include <filesystem>
#include <string>

#include "io/file_io.h"

namespace azpack {

// Empty when the command can be used; else the reason (a usage error).
std::string signCommandProblem(const std::string& command);

// Signs `unsigned` into `signedCopy`, a new temporary beside `output`.
bool signFile(const std::string& command, const std::filesystem::path& unsignedFile,
              const std::filesystem::path& output, TemporaryFile* signedCopy, std::string* error);

// Signs the complete installer held in `built` and renames the signed copy
// over `output`.
bool signAndCommit(const std::string& command, TemporaryFile* built,
                   const std::filesystem::path& output, std::string* error);

}  // namespace azpack

#endif
