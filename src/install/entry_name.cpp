#include "install/entry_name.h"

#include "base/matching.h"

namespace {

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

// A component such as "..", "..." or ".. ." may name the parent folder.
bool climbs(const char* begin, const char* end) {
    int dots = 0;
    for (const char* p = begin; p < end; ++p) {
        if (*p == '.') {
            ++dots;
        } else if (*p != ' ') {
            return false;
        }
    }
    return dots >= 2;
}

bool stemIs(const char* stem, const char* name) {
    for (int i = 0; i < 3; ++i) {
        if (foldCase(stem[i]) != name[i])
            return false;
    }
    return true;
}

bool sameFolded(const char* text, const char* upper, long length) {
    for (long i = 0; i < length; ++i) {
        if (foldCase(text[i]) != upper[i])
            return false;
    }
    return true;
}

// Windows drops a final dot or blank: the file would land under another
// name than the one recorded, a folder would not be found again. A lone "."
// stays where it is.
bool endsInDotOrBlank(const char* begin, const char* end) {
    if (end - begin == 1 && *begin == '.')
        return false;
    return end > begin && (end[-1] == '.' || end[-1] == ' ');
}

// "CON", "nul.txt", "COM1 .log", "CONIN$": Windows opens the device, in any
// folder.
bool namesDevice(const char* begin, const char* end) {
    const char* stemEnd = begin;
    while (stemEnd < end && *stemEnd != '.')
        ++stemEnd;
    while (stemEnd > begin && stemEnd[-1] == ' ')
        --stemEnd;
    const long length = stemEnd - begin;
    if (length == 6 || length == 7)
        return sameFolded(begin, length == 6 ? "CONIN$" : "CONOUT$", length);
    if (length == 3) {
        return stemIs(begin, "CON") || stemIs(begin, "PRN") || stemIs(begin, "AUX") ||
               stemIs(begin, "NUL");
    }
    if (length != 4 || !(stemIs(begin, "COM") || stemIs(begin, "LPT")))
        return false;
    const char digit = begin[3];
    // Superscript one, two and three count as digits here.
    return (digit >= '0' && digit <= '9') || digit == '\xB9' || digit == '\xB2' || digit == '\xB3';
}

}  // namespace

int isSafeEntryName(const char* name) {
    if (name == nullptr || name[0] == '\0' || isSeparator(name[0]))
        return 0;
    const char* component = name;
    for (const char* p = name;; ++p) {
        if (*p == ':')
            return 0;
        if (*p == '\0' || isSeparator(*p)) {
            if (climbs(component, p) || endsInDotOrBlank(component, p) || namesDevice(component, p))
                return 0;
            if (*p == '\0')
                return isSeparator(p[-1]) ? 0 : 1;
            component = p + 1;
        }
    }
}
