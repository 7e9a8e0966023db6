#include "system/files/side_file_name.h"

#include <cstring>

namespace {

const char kNewMark[] = ".~aznew";
const char kOldMark[] = ".~azold";
const size_t kMarkLength = sizeof kNewMark - 1;
const size_t kMaxDigits = 8;
static_assert(kMarkLength + kMaxDigits == kSideSuffixRoom, "the room a side file's name takes");
const size_t kShortPathLimit = 259;

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

}  // namespace

void appendSideSuffix(TextBuffer& path, SideFile kind, uint32_t owner) {
    path.append(kind == SideFile::kOld ? kOldMark : kNewMark);
    char digits[kMaxDigits];
    size_t count = 0;
    do {
        digits[count++] = "0123456789abcdef"[owner & 0xF];
        owner >>= 4;
    } while (owner != 0);
    while (count > 0)
        path.appendChar(digits[--count]);
}

SideFile readSideFileName(const char* name, size_t& targetLength, uint32_t& owner) {
    if (name == nullptr)
        return SideFile::kNotOurs;
    const char* mark = nullptr;
    for (const char* p = std::strstr(name, ".~az"); p != nullptr; p = std::strstr(p + 1, ".~az"))
        mark = p;
    if (mark == nullptr || mark == name)
        return SideFile::kNotOurs;
    SideFile kind = SideFile::kNotOurs;
    if (std::strncmp(mark, kNewMark, kMarkLength) == 0)
        kind = SideFile::kNew;
    else if (std::strncmp(mark, kOldMark, kMarkLength) == 0)
        kind = SideFile::kOld;
    const char* digits = mark + kMarkLength;
    size_t count = std::strlen(digits);
    if (kind == SideFile::kNotOurs || count == 0 || count > kMaxDigits)
        return SideFile::kNotOurs;
    uint32_t value = 0;
    for (size_t i = 0; i < count; ++i) {
        int digit = hexDigit(digits[i]);
        if (digit < 0)
            return SideFile::kNotOurs;
        value = (value << 4) | static_cast<uint32_t>(digit);
    }
    targetLength = static_cast<size_t>(mark - name);
    owner = value;
    return kind;
}

int endsInSideFileName(const char* path) {
    if (path == nullptr)
        return 0;
    const char* name = path;
    for (const char* p = path; *p != '\0'; ++p) {
        if (*p == '\\' || *p == '/')
            name = p + 1;
    }
    size_t targetLength = 0;
    uint32_t owner = 0;
    return readSideFileName(name, targetLength, owner) != SideFile::kNotOurs;
}

void longPathForm(const char* path, TextBuffer& out) {
    out.clear();
    if (path == nullptr)
        return;
    bool drive = path[0] != '\0' && path[1] == ':' && path[2] == '\\';
    bool network = path[0] == '\\' && path[1] == '\\' && path[2] != '?' && path[2] != '.';
    if (std::strlen(path) > kShortPathLimit && drive) {
        out.append("\\\\?\\").append(path);
    } else if (std::strlen(path) > kShortPathLimit && network) {
        out.append("\\\\?\\UNC\\").append(path + 2);
    } else {
        out.append(path);
    }
}
