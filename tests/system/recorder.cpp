// Stands in for the device application manager: writes what followed its
// program name on the command line to "<its own path>.args".
#include <windows.h>

#include <cstdio>
#include <cstring>

int main() {
    const char* line = GetCommandLineA();
    if (*line == '"') {
        const char* end = strchr(line + 1, '"');
        line = end ? end + 1 : line + strlen(line);
    } else {
        while (*line != '\0' && *line != ' ' && *line != '\t')
            ++line;
    }
    if (*line == ' ' || *line == '\t')
        ++line;

    char path[MAX_PATH + 8] = {};
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 1;
    strcat(path, ".args");
    char partial[MAX_PATH + 16];
    strcpy(partial, path);
    strcat(partial, ".part");
    FILE* file = fopen(partial, "wb");
    if (file == nullptr)
        return 1;
    fwrite(line, 1, strlen(line), file);
    fclose(file);
    return MoveFileA(partial, path) ? 0 : 1;
}
