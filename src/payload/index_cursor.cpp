// The cursor's moves over the pages of an index, in tree order.
#include <cstring>

#include "payload/index_file.h"
#include "payload/page_cache.h"

namespace {

using namespace payload;

constexpr int32_t kDamaged = -3;  // internal: the walk ends here
constexpr int32_t kPastEnd = -2;
constexpr int kForward = 1;
constexpr int kBackward = -1;

int32_t usedBytes(const unsigned char* page) {
    return readI32(page + kPageUsedBytes);
}
int32_t leftChild(const unsigned char* page) {
    return readI32(page + kPageLeftChild);
}
int validLink(int32_t link) {
    return link == kNoPage || link >= kRootPageSize;
}

int32_t damage(IndexFile& file) {
    file.damaged = 1;
    return kDamaged;
}

// Length of the name of the entry at `p`, or -1 when the entry does not lie
// whole within usedBytes, its name has no zero byte within 1024 bytes, or its
// link is not a page offset.
int32_t nameLength(const unsigned char* page, int32_t p) {
    int32_t used = usedBytes(page);
    if (p < 0 || p > used - kEntryFixedSize)
        return -1;
    const unsigned char* entry = page + kPageEntries + p;
    int32_t room = used - p - kEntryName;
    if (room > kMaxNameLength + 1)
        room = kMaxNameLength + 1;
    const void* end = memchr(entry + kEntryName, 0, static_cast<size_t>(room));
    if (end == nullptr || !validLink(readI32(entry + kEntryChild)))
        return -1;
    return static_cast<int32_t>(static_cast<const unsigned char*>(end) - (entry + kEntryName));
}

int32_t childAt(IndexFile& file, const unsigned char* page, int32_t p) {
    if (nameLength(page, p) < 0)
        return damage(file);
    return readI32(page + kPageEntries + p + kEntryChild);
}

int32_t store(IndexFile& file, int level, int32_t position) {
    if (position != kDamaged)
        file.path[level].entryPosition = position;
    return position;
}

int32_t nextPosition(IndexFile& file, const unsigned char* page, int level) {
    int32_t p = file.path[level].entryPosition;
    int32_t used = usedBytes(page);
    if (p == -1)
        return store(file, level, 0);
    if (p == used)
        return p;
    int32_t length = nameLength(page, p);
    if (length < 0)
        return damage(file);
    return store(file, level, p + kEntryFixedSize + length);
}

int32_t lastPositionBefore(IndexFile& file, const unsigned char* page, int level, int32_t limit) {
    int32_t last = -1;
    for (int32_t q = 0; q < limit;) {
        int32_t length = nameLength(page, q);
        if (length < 0)
            return damage(file);
        last = q;
        q += kEntryFixedSize + length;
    }
    return store(file, level, last);
}

int32_t previousPosition(IndexFile& file, const unsigned char* page, int level) {
    int32_t p = file.path[level].entryPosition;
    if (p > 0)
        return lastPositionBefore(file, page, level, p);
    return store(file, level, -1);
}

// One level down, through `link`; nullptr when the tree goes deeper than the
// cursor path or the walk would enter more pages than the file holds.
const unsigned char* descend(IndexFile& file, int32_t link) {
    if (file.depth + 1 >= kMaxTreeDepth || file.pagesLeft <= 0) {
        damage(file);
        return nullptr;
    }
    --file.pagesLeft;
    const unsigned char* page = loadLevel(file, file.depth + 1, link);
    if (page != nullptr)
        ++file.depth;
    return page;
}

int copyEntry(IndexFile& file, const unsigned char* page, int32_t p, EntryRecord& record) {
    int32_t length = nameLength(page, p);
    if (length < 0) {
        damage(file);
        return 0;
    }
    const unsigned char* entry = page + kPageEntries + p;
    record.child = readI32(entry + kEntryChild);
    record.value = readI32(entry + kEntryValue);
    memcpy(record.name, entry + kEntryName, static_cast<size_t>(length));
    record.name[length] = '\0';
    return 1;
}

void startWalk(IndexFile& file) {
    file.damaged = 0;
    file.pagesLeft = file.pageLimit;
    file.lastStep = 0;
    file.depth = 0;
    file.path[0] = {0, -1};
}

// Turning round re-enters the pages just left, so the count starts again.
void turnTo(IndexFile& file, int direction) {
    if (file.lastStep != direction)
        file.pagesLeft = file.pageLimit;
    file.lastStep = direction;
}

}  // namespace

