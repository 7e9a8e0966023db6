#include "system/link_name.h"

namespace {

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

// Windows trims trailing dots and blanks from a path component, so "..." and
// ".. " climb like "..".
bool climbsUp(const char* component, const char* end) {
    int dots = 0;
    for (const char* c = component; c != end; ++c) {
        if (*c == '.') {
            ++dots;
        } else if (*c != ' ') {
            return false;
        }
    }
    return dots >= 2;
}

}  // namespace

bool isPlainLinkName(const char* linkName) {
    if (linkName == nullptr || isSeparator(linkName[0]))
        return false;
    const char* component = linkName;
    for (const char* c = linkName;; ++c) {
        unsigned char byte = static_cast<unsigned char>(*c);
        if (byte == ':' || (byte != 0 && byte < 0x20))
            return false;
        if (byte == 0 || isSeparator(*c)) {
            if (climbsUp(component, c))
                return false;
            if (byte == 0)
                return true;
            component = c + 1;
        }
    }
}
