#include "uninstall/rules/folder_set.h"

#include <cstring>

#include "base/matching.h"

int compareFolded(const char* a, const char* b) {
    for (;; ++a, ++b) {
        unsigned char x = static_cast<unsigned char>(foldCase(*a));
        unsigned char y = static_cast<unsigned char>(foldCase(*b));
        if (x != y)
            return x < y ? -1 : 1;
        if (x == 0)
            return 0;
    }
}

int32_t FolderSet::add(const char* folder) {
    int32_t length = static_cast<int32_t>(std::strlen(folder));
    while (length > 0 && folder[length - 1] == '\\')
        --length;
    return folders_.add(folder, length);
}

void FolderSet::seal() {
    folders_.sortUnique(compareFolded);
}

int32_t FolderSet::contains(const char* text, int32_t length) const {
    int32_t low = 0;
    int32_t high = folders_.count() - 1;
    while (low <= high) {
        int32_t middle = low + (high - low) / 2;
        const char* folder = folders_.at(middle);
        int order = 0;
        int32_t i = 0;
        for (; i < length; ++i) {
            unsigned char x = static_cast<unsigned char>(foldCase(folder[i]));
            unsigned char y = static_cast<unsigned char>(foldCase(text[i]));
            if (x != y) {
                order = x < y ? -1 : 1;
                break;
            }
        }
        if (order == 0 && folder[length] != '\0')
            order = 1;
        if (order == 0)
            return 1;
        if (order < 0)
            low = middle + 1;
        else
            high = middle - 1;
    }
    return 0;
}
