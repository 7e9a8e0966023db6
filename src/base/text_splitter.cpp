#include "base/text_splitter.h"

#include <cstring>

TextSplitter::TextSplitter(const char* source, const char* separator)
    : source(source), separator(separator), token(source ? this->source.length() : 2), position(0) {
    rewind();
}

void TextSplitter::rewind() {
    position = 0;
    const int32_t width = separator.length();
    if (width > 0 && source.text &&
        std::strncmp(source.text, separator.text, static_cast<size_t>(width)) == 0) {
        position = width;
    }
}

const char* TextSplitter::next() {
    token.clear();
    if (!source.text || !separator.text || !token.text || source.text[position] == '\0') {
        return nullptr;
    }
    const int32_t width = separator.length();
    const int32_t end = width > 0 ? source.find(separator.text, position, 0) : -1;
    if (end < 0) {
        const int32_t rest = source.length();
        token.appendBytes(source.text + position, rest - position);
        position = rest;
    } else {
        token.appendBytes(source.text + position, end - position);
        position = end + width;
    }
    return token.text;
}
