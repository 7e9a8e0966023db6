#include "base/text_buffer.h"

#include <cstring>

#include "base/allocation.h"
#include "base/matching.h"

namespace {

int64_t measure(const char* source) {
    return source ? static_cast<int64_t>(std::strlen(source)) : 0;
}

int64_t larger(int64_t a, int64_t b) {
    return a > b ? a : b;
}

// Gives `buffer` a new block of `size` bytes holding `head` then `tail`,
// terminated, and only then frees the old block, so either part may come from
// it. A size the block cannot have leaves the buffer without a block.
void replaceBlock(TextBuffer& buffer, int64_t size, const char* head, int64_t headLength,
                  const char* tail, int64_t tailLength) {
    char* block = nullptr;
    if (size >= headLength + tailLength + 1 && size <= INT32_MAX) {
        block = static_cast<char*>(allocateBlock(static_cast<size_t>(size)));
    }
    if (block) {
        if (headLength > 0)
            std::memcpy(block, head, static_cast<size_t>(headLength));
        if (tailLength > 0) {
            std::memcpy(block + headLength, tail, static_cast<size_t>(tailLength));
        }
        block[headLength + tailLength] = '\0';
    }
    freeBlock(buffer.text);
    buffer.text = block;
    buffer.capacity = block ? static_cast<int32_t>(size) : 0;
}

// The growth rule shared by every append: in place while the joined text and
// its terminator fit, else capacity K + M so that any slack survives.
void appendText(TextBuffer& buffer, const char* source, int64_t count) {
    const int64_t length = buffer.length();
    if (buffer.text && length + count < buffer.capacity) {
        std::memmove(buffer.text + length, source, static_cast<size_t>(count));
        buffer.text[length + count] = '\0';
        return;
    }
    // The floor only matters for a buffer without a block (capacity 0).
    const int64_t size = larger(int64_t{buffer.capacity} + count, length + count + 1);
    replaceBlock(buffer, size, buffer.text, length, source, count);
}

}  // namespace

TextBuffer::TextBuffer(int32_t room) : text(nullptr), capacity(0) {
    if (room >= 0)
        replaceBlock(*this, int64_t{room} + 1, nullptr, 0, nullptr, 0);
}

TextBuffer::TextBuffer(const char* source) : text(nullptr), capacity(0) {
    const int64_t length = measure(source);
    replaceBlock(*this, length + 1, source, length, nullptr, 0);
}

TextBuffer::TextBuffer(const TextBuffer& other) : text(nullptr), capacity(0) {
    if (!other.text)
        return;
    const int64_t length = other.length();
    replaceBlock(*this, larger(other.capacity, length + 1), other.text, length, nullptr, 0);
}

TextBuffer::TextBuffer(TextBuffer&& other) noexcept : text(other.text), capacity(other.capacity) {
    other.text = nullptr;
    other.capacity = 0;
}

TextBuffer& TextBuffer::operator=(TextBuffer&& other) noexcept {
    if (&other != this) {
        destroy();
        text = other.text;
        capacity = other.capacity;
        other.text = nullptr;
        other.capacity = 0;
    }
    return *this;
}

void TextBuffer::destroy() {
    freeBlock(text);
    text = nullptr;
    capacity = 0;
}

TextBuffer& TextBuffer::assign(const TextBuffer& other) {
    if (&other == this)
        return *this;
    if (!other.text) {
        destroy();
        return *this;
    }
    const int64_t length = other.length();
    replaceBlock(*this, larger(other.capacity, length + 1), other.text, length, nullptr, 0);
    return *this;
}

TextBuffer& TextBuffer::assign(const char* source) {
    if (source && source == text)
        return *this;
    const int64_t length = measure(source);
    replaceBlock(*this, length + 1, source, length, nullptr, 0);
    return *this;
}

TextBuffer& TextBuffer::append(const TextBuffer& other) {
    if (other.text)
        appendText(*this, other.text, other.length());
    return *this;
}

TextBuffer& TextBuffer::append(const char* source) {
    if (source)
        appendText(*this, source, measure(source));
    return *this;
}

TextBuffer& TextBuffer::appendBytes(const char* bytes, int32_t count) {
    if (bytes && count > 0)
        appendText(*this, bytes, count);
    return *this;
}

TextBuffer& TextBuffer::appendChar(char c) {
    appendText(*this, &c, 1);
    return *this;
}

int32_t TextBuffer::length() const {
    return text ? static_cast<int32_t>(std::strlen(text)) : 0;
}

int32_t TextBuffer::equalsIgnoreCase(const char* other) const {
    return ::equalsIgnoreCase(text ? text : "", other);
}

int32_t TextBuffer::find(const char* pattern, int32_t start, int32_t ignoreCase) const {
    if (!pattern || start < 0)
        return -1;
    const char* own = text ? text : "";
    const int64_t last = int64_t{length()} - measure(pattern);
    if (last < 0 || start > last)
        return -1;
    for (int64_t p = start; p <= last; ++p) {
        int64_t i = 0;
        for (; pattern[i] != '\0'; ++i) {
            const char a = own[p + i];
            const char b = pattern[i];
            if (a != b && (!ignoreCase || foldCase(a) != foldCase(b)))
                break;
        }
        if (pattern[i] == '\0')
            return static_cast<int32_t>(p);
    }
    return -1;
}

int32_t TextBuffer::findChar(char c, int32_t start, int32_t ignoreCase) const {
    if (start < 0 || start > length())
        return -1;
    const char* own = text ? text : "";
    int32_t p = start;
    for (; own[p] != '\0'; ++p) {
        if (own[p] == c || (ignoreCase && foldCase(own[p]) == foldCase(c)))
            return p;
    }
    return c == '\0' ? p : -1;
}
