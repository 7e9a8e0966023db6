// The cache's replacement order, seen from a process that has not used it
// before (this program's first test).
#include "payload/page_cache.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "payload/index_file.h"
#include "payload_builder.h"
#include "scratch_folder.h"

using namespace testpayload;

namespace {

int32_t pageAt(int k) {
    return 7176 + k * 7168;
}

// A root and `count` pages, each page naming its own offset.
Bytes indexOfPages(int count) {
    std::vector<TestPage> pages = {{0, -1, {}}};
    for (int k = 0; k < count; ++k)
        pages.push_back(TestPage{pageAt(k), -1, {{"p" + std::to_string(k), k}}});
    return indexImage(pages);
}

class PageCacheTest : public ::testing::Test {
  protected:
    void openIndex(IndexFile& file, const std::string& name, int pages) {
        std::string path = folder.path(name);
        writeFile(path, indexOfPages(pages));
        ASSERT_EQ(1, openExisting(path.c_str(), file));
    }
    int slotHolding(const IndexFile& file, int32_t position) {
        for (int i = 0; i < kCacheSlots; ++i) {
            const CachedPage& slot = pageCache().slots[i];
            if (slot.owner == file.descriptor && slot.position() == position)
                return i;
        }
        return -1;
    }

    ScratchFolder folder;
};

TEST_F(PageCacheTest, FromStartUpPagesGoToSlotsOneToSevenThenZero) {
    ASSERT_EQ(0, pageCache().initialised);
    IndexFile file = {};
    openIndex(file, "a.AX", 12);
    ASSERT_EQ(1, pageCache().initialised);
    for (const CachedPage& slot : pageCache().slots)
        EXPECT_EQ(-1, slot.position());

    const int expectedSlot[] = {1, 2, 3, 4, 5, 6, 7, 0, 1};
    for (int k = 0; k < 9; ++k) {
        CachedPage* slot = fetchPage(file.descriptor, pageAt(k));
        ASSERT_NE(nullptr, slot);
        EXPECT_EQ(&pageCache().slots[expectedSlot[k]], slot) << "page " << k;
        EXPECT_EQ(pageAt(k), slot->position());
        EXPECT_EQ(expectedSlot[k], pageCache().lastUsed);
    }
    EXPECT_EQ(-1, slotHolding(file, pageAt(0)));  // the ninth replaced the first
    EXPECT_EQ(2, slotHolding(file, pageAt(1)));

    // A hit makes the slot after it the next victim.
    EXPECT_EQ(&pageCache().slots[4], fetchPage(file.descriptor, pageAt(3)));
    EXPECT_EQ(4, pageCache().lastUsed);
    EXPECT_EQ(&pageCache().slots[5], fetchPage(file.descriptor, pageAt(9)));
    EXPECT_EQ(-1, slotHolding(file, pageAt(4)));
    closeIndex(file);
}

TEST_F(PageCacheTest, ClosingForgetsOnlyThatIndexsPages) {
    IndexFile a = {}, b = {};
    openIndex(a, "a.AX", 4);
    openIndex(b, "b.AX", 4);
    for (int k = 0; k < 4; ++k) {
        ASSERT_NE(nullptr, fetchPage(a.descriptor, pageAt(k)));
        ASSERT_NE(nullptr, fetchPage(b.descriptor, pageAt(k)));
    }
    closeIndex(a);
    int held = 0;
    for (const CachedPage& slot : pageCache().slots) {
        if (slot.position() != -1) {
            EXPECT_EQ(b.descriptor, slot.owner);
            ++held;
        }
    }
    EXPECT_EQ(4, held);
    closeIndex(b);
    for (const CachedPage& slot : pageCache().slots)
        EXPECT_EQ(-1, slot.position());
}

TEST_F(PageCacheTest, ModifiedPagesAreWrittenBackWhenReplacedOrClosed) {
    IndexFile file = {};
    openIndex(file, "m.AX", 10);
    CachedPage* first = fetchPage(file.descriptor, pageAt(0));
    ASSERT_NE(nullptr, first);
    first->image[100] = 0x5A;
    first->modified = 1;
    for (int k = 1; k <= 8; ++k)
        ASSERT_NE(nullptr, fetchPage(file.descriptor, pageAt(k)));  // the eighth replaces it
    CachedPage* last = fetchPage(file.descriptor, pageAt(9));
    last->image[200] = 0x6B;
    last->modified = 1;
    closeIndex(file);

    Bytes bytes = readFile(folder.path("m.AX"));
    EXPECT_EQ(0x5A, bytes[pageAt(0) + 100]);
    EXPECT_EQ(0x6B, bytes[pageAt(9) + 200]);
}

TEST_F(PageCacheTest, PageThatCannotBeReadLeavesItsSlotEmpty) {
    IndexFile file = {};
    openIndex(file, "s.AX", 2);
    ASSERT_NE(nullptr, fetchPage(file.descriptor, pageAt(0)));
    int victim = (pageCache().lastUsed + 1) % kCacheSlots;
    EXPECT_EQ(nullptr, fetchPage(file.descriptor, pageAt(5)));  // past the end
    EXPECT_EQ(-1, pageCache().slots[victim].position());
    EXPECT_EQ(nullptr, fetchPage(file.descriptor, pageAt(0) + 1));  // names another offset
    EXPECT_EQ(nullptr, fetchPage(file.descriptor, -1));
    closeIndex(file);
}

}  // namespace
