// The walk over an entry index file: each entry's name and value, forward or
// backward in tree order. Pages come through the process-wide page cache, so
// the walk is for one thread only; several indexes may be open at once and
// used alternately.
#ifndef AZ_PAYLOAD_ENTRY_INDEX_H
#define AZ_PAYLOAD_ENTRY_INDEX_H

#include <cstdint>

#include "base/text_buffer.h"

struct IndexFile;

class EntryIndex {
  public:
    // Opens the index at `path`; creates it empty (or truncates it) when
    // forceCreate is nonzero or no file is there. Not open when no memory can
    // be had, the file cannot be opened or created, or its root page cannot
    // be read whole.
    EntryIndex(const char* path, int forceCreate);
    // Walks the index on `descriptor` (open for reading), which stays the
    // caller's: it is left open. Not open when its root cannot be read whole.
    explicit EntryIndex(int descriptor);
    EntryIndex(const EntryIndex&) = delete;
    EntryIndex& operator=(const EntryIndex&) = delete;
    // Closes the index file when open.
    ~EntryIndex();

    // 1 when open.
    int isOpen() const { return file != nullptr; }
    // Nonzero: backward from the last entry; zero: forward from the first.
    void setDirection(int backward);
    // 1 with the next entry's name and value; 0 at the end (and at a damaged
    // page), both left untouched.
    int next(TextBuffer& name, int32_t& value);
    // 1 when the walk ended on a page it cannot trust rather than at the end.
    int isDamaged() const;

  private:
    IndexFile* file;
    int backward;
};

#endif
