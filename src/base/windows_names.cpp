#include "base/windows_names.h"

#include "base/matching.h"

namespace {

// `upper` is in capitals: only `text` is folded.
bool sameFolded(const char* text, const char* upper, int32_t length) {
    for (int32_t i = 0; i < length; ++i) {
        if (foldCase(text[i]) != upper[i])
            return false;
    }
    return true;
}

bool namesDeviceStem(const char* stem, int32_t length) {
    if (length == 6 || length == 7)
        return sameFolded(stem, length == 6 ? "CONIN$" : "CONOUT$", length);
    if (length == 3) {
        return sameFolded(stem, "CON", 3) || sameFolded(stem, "PRN", 3) ||
               sameFolded(stem, "AUX", 3) || sameFolded(stem, "NUL", 3);
    }
    if (length != 4 || !(sameFolded(stem, "COM", 3) || sameFolded(stem, "LPT", 3)))
        return false;
    const char digit = stem[3];
    // Superscript one, two and three count as digits here.
    return (digit >= '0' && digit <= '9') || digit == '\xB9' || digit == '\xB2' || digit == '\xB3';
}

bool separates(char c, int32_t flags) {
    return c == '\\' || (c == '/' && (flags & kSlashSeparates) != 0);
}

bool forbidden(char c, int32_t flags) {
    if ((flags & kSystemRefusesCharacters) != 0)
        return c == ':' || c == '\\' || c == '/';
    return isForbiddenNameCharacter(c) != 0;
}

int32_t faultWithin(const char* begin, const char* end, int32_t flags) {
    if (begin >= end)
        return kNameEmpty;
    if (isDotsAndBlanks(begin, end))
        return kNameDots;
    for (const char* p = begin; p < end; ++p) {
        if (forbidden(*p, flags))
            return kNameCharacter;
    }
    if (deviceNameLength(begin, end) > 0)
        return kNameDevice;
    if (end[-1] == '.')
        return kNameEndsInDot;
    return end[-1] == ' ' ? kNameEndsInBlank : kNameFine;
}

NameFault fault(int32_t kind, const char* name, const char* begin, const char* end) {
    return NameFault{kind, static_cast<int32_t>(begin - name), static_cast<int32_t>(end - begin)};
}

}  // namespace

int32_t isReservedPathCharacter(char c) {
    return c == '<' || c == '>' || c == '"' || c == '|' || c == '?' || c == '*';
}

int32_t isForbiddenNameCharacter(char c) {
    return static_cast<unsigned char>(c) < 0x20 || isReservedPathCharacter(c) || c == ':' ||
           c == '\\' || c == '/';
}

int32_t isDotsAndBlanks(const char* begin, const char* end) {
    for (const char* p = begin; p < end; ++p) {
        if (*p != '.' && *p != ' ')
            return 0;
    }
    return 1;
}

int32_t deviceNameLength(const char* begin, const char* end) {
    const char* stemEnd = begin;
    while (stemEnd < end && *stemEnd != '.')
        ++stemEnd;
    while (stemEnd > begin && stemEnd[-1] == ' ')
        --stemEnd;
    const int32_t length = static_cast<int32_t>(stemEnd - begin);
    return namesDeviceStem(begin, length) ? length : 0;
}

int32_t componentFault(const char* begin, const char* end) {
    return faultWithin(begin, end, 0);
}

NameFault findNameFault(const char* name, int32_t length, int32_t flags) {
    const char* end = name + length;
    if (length > 0 && separates(name[0], flags))
        return fault(kNameRooted, name, name, name);
    const char* component = name;
    for (const char* p = name;; ++p) {
        if (p < end && !separates(*p, flags))
            continue;
        int32_t kind = faultWithin(component, p, flags);
        const bool last = p == end;
        if (last && (flags & kSuffixFollows) != 0 &&
            (kind == kNameEndsInDot || kind == kNameEndsInBlank))
            kind = kNameFine;
        if (kind != kNameFine)
            return fault(kind, name, component, p);
        if (last)
            return fault(kNameFine, name, end, end);
        component = p + 1;
    }
}

int32_t isPlainRelativePath(const char* name, int32_t flags) {
    if (name == nullptr)
        return 0;
    int32_t length = 0;
    while (name[length] != '\0')
        ++length;
    return findNameFault(name, length, flags).kind == kNameFine ? 1 : 0;
}
