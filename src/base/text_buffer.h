// TextBuffer: an owning, zero-terminated narrow text (system code page).
//
// Both fields are public on purpose: callers let system calls fill `text`
// directly, passing `capacity - 1` as the limit, and shorten the text in place
// by storing a zero byte. The length is always measured up to the first zero.
//
// Growth rules (observable: callers size system calls by `capacity`):
//   append   L + M < K: in place; otherwise the new capacity is K + M.
//   appendChar  L + 1 < K: in place; otherwise the new capacity is K + 1.
// A failed allocation leaves text == nullptr and capacity == 0; destroying
// and assigning from a non-null text stay defined on such a buffer.
#ifndef AZ_BASE_TEXT_BUFFER_H
#define AZ_BASE_TEXT_BUFFER_H

#include <cstdint>

class TextBuffer {
public:
    char* text;
    int32_t capacity;

    // Room for `room` characters: capacity room + 1, empty text.
    explicit TextBuffer(int32_t room);
    // A copy of `source` (nullptr gives the empty text, capacity 1).
    explicit TextBuffer(const char* source);
    // Deep copy with the source's capacity (not its length + 1).
    TextBuffer(const TextBuffer& other);
    TextBuffer(TextBuffer&& other) noexcept;
    TextBuffer& operator=(const TextBuffer& other) { return assign(other); }
    ~TextBuffer() { destroy(); }

    // Frees the block; text nullptr, capacity 0. Harmless twice.
    void destroy();

    // Same object: nothing happens. Otherwise takes the source's capacity.
    TextBuffer& assign(const TextBuffer& other);
    // The very pointer held in `text`: nothing happens. Otherwise an exact
    // block of length + 1 (nullptr gives the empty text). `source` must not
    // point inside this buffer's block.
    TextBuffer& assign(const char* source);
    // Appending a buffer to itself doubles its text.
    TextBuffer& append(const TextBuffer& other);
    // nullptr changes nothing. `source` must not point inside this buffer.
    TextBuffer& append(const char* source);
    TextBuffer& appendChar(char c);

    // Empties the text, keeping the block and its capacity.
    void clear() {
        if (text) text[0] = '\0';
    }
    bool isEmpty() const { return text == nullptr || text[0] == '\0'; }
    int32_t length() const;

    // 1 when the whole text equals `other` with ASCII letters folded; 0
    // otherwise and for nullptr.
    int32_t equalsIgnoreCase(const char* other) const;
    // First position >= start at which `pattern` occurs, or -1. An empty
    // pattern is found at `start`. Folds ASCII letters when ignoreCase != 0.
    int32_t find(const char* pattern, int32_t start, int32_t ignoreCase) const;
    // First position >= start holding `c`; the zero byte gives the length;
    // -1 when there is none.
    int32_t findChar(char c, int32_t start, int32_t ignoreCase) const;
};

#endif
