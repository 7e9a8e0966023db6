// TextSplitter: cuts a text into tokens at a separator text (case-sensitive).
// One leading separator is skipped; two adjacent separators give an empty
// token; a trailing separator gives no empty last token; an empty source gives
// no token. An empty separator never splits: the whole source is one token.
#ifndef AZ_BASE_TEXT_SPLITTER_H
#define AZ_BASE_TEXT_SPLITTER_H

#include <cstdint>

#include "base/text_buffer.h"

class TextSplitter {
  public:
    // Copies both texts (nullptr: the empty text) and rewinds.
    TextSplitter(const char* source, const char* separator);

    // Back to the first token.
    void rewind();
    // The next token, valid until the following call; nullptr when the source
    // is used up (or its copies could not be made).
    const char* next();

    TextBuffer source;
    TextBuffer separator;
    // Room for the whole source, so it never grows.
    TextBuffer token;
    // Index in `source` of the next byte not yet delivered.
    int32_t position;
};

#endif
