#include "uninstall/rules/record_names.h"

#include "base/matching.h"

namespace {

const char kStem[] = "TAVUUNINSTALL";
const char kExtension[] = ".INI";

// 1 when `text` starts with `upper` ignoring ASCII case; `rest` points after it.
bool startsWith(const char* text, const char* upper, const char** rest) {
    for (; *upper != '\0'; ++text, ++upper) {
        if (foldCase(*text) != *upper)
            return false;
    }
    *rest = text;
    return true;
}

}  // namespace

void appendRecordName(TextBuffer& out, int32_t number) {
    out.append(kStem);
    if (number > 1) {
        out.appendChar('-');
        if (number >= 10)
            out.appendChar(static_cast<char>('0' + number / 10 % 10));
        out.appendChar(static_cast<char>('0' + number % 10));
    }
    out.append(kExtension);
}

int32_t isRecordName(const char* name) {
    const char* rest = nullptr;
    if (name == nullptr || !startsWith(name, kStem, &rest))
        return 0;
    if (*rest == '-') {
        ++rest;
        int32_t number = 0;
        int32_t digits = 0;
        while (*rest >= '0' && *rest <= '9' && digits < 3) {
            number = number * 10 + (*rest - '0');
            ++rest;
            ++digits;
        }
        if (digits == 0 || rest[-digits] == '0' || number < 2 || number > kMaxRecordNumber)
            return 0;
    }
    return startsWith(rest, kExtension, &rest) && *rest == '\0' ? 1 : 0;
}
