#include "payload/entry_index.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/allocation.h"
#include "index_walk.h"
#include "payload/index_file.h"
#include "payload_builder.h"
#include "scratch_folder.h"

using namespace testpayload;

namespace {

std::vector<NamedValue> numberedNames(int count, const std::string& stem = "nom") {
    std::vector<NamedValue> items;
    for (int i = 0; i < count; ++i)
        items.emplace_back(stem + std::to_string(10000 + i), i * 37 - 5);
    return items;
}

class EntryIndexTest : public ::testing::Test {
  protected:
    std::vector<NamedValue> walk(const std::vector<TestPage>& pages, int backward) {
        writeFile(path, indexImage(pages));
        return walkIndexFile(path, backward);
    }

    ScratchFolder folder;
    std::string path = folder.path("1a2b.AX");
};

TEST_F(EntryIndexTest, MissingFileIsCreatedAsAnEmptyRoot) {
    EntryIndex index(path.c_str(), 0);
    ASSERT_TRUE(index.isOpen());
    TextBuffer name("untouched");
    int32_t value = 42;
    index.setDirection(0);
    EXPECT_EQ(0, index.next(name, value));
    EXPECT_EQ(0, index.next(name, value));
    EXPECT_STREQ("untouched", name.text);
    EXPECT_EQ(42, value);
    index.setDirection(1);
    EXPECT_EQ(0, index.next(name, value));

    Bytes file = readFile(path);
    ASSERT_EQ(7176u, file.size());
    EXPECT_EQ(0, payload::readI32(&file[0]));
    EXPECT_EQ(0, payload::readI32(&file[4]));
    EXPECT_EQ(-1, payload::readI32(&file[8]));
    EXPECT_EQ(-1, payload::readI32(&file[7168]));
    EXPECT_EQ(1, payload::readI32(&file[7172]));
}

TEST_F(EntryIndexTest, ForceCreateTruncatesAnExistingIndex) {
    writeFile(path, indexImage(balancedTree(numberedNames(50), 5)));
    {
        EntryIndex index(path.c_str(), 1);
        ASSERT_TRUE(index.isOpen());
        EXPECT_TRUE(walkIndex(index, 0).empty());
    }
    EXPECT_EQ(7176u, readFile(path).size());
}

TEST_F(EntryIndexTest, SinglePageWalksInStoredOrderWithEachValue) {
    std::vector<NamedValue> items = {{"Demo.exe", 0},
                                     {"data\\a.txt", 123456},
                                     {"data\\b.txt", -1},
                                     {"z", 2147483647},
                                     {std::string(1023, 'n'), -2147483647 - 1}};
    std::vector<TestPage> pages = {TestPage{0, -1, {}}};
    for (const NamedValue& item : items)
        pages[0].entries.push_back({item.first, item.second, -1});
    EXPECT_EQ(items, walk(pages, 0));
    EXPECT_EQ(reversed(items), walk(pages, 1));
}

TEST_F(EntryIndexTest, TwoLevelTreeWalksInTreeOrder) {
    // a b | c | d e | f | g
    std::vector<TestPage> pages = {
        {0, 7176, {{"c", 3, 14344}, {"f", 6, 21512}}},
        {7176, -1, {{"a", 1}, {"b", 2}}},
        {14344, -1, {{"d", 4}, {"e", 5}}},
        {21512, -1, {{"g", 7}}},
    };
    std::vector<NamedValue> expected = {{"a", 1}, {"b", 2}, {"c", 3}, {"d", 4},
                                        {"e", 5}, {"f", 6}, {"g", 7}};
    EXPECT_EQ(expected, walk(pages, 0));
    EXPECT_EQ(reversed(expected), walk(pages, 1));
}

TEST_F(EntryIndexTest, PagesMayLieAnywhereAfterTheRoot) {
    std::vector<TestPage> pages = {
        {0, 50000, {{"m", 2, 9000}}},
        {50000, -1, {{"a", 1}}},
        {9000, -1, {{"z", 3}}},
    };
    std::vector<NamedValue> expected = {{"a", 1}, {"m", 2}, {"z", 3}};
    EXPECT_EQ(expected, walk(pages, 0));
    EXPECT_EQ(reversed(expected), walk(pages, 1));
}

TEST_F(EntryIndexTest, ThreeLevelTreeWalksInTreeOrder) {
    std::vector<NamedValue> items = numberedNames(20);
    std::vector<TestPage> pages = balancedTree(items, 2);
    ASSERT_EQ(3, treeDepth(pages));
    EXPECT_EQ(items, walk(pages, 0));
    EXPECT_EQ(reversed(items), walk(pages, 1));
}

TEST_F(EntryIndexTest, TreeOfEightLevelsIsWalkedWhole) {
    std::vector<NamedValue> items = numberedNames(255);
    std::vector<TestPage> pages = balancedTree(items, 1);
    ASSERT_EQ(8, treeDepth(pages));
    EXPECT_EQ(items, walk(pages, 0));
    EXPECT_EQ(reversed(items), walk(pages, 1));
}

TEST_F(EntryIndexTest, FullPagesWalkInOrder) {
    std::vector<NamedValue> items = numberedNames(5000, std::string(40, 'p'));
    std::vector<TestPage> pages = balancedTree(items, 130);  // 130 * 54 of 7156 bytes
    ASSERT_GE(pages.size(), 30u);
    EXPECT_EQ(items, walk(pages, 0));
    EXPECT_EQ(reversed(items), walk(pages, 1));
}

TEST_F(EntryIndexTest, AfterTheEndNextKeepsReturningZeroUntilTheDirectionIsSet) {
    std::vector<NamedValue> items = numberedNames(20);
    writeFile(path, indexImage(balancedTree(items, 2)));
    EntryIndex index(path.c_str(), 0);
    ASSERT_TRUE(index.isOpen());
    EXPECT_EQ(items, walkIndex(index, 0));
    TextBuffer name(10);
    int32_t value = 0;
    EXPECT_EQ(0, index.next(name, value));
    EXPECT_EQ(0, index.next(name, value));
    index.setDirection(0);
    ASSERT_EQ(1, index.next(name, value));
    EXPECT_STREQ(items[0].first.c_str(), name.text);
    index.setDirection(1);
    ASSERT_EQ(1, index.next(name, value));
    EXPECT_STREQ(items.back().first.c_str(), name.text);
}

TEST_F(EntryIndexTest, LowLevelStepsTurnRoundMidWalk) {
    std::vector<NamedValue> items = numberedNames(30);
    writeFile(path, indexImage(balancedTree(items, 2)));
    IndexFile file = {};
    ASSERT_EQ(1, openExisting(path.c_str(), file));
    EntryRecord record;
    for (int i = 0; i < 12; ++i) {
        ASSERT_EQ(1, stepForward(record, file));
        EXPECT_EQ(items[i].first, record.name);
    }
    for (int i = 10; i >= 0; --i) {
        ASSERT_EQ(1, stepBackward(record, file));
        EXPECT_EQ(items[i].first, record.name);
        EXPECT_EQ(items[i].second, record.value);
    }
    EXPECT_EQ(-2, stepBackward(record, file));
    EXPECT_EQ(-2, stepBackward(record, file));
    ASSERT_EQ(1, stepForward(record, file));
    EXPECT_EQ(items[0].first, record.name);
    closeIndex(file);
}

TEST_F(EntryIndexTest, TwoIndexesUsedAlternatelyDoNotDisturbEachOther) {
    std::vector<NamedValue> first = numberedNames(400, "premier");
    std::vector<NamedValue> second = numberedNames(300, "second");
    std::string otherPath = folder.path("3c4d.AX");
    writeFile(path, indexImage(balancedTree(first, 4)));
    writeFile(otherPath, indexImage(balancedTree(second, 3)));
    EntryIndex a(path.c_str(), 0);
    EntryIndex b(otherPath.c_str(), 0);
    ASSERT_TRUE(a.isOpen());
    ASSERT_TRUE(b.isOpen());
    a.setDirection(0);
    b.setDirection(1);
    std::vector<NamedValue> seenA, seenB;
    TextBuffer name(10);
    int32_t value = 0;
    bool moreA = true, moreB = true;
    while (moreA || moreB) {
        if (moreA && (moreA = a.next(name, value) == 1))
            seenA.emplace_back(name.text, value);
        if (moreB && (moreB = b.next(name, value) == 1))
            seenB.emplace_back(name.text, value);
    }
    EXPECT_EQ(first, seenA);
    EXPECT_EQ(reversed(second), seenB);
}

TEST_F(EntryIndexTest, IndexReopenedAfterAnotherIsClosedSeesOnlyItsOwnPages) {
    std::string otherPath = folder.path("other.AX");
    std::vector<NamedValue> first = numberedNames(40, "un");
    std::vector<NamedValue> second = numberedNames(40, "deux");
    writeFile(path, indexImage(balancedTree(first, 3)));
    writeFile(otherPath, indexImage(balancedTree(second, 3)));
    EXPECT_EQ(first, walkIndexFile(path, 0));        // its pages stay in the cache, forgotten
    EXPECT_EQ(second, walkIndexFile(otherPath, 0));  // likely the same descriptor number
}

TEST_F(EntryIndexTest, RootThatCannotBeReadWholeMeansNotOpen) {
    for (size_t size : {0, 100, 7175}) {
        writeFile(path, Bytes(size, 0));
        EXPECT_FALSE(EntryIndex(path.c_str(), 0).isOpen()) << size;
    }
    writeFile(path, indexImage({TestPage{0, -1, {}}}));
    EXPECT_TRUE(EntryIndex(path.c_str(), 0).isOpen());
}

TEST_F(EntryIndexTest, IndexThatCannotBeCreatedIsNotOpen) {
    EXPECT_FALSE(EntryIndex(folder.path("no-such-folder/x.AX").c_str(), 0).isOpen());
    EXPECT_FALSE(EntryIndex(folder.root.string().c_str(), 0).isOpen());
    EXPECT_FALSE(EntryIndex(folder.root.string().c_str(), 1).isOpen());
}

TEST_F(EntryIndexTest, NoMemoryForTheIndexFileMeansNotOpen) {
    writeFile(path, indexImage(balancedTree(numberedNames(5), 5)));
    int32_t blocksBefore = liveBlockCount();
    failNthAllocation(1);
    {
        EntryIndex index(path.c_str(), 0);
        EXPECT_FALSE(index.isOpen());
        TextBuffer name(10);
        int32_t value = 0;
        index.setDirection(0);
        EXPECT_EQ(0, index.next(name, value));
    }
    failNthAllocation(0);
    EXPECT_EQ(blocksBefore, liveBlockCount());
}

TEST_F(EntryIndexTest, FileExistsSeesFilesAndFolders) {
    EXPECT_EQ(0, fileExists(path.c_str()));
    writeFile(path, {});
    EXPECT_EQ(1, fileExists(path.c_str()));
    EXPECT_EQ(1, fileExists(folder.root.string().c_str()));
    EXPECT_EQ(0, fileExists(nullptr));
}

}  // namespace