const unsigned char* loadLevel(IndexFile& file, int level, int32_t position) {
    const unsigned char* page = nullptr;
    if (level == 0) {
        page = file.rootImage;
    } else if (level > 0 && level < kMaxTreeDepth && position >= kRootPageSize) {
        CachedPage* slot = fetchPage(file.descriptor, position);
        page = slot == nullptr ? nullptr : slot->image;
    }
    if (page == nullptr || readI32(page + kPageOwnPosition) != (level == 0 ? 0 : position) ||
        usedBytes(page) < 0 || usedBytes(page) > kEntryAreaSize || !validLink(leftChild(page))) {
        damage(file);
        return nullptr;
    }
    file.path[level].pagePosition = readI32(page + kPageOwnPosition);
    return page;
}

int rewindToStart(IndexFile& file) {
    startWalk(file);
    const unsigned char* page = loadLevel(file, 0, 0);
    while (page != nullptr && leftChild(page) != kNoPage) {
        page = descend(file, leftChild(page));
        if (page != nullptr)
            file.path[file.depth].entryPosition = -1;
    }
    return 1;
}

int rewindToEnd(IndexFile& file) {
    startWalk(file);
    const unsigned char* page = loadLevel(file, 0, 0);
    if (page == nullptr)
        return 1;
    int32_t p = lastPositionBefore(file, page, 0, usedBytes(page));
    while (p >= 0) {
        int32_t child = childAt(file, page, p);
        if (child == kDamaged)
            return 1;
        if (child == kNoPage)
            break;
        page = descend(file, child);
        if (page == nullptr)
            return 1;
        p = lastPositionBefore(file, page, file.depth, usedBytes(page));
    }
    if (p != kDamaged)
        file.path[file.depth].entryPosition = usedBytes(page);
    return 1;
}

int stepForward(EntryRecord& record, IndexFile& file) {
    if (file.damaged)
        return kPastEnd;
    turnTo(file, kForward);
    const unsigned char* page = loadLevel(file, file.depth, file.path[file.depth].pagePosition);
    if (page == nullptr)
        return kPastEnd;

    int32_t p = file.path[file.depth].entryPosition;
    int32_t down = p == -1                ? leftChild(page)
                   : p == usedBytes(page) ? kNoPage
                                          : childAt(file, page, p);
    while (down != kNoPage) {
        if (down == kDamaged)
            return kPastEnd;
        page = descend(file, down);
        if (page == nullptr)
            return kPastEnd;
        file.path[file.depth].entryPosition = -1;
        down = leftChild(page);
    }

    int32_t r = nextPosition(file, page, file.depth);
    while (r == usedBytes(page)) {
        if (file.depth == 0) {
            rewindToEnd(file);
            return kPastEnd;
        }
        --file.depth;
        page = loadLevel(file, file.depth, file.path[file.depth].pagePosition);
        if (page == nullptr)
            return kPastEnd;
        r = nextPosition(file, page, file.depth);
    }
    if (r == kDamaged || !copyEntry(file, page, r, record))
        return kPastEnd;
    return 1;
}

int stepBackward(EntryRecord& record, IndexFile& file) {
    if (file.damaged)
        return kPastEnd;
    turnTo(file, kBackward);
    const unsigned char* page = loadLevel(file, file.depth, file.path[file.depth].pagePosition);
    if (page == nullptr)
        return kPastEnd;

    int32_t p = previousPosition(file, page, file.depth);
    int32_t down = p == -1 ? leftChild(page) : childAt(file, page, p);
    while (down != kNoPage) {
        if (down == kDamaged)
            return kPastEnd;
        page = descend(file, down);
        if (page == nullptr)
            return kPastEnd;
        p = lastPositionBefore(file, page, file.depth, usedBytes(page));
        down = p == -1 ? leftChild(page) : childAt(file, page, p);
    }

    int climbed = 0;
    while (file.path[file.depth].entryPosition == -1) {
        if (file.depth == 0) {
            rewindToStart(file);
            return kPastEnd;
        }
        --file.depth;
        climbed = 1;
    }
    if (climbed) {
        page = loadLevel(file, file.depth, file.path[file.depth].pagePosition);
        if (page == nullptr)
            return kPastEnd;
    }
    if (!copyEntry(file, page, file.path[file.depth].entryPosition, record))
        return kPastEnd;
    return 1;
}
