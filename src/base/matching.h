// Case folding shared by every comparison that ignores case: only the ASCII
// letters a-z fold onto A-Z, whatever locale the process runs in, so bytes
// 0x80-0xFF (accented letters of the code page included) compare exactly.
#ifndef AZ_BASE_MATCHING_H
#define AZ_BASE_MATCHING_H

inline char foldCase(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// 1 when both texts are equal with ASCII letters folded; nullptr never equals.
int equalsIgnoreCase(const char* a, const char* b);

#endif
