// The process-wide cache of index pages other than roots: 8 slots shared by
// every open index, matched by descriptor and page offset, replaced
// round-robin starting after the slot used last.
#ifndef AZ_PAYLOAD_PAGE_CACHE_H
#define AZ_PAYLOAD_PAGE_CACHE_H

#include <cstdint>

#include "payload/layout.h"

struct CachedPage {
    int modified;
    int owner;  // descriptor of the index the page belongs to
    unsigned char image[payload::kPageSize];
    // The page held, from the image's own ownPosition word; -1 for none.
    int32_t position() const { return payload::readI32(image + payload::kPageOwnPosition); }
};

constexpr int kCacheSlots = 8;

struct PageCache {
    CachedPage slots[kCacheSlots];
    int lastUsed;  // initially 0, so the first page loaded goes into slot 1
    int initialised;
};

// The one cache of the process.
PageCache& pageCache();

// Empties every slot, once per process (later calls do nothing).
void preparePageCache();

// The slot holding the page at `position` of `descriptor`, read into the slot
// after the slot used last when it is not held (a modified victim is written
// back first). nullptr when the page cannot be read whole or does not name
// its own offset; the slot is then left empty, never holding bytes that could
// be taken for another page.
CachedPage* fetchPage(int descriptor, int32_t position);

// Writes back the modified pages of `descriptor` and forgets all of its
// pages, so that a later index given the same descriptor number cannot find
// them.
void releasePages(int descriptor);

#endif
