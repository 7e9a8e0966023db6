// TextBuffer: an owning, zero-terminated narrow text (system code page).
//
// Both fields are public on purpose: callers let system calls fill `text`
// directly, passing `capacity - 1` as the limit, and shorten the text in place
// by storing a zero byte. The length is always measured up to the first zero.
//
// Growth rules (observable: callers size system calls by `capacity`):
//   append   L + M < K: in place; otherwise the new capacity is K + M.
//   appendChar  L + 1 < K: in place; otherwise the new capacity is K + 1.
// A failed allocation leaves text == nullptr and capacity == 0 (the old text
// is gone); every operation stays defined on such a buffer, which reads as the
// empty text and takes a block again on assign or append. A new block is
// always taken before the old one is freed, so a source may lie inside the
// buffer's own block.
#ifndef AZ_BASE_TEXT_BUFFER_H
#define AZ_BASE_TEXT_BUFFER_H

#include <cstdint>

class TextBuffer {
  public:
    char* text;
    int32_t capacity;

    // Room for `room` characters: capacity room + 1, empty text. A negative
    // room, or INT32_MAX, cannot be had: no block.
    explicit TextBuffer(int32_t room);
    // A copy of `source` (nullptr gives the empty text, capacity 1).
    explicit TextBuffer(const char* source);
    // Deep copy with the source's capacity (not its length + 1).
    TextBuffer(const TextBuffer& other);
    // Takes over the other's block; the other is left without one.
    TextBuffer(TextBuffer&& other) noexcept;
    TextBuffer& operator=(const TextBuffer& other) { return assign(other); }
    TextBuffer& operator=(TextBuffer&& other) noexcept;
    ~TextBuffer() { destroy(); }

    // Frees the block; text nullptr, capacity 0. Harmless twice.
    void destroy();

    // Same object: nothing happens. Otherwise takes the source's capacity (a
    // source without a block leaves this one without a block too).
    TextBuffer& assign(const TextBuffer& other);
    // The very pointer held in `text`: nothing happens. Otherwise an exact
    // block of length + 1 (nullptr gives the empty text).
    TextBuffer& assign(const char* source);
    // Appending a buffer to itself doubles its text.
    TextBuffer& append(const TextBuffer& other);
    // nullptr changes nothing.
    TextBuffer& append(const char* source);
    // The first `count` bytes of `bytes`, by the append rule with M = count
    // (a count <= 0 or nullptr changes nothing).
    TextBuffer& appendBytes(const char* bytes, int32_t count);
    // Appending the zero byte keeps the text but may still grow a full block.
    TextBuffer& appendChar(char c);

    // Empties the text, keeping the block and its capacity.
    void clear() {
        if (text)
            text[0] = '\0';
    }
    bool isEmpty() const { return text == nullptr || text[0] == '\0'; }
    int32_t length() const;

    // 1 when the whole text equals `other` with ASCII letters folded; 0
    // otherwise and for nullptr.
    int32_t equalsIgnoreCase(const char* other) const;
    // First position >= start at which `pattern` occurs, or -1. An empty
    // pattern is found at `start` (when start <= length). Folds ASCII letters
    // when ignoreCase != 0. A negative start or nullptr pattern gives -1.
    int32_t find(const char* pattern, int32_t start, int32_t ignoreCase) const;
    // First position >= start holding `c`; the zero byte gives the length;
    // -1 when there is none, and for a start outside 0..length.
    int32_t findChar(char c, int32_t start, int32_t ignoreCase) const;
};

#endif
