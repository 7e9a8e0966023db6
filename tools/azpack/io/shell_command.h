// Running a command line given by the user through the system's shell
// (/bin/sh on Linux, cmd.exe on Windows), with paths quoted for it.
#ifndef AZPACK_SHELL_COMMAND_H
#define AZPACK_SHELL_COMMAND_H

#include <filesystem>
#include <string>

namespace azpack {

// The path as one word of a shell command.
std::string shellQuote(const std::filesystem::path& path);

// Runs `command`, its output going to azpack's own. true when it ran and
// exited with status 0; otherwise `error` says how it ended.
bool runShellCommand(const std::string& command, std::string* error);

}  // namespace azpack

#endif
