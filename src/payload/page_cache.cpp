#include "payload/page_cache.h"

#include <cstring>

#include "payload/page_io.h"

namespace {

PageCache theCache = {};

void forget(CachedPage& slot) {
    slot.modified = 0;
    payload::writeI32(slot.image + payload::kPageOwnPosition, payload::kNoPage);
}

void writeBack(CachedPage& slot) {
    if (slot.modified) {
        writeAt(slot.owner, slot.position(), slot.image, payload::kPageSize);
        slot.modified = 0;
    }
}

}  // namespace

PageCache& pageCache() {
    return theCache;
}

void preparePageCache() {
    if (theCache.initialised)
        return;
    for (CachedPage& slot : theCache.slots) {
        slot.owner = -1;
        forget(slot);
    }
    theCache.lastUsed = 0;
    theCache.initialised = 1;
}

CachedPage* fetchPage(int descriptor, int32_t position) {
    if (position == payload::kNoPage)
        return nullptr;
    for (int i = 0; i < kCacheSlots; ++i) {
        CachedPage& slot = theCache.slots[i];
        if (slot.owner == descriptor && slot.position() == position) {
            theCache.lastUsed = i;
            return &slot;
        }
    }
    int victim = (theCache.lastUsed + 1) % kCacheSlots;
    CachedPage& slot = theCache.slots[victim];
    writeBack(slot);
    slot.owner = descriptor;
    slot.modified = 0;
    theCache.lastUsed = victim;
    memset(slot.image, 0, sizeof slot.image);
    // A page that does not name its own offset would later be found under
    // the offset it names.
    if (!readAt(descriptor, position, slot.image, payload::kPageSize) ||
        slot.position() != position) {
        forget(slot);
        return nullptr;
    }
    return &slot;
}

void releasePages(int descriptor) {
    for (CachedPage& slot : theCache.slots) {
        if (slot.owner == descriptor) {
            writeBack(slot);
            forget(slot);
        }
    }
}
