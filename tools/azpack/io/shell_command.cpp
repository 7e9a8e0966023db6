#include "io/shell_command.h"

#include <cstdio>
#include <cstdlib>

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace azpack {

std::string shellQuote(const std::filesystem::path& path) {
    const std::string text = path.u8string();
#ifdef _WIN32
    return "\"" + text + "\"";  // a Windows path holds no double quote
#else
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
#endif
}

bool runShellCommand(const std::string& command, std::string* error) {
    std::fflush(stdout);
    std::fflush(stderr);
#ifdef _WIN32
    // cmd /c drops the first and the last quote of a line that starts with
    // one: a quoted program and a quoted path would lose theirs.
    int status = std::system(("\"" + command + "\"").c_str());
#else
    int status = std::system(command.c_str());
#endif
    if (status == -1) {
        *error = "cannot start the shell";
        return false;
    }
#ifdef _WIN32
    if (status == 0)
        return true;
    *error = "exit status " + std::to_string(status);
#else
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return true;
    *error = WIFEXITED(status) ? "exit status " + std::to_string(WEXITSTATUS(status))
                               : "ended by signal " + std::to_string(WTERMSIG(status));
#endif
    return false;
}

}  // namespace azpack
