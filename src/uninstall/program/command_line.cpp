#include "uninstall/program/command_line.h"

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

const char* skipBlanks(const char* p) {
    while (isBlank(*p))
        ++p;
    return p;
}

// Past the program's name: up to the closing quote, or the first blank.
const char* skipProgram(const char* p) {
    if (*p == '"') {
        ++p;
        while (*p && *p != '"')
            ++p;
        return *p == '"' ? p + 1 : p;
    }
    while (*p && !isBlank(*p))
        ++p;
    return p;
}

}  // namespace

int32_t readUninstallCommandLine(const char* line, int32_t* silent, TextBuffer& profile) {
    profile.clear();
    *silent = 0;
    if (line == nullptr)
        return 0;
    const char* p = skipProgram(line);
    p = skipBlanks(p);
    if (p[0] == '/' && (p[1] == 'S' || p[1] == 's') && (p[2] == '\0' || isBlank(p[2]))) {
        *silent = 1;
        p = skipBlanks(p + 2);
    }
    if (*p == '"') {
        const char* begin = ++p;
        while (*p && *p != '"')
            ++p;
        profile.appendBytes(begin, static_cast<int32_t>(p - begin));
    } else {
        const char* end = p;
        while (*end)
            ++end;
        while (end > p && isBlank(end[-1]))
            --end;
        profile.appendBytes(p, static_cast<int32_t>(end - p));
    }
    return profile.isEmpty() ? 0 : 1;
}

int32_t readCommandProgram(const char* line, TextBuffer& program) {
    program.clear();
    if (line == nullptr)
        return 0;
    const char* end = skipProgram(line);
    if (*line == '"')
        program.appendBytes(line + 1, static_cast<int32_t>(end - line - (end[-1] == '"' ? 2 : 1)));
    else
        program.appendBytes(line, static_cast<int32_t>(end - line));
    return program.isEmpty() ? 0 : 1;
}
