#include "uninstall/rules/profile_reader.h"

#include "base/matching.h"

namespace {

enum Section { kOther, kFiles, kKeys, kDirs };

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool sameName(const char* text, uint32_t length, const char* upper) {
    uint32_t i = 0;
    for (; i < length; ++i) {
        if (upper[i] == '\0' || foldCase(text[i]) != upper[i])
            return false;
    }
    return upper[i] == '\0';
}

Section sectionOf(const char* name, uint32_t length) {
    if (sameName(name, length, "FILES"))
        return kFiles;
    if (sameName(name, length, "HKLM"))
        return kKeys;
    if (sameName(name, length, "DIRS"))
        return kDirs;
    return kOther;
}

}  // namespace

int32_t readUninstallProfile(const char* bytes, uint32_t size, UninstallProfile& profile) {
    if (bytes == nullptr)
        return 0;
    bool sawSection = false;
    Section section = kOther;
    uint32_t at = 0;
    while (at < size) {
        uint32_t end = at;
        while (end < size && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        uint32_t begin = at;
        at = end + 1;
        while (begin < end && isBlank(bytes[begin]))
            ++begin;
        if (begin == end)
            continue;
        if (bytes[begin] == '[') {
            uint32_t close = begin + 1;
            while (close < end && bytes[close] != ']')
                ++close;
            if (close < end) {
                section = sectionOf(bytes + begin + 1, close - begin - 1);
                sawSection = sawSection || section != kOther;
                continue;
            }
        }
        if (section == kOther)
            continue;
        uint32_t equals = begin;
        while (equals < end && bytes[equals] != '=')
            ++equals;
        if (equals == end)
            continue;
        uint32_t keyEnd = equals;
        while (keyEnd > begin && isBlank(bytes[keyEnd - 1]))
            --keyEnd;
        if (keyEnd == begin)
            continue;
        PathList& list = section == kFiles  ? profile.files
                         : section == kKeys ? profile.keys
                                            : profile.dirs;
        if (keyEnd - begin > 0x7FFFFFFF ||
            !list.add(bytes + begin, static_cast<int32_t>(keyEnd - begin)))
            return 0;
        // A zero byte would cut the key short into another, shorter path;
        // as a control character it fails every rule instead.
        char* added = list.last();
        for (uint32_t i = 0; i < keyEnd - begin; ++i) {
            if (added[i] == '\0')
                added[i] = '\x01';
        }
    }
    return sawSection ? 1 : 0;
}
