#include "install/run/path_parts.h"

#include <cstring>

namespace {

bool endsFolder(char c) {
    return c == '\\' || c == '/' || c == ':';
}

// Position just after the last separator or drive colon: where the name begins.
size_t nameStart(const char* path) {
    size_t start = 0;
    for (size_t i = 0; path[i] != '\0'; ++i) {
        if (endsFolder(path[i]))
            start = i + 1;
    }
    return start;
}

void assignPrefix(TextBuffer& out, const char* text, size_t length) {
    out.clear();
    for (size_t i = 0; i < length; ++i)
        out.appendChar(text[i]);
}

}  // namespace

void baseNameOf(const char* path, TextBuffer& name) {
    if (path == nullptr)
        path = "";
    const char* start = path + nameStart(path);
    const char* dot = std::strrchr(start, '.');
    size_t length = dot ? static_cast<size_t>(dot - start) : std::strlen(start);
    assignPrefix(name, start, length);
}

void folderOf(const char* path, TextBuffer& folder) {
    if (path == nullptr)
        path = "";
    assignPrefix(folder, path, nameStart(path));
}

void appendHex(TextBuffer& text, uint64_t value) {
    char digits[17];
    int count = 0;
    do {
        digits[count++] = "0123456789abcdef"[value & 0xF];
        value >>= 4;
    } while (value != 0);
    while (count > 0)
        text.appendChar(digits[--count]);
}
