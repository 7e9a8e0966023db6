// One open entry index file and the cursor that walks it in tree order.
//
// A walk trusts nothing it reads: every page offset, used-byte count, entry,
// name and link is checked against the container layout before use. A page
// that breaks the layout, cannot be read whole, lies deeper than 8 levels, or
// would take the walk into more pages than the file can hold (a cycle or a
// shared page) marks the cursor damaged: every step then reports the end
// until the next rewind.
//
// Results: 1 success, 0 failure, -2 past an end.
#ifndef AZ_PAYLOAD_INDEX_FILE_H
#define AZ_PAYLOAD_INDEX_FILE_H

#include <cstdint>

#include "payload/layout.h"

// One entry copied out of a page: child, value, name and its zero byte.
struct EntryRecord {
    int32_t child;
    int32_t value;
    char name[payload::kMaxNameLength + 1];
};
static_assert(sizeof(EntryRecord) == payload::kEntryRecordSize, "an entry record is 1032 bytes");

struct CursorLevel {
    int32_t pagePosition;   // offset of the page at this level; 0 for the root
    int32_t entryPosition;  // -1 before the first entry, usedBytes after the last
};

struct IndexFile {
    int descriptor;
    int rootModified;
    int depth;
    CursorLevel path[payload::kMaxTreeDepth];
    unsigned char rootImage[payload::kRootPageSize];  // the root, never cached
    int damaged;                                      // the walk has met a page it cannot trust
    int32_t pageLimit;  // pages other than the root that the file can hold
    int32_t pagesLeft;  // pages the current walk may still enter
    int lastStep;       // 1 forward, -1 backward, 0 none since the rewind
    int borrowed;       // the descriptor stays open when the index is closed
};

// Open an existing index (read and write, binary) and read its root whole;
// the cursor stands before the first entry. 0 when the file cannot be opened
// or its root cannot be read whole (nothing left open).
int openExisting(const char* path, IndexFile& file);
// The same over a descriptor open for reading that the caller owns: closing
// the index leaves it open.
int openOnDescriptor(int descriptor, IndexFile& file);
// Create or truncate the file and write an empty root (ownPosition 0,
// usedBytes 0, leftChild -1, then -1 and 1). 0 when that cannot be done.
int createNew(const char* path, IndexFile& file);
// Write back what was modified, forget the file's cached pages, close. 1.
int closeIndex(IndexFile& file);

// Before the first entry, or after the last. 1 (a damaged path is recorded
// in `damaged` and ends the walk).
int rewindToStart(IndexFile& file);
int rewindToEnd(IndexFile& file);
// 1 with the next (previous) entry in `record`; -2 past the end (start), the
// cursor then standing at that end, or on a damaged page.
int stepForward(EntryRecord& record, IndexFile& file);
int stepBackward(EntryRecord& record, IndexFile& file);

// The page at `position` made current at `level` (the root at level 0), its
// header checked; nullptr (and the cursor damaged) when it cannot be had.
const unsigned char* loadLevel(IndexFile& file, int level, int32_t position);

// 1 when a file or folder exists at `path`.
int fileExists(const char* path);
// The error hook: kind 0 open, 1 read, 2 write or close; position of the
// failed transfer (0 for open and close). Takes no action.
void reportIndexError(int kind, int32_t position);

#endif
