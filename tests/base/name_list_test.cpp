#include "base/name_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "block_balance.h"

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

Pairs entriesOf(NameList& list) {
    Pairs pairs;
    TextBuffer name(0);
    TextBuffer value(0);
    if (!list.beginIteration())
        return pairs;
    while (list.nextEntry(name, value))
        pairs.emplace_back(name.text, value.text);
    return pairs;
}

}  // namespace

using PointerListTest = BlockBalance;
using NameListTest = BlockBalance;

TEST_F(PointerListTest, AddsAtTheEndAndLeavesItemsAlone) {
    int items[3] = {};
    {
        PointerList list;
        EXPECT_EQ(list.add(&items[0]), 0);
        EXPECT_EQ(list.add(&items[1]), 1);
        EXPECT_EQ(list.add(nullptr), -1);
        EXPECT_EQ(list.add(&items[2]), 2);
        EXPECT_EQ(list.count, 3);
        ListCursor cursor(list);
        EXPECT_EQ(cursor.next(), &items[0]);
        EXPECT_EQ(cursor.next(), &items[1]);
        EXPECT_EQ(cursor.next(), &items[2]);
        EXPECT_EQ(cursor.next(), nullptr);
        EXPECT_EQ(cursor.next(), nullptr);
    }
    EXPECT_EQ(ListCursor(PointerList()).next(), nullptr);
}

TEST_F(PointerListTest, NoNodeNoItem) {
    PointerList list;
    int item = 0;
    failNthAllocation(1);
    EXPECT_EQ(list.add(&item), -1);
    EXPECT_EQ(list.count, 0);
    EXPECT_EQ(list.head, nullptr);
    EXPECT_EQ(list.add(&item), 0);
}

TEST_F(NameListTest, KnownNameKeepsPlaceAndFirstSpelling) {
    NameList list;
    list.set("C:\\A.TXT", "1");
    list.set("C:\\B.TXT", "1");
    list.set("c:\\a.txt", "2");
    EXPECT_EQ(list.count, 2);
    EXPECT_EQ(entriesOf(list), (Pairs{{"C:\\A.TXT", "2"}, {"C:\\B.TXT", "1"}}));
}

TEST_F(NameListTest, NullNameAndNullValue) {
    NameList list;
    list.set(nullptr, "1");
    EXPECT_EQ(list.count, 0);
    list.set("x", nullptr);
    ASSERT_NE(list.find("X"), nullptr);
    EXPECT_STREQ(list.find("X")->value.text, "");
    EXPECT_EQ(list.find(nullptr), nullptr);
    EXPECT_EQ(list.find("y"), nullptr);
}

TEST_F(NameListTest, IterationFollowsInsertionOrder) {
    NameList list;
    list.set("beta", "1");
    list.set("alpha", "2");
    list.set("gamma", "3");
    EXPECT_EQ(entriesOf(list), (Pairs{{"beta", "1"}, {"alpha", "2"}, {"gamma", "3"}}));
}

TEST_F(NameListTest, NextEntryOutsideAnIteration) {
    NameList list;
    list.set("only", "1");
    TextBuffer name(0);
    TextBuffer value(0);
    EXPECT_EQ(list.nextEntry(name, value), 0);
    ASSERT_EQ(list.beginIteration(), 1);
    EXPECT_EQ(list.nextEntry(name, value), 1);
    EXPECT_EQ(list.current, list.find("only"));
    EXPECT_EQ(list.nextEntry(name, value), 0);
    EXPECT_EQ(list.nextEntry(name, value), 0);
    EXPECT_EQ(list.cursor, nullptr);
    EXPECT_EQ(list.current, nullptr);
}

TEST_F(NameListTest, BeginIterationStartsOver) {
    NameList list;
    list.set("a", "1");
    list.set("b", "2");
    TextBuffer name(0);
    TextBuffer value(0);
    list.beginIteration();
    list.nextEntry(name, value);
    list.nextEntry(name, value);
    EXPECT_STREQ(name.text, "b");
    ASSERT_EQ(list.beginIteration(), 1);
    EXPECT_EQ(list.nextEntry(name, value), 1);
    EXPECT_STREQ(name.text, "a");
}

TEST_F(NameListTest, DeliveredTextsAreCopiesWithTheEntryCapacities) {
    NameList list;
    list.set("file.txt", "1");
    TextBuffer name(260);
    TextBuffer value(260);
    list.beginIteration();
    ASSERT_EQ(list.nextEntry(name, value), 1);
    EXPECT_EQ(name.capacity, 9);
    EXPECT_EQ(value.capacity, 2);
    name.text[0] = 'X';
    EXPECT_STREQ(list.find("file.txt")->name.text, "file.txt");
}

TEST_F(NameListTest, ValueFromTheEntryItself) {
    NameList list;
    list.set("k", "value");
    NameEntry* entry = list.find("k");
    list.set("K", entry->value.text + 2);
    EXPECT_STREQ(entry->value.text, "lue");
    EXPECT_EQ(entry->value.capacity, 4);
}

TEST_F(NameListTest, NoMemoryRecordsNothing) {
    for (int32_t n = 1; n <= 4; ++n) {
        NameList list;
        list.set("first", "1");
        failNthAllocation(n);
        list.set("second", "2");
        failNthAllocation(0);
        const Pairs got = entriesOf(list);
        const bool recorded = got == Pairs{{"first", "1"}, {"second", "2"}};
        EXPECT_TRUE(recorded || got == (Pairs{{"first", "1"}})) << "allocation " << n;
        EXPECT_EQ(list.count, static_cast<int32_t>(got.size())) << "allocation " << n;
    }
}

TEST_F(NameListTest, NoMemoryKeepsTheOldValue) {
    NameList list;
    list.set("name", "old");
    failNthAllocation(1);
    list.set("NAME", "new");
    EXPECT_EQ(entriesOf(list), (Pairs{{"name", "old"}}));
}

TEST_F(NameListTest, NoCursorMeansAnEmptyWalk) {
    NameList list;
    list.set("a", "1");
    failNthAllocation(1);
    EXPECT_EQ(list.beginIteration(), 0);
    TextBuffer name(0);
    TextBuffer value(0);
    EXPECT_EQ(list.nextEntry(name, value), 0);
}

TEST_F(NameListTest, FailedCopyEndsTheIteration) {
    NameList list;
    list.set("a", "1");
    list.set("b", "2");
    TextBuffer name(0);
    TextBuffer value(0);
    ASSERT_EQ(list.beginIteration(), 1);
    failNthAllocation(2);
    EXPECT_EQ(list.nextEntry(name, value), 0);
    EXPECT_EQ(list.cursor, nullptr);
    EXPECT_EQ(list.nextEntry(name, value), 0);
}
