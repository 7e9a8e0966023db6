#include "write/entry_table.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>

#include "payload/layout.h"

namespace azpack {
namespace {

using payload::readI32;

struct Walked {
    std::vector<std::string> names;
    std::vector<int32_t> values;
    int maxDepth = 0;
    std::set<int32_t> pages;
};

// Tree order as the installer's walker defines it: the leftChild subtree,
// then each entry followed by its child subtree. Asserts the page invariants.
void walk(const std::vector<unsigned char>& image, int32_t offset, int depth, Walked* out) {
    ASSERT_LE(depth, payload::kMaxTreeDepth);
    ASSERT_GE(offset, 0);
    ASSERT_LE(static_cast<size_t>(offset) + payload::kPageSize, image.size());
    ASSERT_TRUE(out->pages.insert(offset).second) << "page linked twice: " << offset;
    out->maxDepth = std::max(out->maxDepth, depth);
    const unsigned char* page = image.data() + offset;
    EXPECT_EQ(readI32(page + payload::kPageOwnPosition), offset);
    int32_t used = readI32(page + payload::kPageUsedBytes);
    ASSERT_GE(used, 0);
    ASSERT_LE(used, payload::kEntryAreaSize);
    if (depth > 1) {
        EXPECT_GT(used, 0) << "empty page below the root at " << offset;
    }
    for (int i = used; i < payload::kEntryAreaSize; ++i)
        ASSERT_EQ(page[payload::kPageEntries + i], 0) << "padding at page " << offset;
    int32_t left = readI32(page + payload::kPageLeftChild);
    if (left != -1)
        walk(image, left, depth + 1, out);
    int32_t p = 0;
    while (p < used) {
        const unsigned char* entry = page + payload::kPageEntries + p;
        std::string name(reinterpret_cast<const char*>(entry + payload::kEntryName));
        ASSERT_LE(p + 9 + static_cast<int32_t>(name.size()), used);
        out->names.push_back(name);
        out->values.push_back(readI32(entry + payload::kEntryValue));
        int32_t child = readI32(entry + payload::kEntryChild);
        if (child != -1)
            walk(image, child, depth + 1, out);
        p += 9 + static_cast<int32_t>(name.size());
    }
}

std::vector<std::string> makeNames(int count, size_t length) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        char number[16];
        std::snprintf(number, sizeof number, "%07d", i);
        std::string name = std::string("dir\\") + number;
        name += std::string(length > name.size() ? length - name.size() : 0, 'x');
        names.push_back(name);
    }
    return names;
}

std::vector<int32_t> makeValues(size_t count) {
    std::vector<int32_t> values;
    for (size_t i = 0; i < count; ++i)
        values.push_back(static_cast<int32_t>(i * 1000 + 7));
    return values;
}

void expectWalkYields(const std::vector<std::string>& names, int expectedDepth) {
    EntryTable table;
    std::string error;
    ASSERT_TRUE(table.plan(names, &error)) << error;
    std::vector<unsigned char> image = table.image(makeValues(names.size()));
    ASSERT_EQ(image.size(), table.imageSize());
    ASSERT_EQ((image.size() - payload::kRootPageSize) % payload::kPageSize, 0u);
    Walked walked;
    walk(image, 0, 1, &walked);
    EXPECT_EQ(walked.names, names);
    EXPECT_EQ(walked.values, makeValues(names.size()));
    EXPECT_EQ(walked.maxDepth, expectedDepth);
    EXPECT_EQ(table.depth(), expectedDepth);
    EXPECT_EQ(static_cast<int>(walked.pages.size()), table.pageCount()) << "unlinked pages";
}

TEST(EntryTable, EmptyTableIsANewRoot) {
    EntryTable table;
    std::string error;
    ASSERT_TRUE(table.plan({}, &error));
    std::vector<unsigned char> image = table.image({});
    ASSERT_EQ(image.size(), static_cast<size_t>(payload::kRootPageSize));
    EXPECT_EQ(readI32(image.data()), 0);
    EXPECT_EQ(readI32(image.data() + payload::kPageUsedBytes), 0);
    EXPECT_EQ(readI32(image.data() + payload::kPageLeftChild), -1);
    EXPECT_EQ(readI32(image.data() + payload::kRootReserved1), -1);
    EXPECT_EQ(readI32(image.data() + payload::kRootReserved2), 1);
}

TEST(EntryTable, SinglePageHoldsEntriesBackToBackWithNoLinks) {
    EntryTable table;
    std::string error;
    ASSERT_TRUE(table.plan({"a", "b\\c"}, &error));
    std::vector<unsigned char> image = table.image({0, 22});
    ASSERT_EQ(image.size(), static_cast<size_t>(payload::kRootPageSize));
    const unsigned char* e = image.data() + payload::kPageEntries;
    EXPECT_EQ(readI32(image.data() + payload::kPageUsedBytes), 10 + 12);
    EXPECT_EQ(readI32(e), -1);
    EXPECT_EQ(readI32(e + 4), 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(e + 8)), "a");
    EXPECT_EQ(readI32(e + 10), -1);
    EXPECT_EQ(readI32(e + 14), 22);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(e + 18)), "b\\c");
}

TEST(EntryTable, ExactlyFullRootStaysOnePage) {
    // 7156 bytes: six entries of 1032 (1023-byte names) and one of 964.
    std::vector<std::string> names = makeNames(6, 1023);
    names.push_back(std::string("z") + std::string(954, 'y'));
    EntryTable table;
    std::string error;
    ASSERT_TRUE(table.plan(names, &error));
    EXPECT_EQ(table.pageCount(), 1);
    names.back().push_back('y');  // one byte more than a page holds
    ASSERT_TRUE(table.plan(names, &error));
    EXPECT_GT(table.pageCount(), 1);
    expectWalkYields(names, 2);
}

TEST(EntryTable, LastNameNeverLeavesAnEmptyPage) {
    // Six 1032-byte entries fill a page; the seventh would move up and leave
    // nothing behind it.
    expectWalkYields(makeNames(7, 1023), 2);
    expectWalkYields(makeNames(13, 1023), 2);
    expectWalkYields(makeNames(14, 1023), 2);
}

TEST(EntryTable, ManyNamesMakeSeveralLevelsWalkedInOrder) {
    expectWalkYields(makeNames(500, 20), 2);
    expectWalkYields(makeNames(20000, 200), 3);
    expectWalkYields(makeNames(3000, 1023), 5);
}

}  // namespace
}  // namespace azpack
