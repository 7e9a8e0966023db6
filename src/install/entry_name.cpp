#include "install/entry_name.h"

#include "base/device_name.h"
#include "base/matching.h"
#include "system/side_file_name.h"

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

// Windows drops a final dot or blank: the file would land under another
// name than the one recorded, a folder would not be found again. A lone "."
// stays where it is.
bool endsInDotOrBlank(const char* begin, const char* end) {
    if (end - begin == 1 && *begin == '.')
        return false;
    return end > begin && (end[-1] == '.' || end[-1] == ' ');
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
                return isSeparator(p[-1]) || endsInSideFileName(name) ? 0 : 1;
            component = p + 1;
        }
    }
}
