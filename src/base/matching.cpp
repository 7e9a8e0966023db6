#include "base/matching.h"

int equalsIgnoreCase(const char* a, const char* b) {
    if (!a || !b)
        return 0;
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        if (foldCase(*a) != foldCase(*b))
            return 0;
    }
    return *a == *b ? 1 : 0;
}
