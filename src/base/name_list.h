// NameList: an ordered set of name/value texts whose names are unique
// ignoring case (ASCII letters only). Entries keep the order and the spelling
// of their first recording. Lookup and adding are linear walks.
#ifndef AZ_BASE_NAME_LIST_H
#define AZ_BASE_NAME_LIST_H

#include <cstdint>

#include "base/pointer_list.h"
#include "base/text_buffer.h"

struct NameEntry {
    NameEntry(const char* name, const char* value) : name(name), value(value) {}
    TextBuffer name;
    TextBuffer value;
};

class NameList : public PointerList {
  public:
    NameList() : cursor(nullptr), current(nullptr) {}
    // Frees every entry and the cursor; the base frees the nodes.
    ~NameList() override;

    // Records `name` with `value` (nullptr: the empty text). A known name keeps
    // its place and first spelling and takes the new value. A null name, or
    // no memory for the texts, the entry or its node: nothing changes.
    void set(const char* name, const char* value);
    // The entry whose name equals `name` ignoring case; nullptr for none.
    NameEntry* find(const char* name) const;

    // Starts a new iteration at the first entry, abandoning a running one:
    // 1, or 0 when no memory was left for the cursor.
    int32_t beginIteration();
    // Assigns the next entry's texts (and thereby their capacities) to the
    // two buffers: 1. At the end, or without an iteration: 0. Should a copy
    // fail, 0 as well. Either 0 ends the iteration.
    int32_t nextEntry(TextBuffer& name, TextBuffer& value);

    // Writes every entry as the section `sectionName` of the profile file
    // `path`, replacing it: 1 done, 0 failed. Defined with the Windows
    // services (src/system).
    int32_t writeSection(const char* path, const char* sectionName);

    ListCursor* cursor;
    NameEntry* current;

  private:
    void endIteration();
};

#endif
