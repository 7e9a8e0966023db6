#include "base/device_name.h"

#include "base/matching.h"

namespace {

// `upper` is in capitals: only `text` is folded.
bool sameFolded(const char* text, const char* upper, long length) {
    for (long i = 0; i < length; ++i) {
        if (foldCase(text[i]) != upper[i])
            return false;
    }
    return true;
}

}  // namespace

int namesDevice(const char* begin, const char* end) {
    const char* stemEnd = begin;
    while (stemEnd < end && *stemEnd != '.')
        ++stemEnd;
    while (stemEnd > begin && stemEnd[-1] == ' ')
        --stemEnd;
    const long length = stemEnd - begin;
    if (length == 6 || length == 7)
        return sameFolded(begin, length == 6 ? "CONIN$" : "CONOUT$", length);
    if (length == 3) {
        return sameFolded(begin, "CON", 3) || sameFolded(begin, "PRN", 3) ||
               sameFolded(begin, "AUX", 3) || sameFolded(begin, "NUL", 3);
    }
    if (length != 4 || !(sameFolded(begin, "COM", 3) || sameFolded(begin, "LPT", 3)))
        return 0;
    const char digit = begin[3];
    // Superscript one, two and three count as digits here.
    return (digit >= '0' && digit <= '9') || digit == '\xB9' || digit == '\xB2' || digit == '\xB3';
}
