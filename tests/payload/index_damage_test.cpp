// Index files that break the container layout: every walk ends, never reads
// outside a page, and yields only entries it could check.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "index_walk.h"
#include "payload/entry_index.h"
#include "payload/layout.h"
#include "payload_builder.h"
#include "scratch_folder.h"

using namespace testpayload;

namespace {

constexpr size_t kWalkLimit = 200000;

std::vector<NamedValue> numberedNames(int count, const std::string& stem = "nom") {
    std::vector<NamedValue> items;
    for (int i = 0; i < count; ++i)
        items.emplace_back(stem + std::to_string(10000 + i), i);
    return items;
}

class IndexDamageTest : public ::testing::Test {
  protected:
    // Walks both ways; each walk must end well within the limit.
    void walkBothWays(const Bytes& image, std::vector<NamedValue>& forward,
                      std::vector<NamedValue>& backward) {
        writeFile(path, image);
        forward = walkIndexFile(path, 0, kWalkLimit);
        backward = walkIndexFile(path, 1, kWalkLimit);
        EXPECT_LT(forward.size(), kWalkLimit);
        EXPECT_LT(backward.size(), kWalkLimit);
    }
    std::vector<NamedValue> forwardOf(const Bytes& image) {
        std::vector<NamedValue> forward, backward;
        walkBothWays(image, forward, backward);
        return forward;
    }
    std::vector<NamedValue> backwardOf(const Bytes& image) {
        std::vector<NamedValue> forward, backward;
        walkBothWays(image, forward, backward);
        return backward;
    }

    ScratchFolder folder;
    std::string path = folder.path("1a2b.AX");
};

void put(Bytes& image, size_t at, int32_t value) {
    payload::writeI32(&image[at], value);
}

// a b | c | d e | f | g, the leaves at 7176, 14344, 21512.
std::vector<TestPage> twoLevels() {
    return {
        {0, 7176, {{"c", 3, 14344}, {"f", 6, 21512}}},
        {7176, -1, {{"a", 1}, {"b", 2}}},
        {14344, -1, {{"d", 4}, {"e", 5}}},
        {21512, -1, {{"g", 7}}},
    };
}
std::vector<NamedValue> upTo(const std::string& last) {
    std::vector<NamedValue> all = {{"a", 1}, {"b", 2}, {"c", 3}, {"d", 4},
                                   {"e", 5}, {"f", 6}, {"g", 7}};
    std::vector<NamedValue> result;
    for (const NamedValue& item : all) {
        result.push_back(item);
        if (item.first == last)
            break;
    }
    return result;
}

TEST_F(IndexDamageTest, UsedBytesOutsideTheEntryAreaEndsTheWalk) {
    for (int32_t used : {-1, INT_MIN, 7157, INT_MAX}) {
        SCOPED_TRACE(used);
        Bytes image = indexImage(twoLevels());
        put(image, payload::kPageUsedBytes, used);  // the root
        EXPECT_TRUE(forwardOf(image).empty());
        EXPECT_TRUE(backwardOf(image).empty());

        image = indexImage(twoLevels());
        put(image, 14344 + payload::kPageUsedBytes, used);
        EXPECT_EQ(upTo("c"), forwardOf(image));
        EXPECT_TRUE(backwardOf(image).size() <= 3u);  // g, f at most
    }
}

TEST_F(IndexDamageTest, DamageIsToldApartFromTheEnd) {
    writeFile(path, indexImage(twoLevels()));
    {
        EntryIndex index(path.c_str(), 0);
        ASSERT_EQ(7u, walkIndex(index, 0).size());
        EXPECT_EQ(0, index.isDamaged());
        EXPECT_EQ(7u, walkIndex(index, 1).size());
        EXPECT_EQ(0, index.isDamaged());
    }
    Bytes image = indexImage(twoLevels());
    put(image, 14344 + payload::kPageUsedBytes, -1);
    writeFile(path, image);
    EntryIndex index(path.c_str(), 0);
    EXPECT_EQ(upTo("c"), walkIndex(index, 0));
    EXPECT_EQ(1, index.isDamaged());
    walkIndex(index, 1);
    EXPECT_EQ(1, index.isDamaged());
}

TEST_F(IndexDamageTest, EntryRunningPastUsedBytesIsNeverYielded) {
    Bytes image = indexImage(twoLevels());
    put(image, 7176 + payload::kPageUsedBytes, 10 + 9);  // "b" lacks its zero byte
    EXPECT_EQ(upTo("a"), forwardOf(image));
    for (const NamedValue& item : backwardOf(image))
        EXPECT_NE("b", item.first);
}

TEST_F(IndexDamageTest, NameWithoutZeroByteEndsTheWalk) {
    std::string longest(7156 - 9, 'x');  // fills the page with no zero byte
    std::vector<TestPage> pages = {{0, -1, {{longest, 1}}}};
    Bytes image = indexImage(pages);
    image[7168 - 1] = 'x';
    EXPECT_TRUE(forwardOf(image).empty());
    EXPECT_TRUE(backwardOf(image).empty());
}

TEST_F(IndexDamageTest, NameOver1023BytesEndsTheWalk) {
    std::vector<TestPage> pages = {
        {0, -1, {{"a", 1}, {std::string(1023, 'b'), 2}, {"c" + std::string(1023, 'c'), 3}}}};
    std::vector<NamedValue> forward = forwardOf(indexImage(pages));
    ASSERT_EQ(2u, forward.size());
    EXPECT_EQ(1023u, forward[1].first.size());
    EXPECT_TRUE(backwardOf(indexImage(pages)).empty());
}

TEST_F(IndexDamageTest, LinksThatAreNotPageOffsetsEndTheWalk) {
    for (int32_t link : {0, 1, 100, 7175, -2, INT_MIN}) {
        SCOPED_TRACE(link);
        Bytes image = indexImage(twoLevels());
        put(image, payload::kPageLeftChild, link);  // the root's
        EXPECT_TRUE(forwardOf(image).empty());

        image = indexImage(twoLevels());
        put(image, 14344 + payload::kPageEntries + payload::kEntryChild, link);  // "d"
        std::vector<NamedValue> forward = forwardOf(image);
        EXPECT_EQ(upTo("c"), forward);
    }
}

TEST_F(IndexDamageTest, PageThatDoesNotNameItsOwnOffsetEndsTheWalk) {
    Bytes image = indexImage(twoLevels());
    put(image, 14344 + payload::kPageOwnPosition, 21512);  // claims to be the "g" page
    EXPECT_EQ(upTo("c"), forwardOf(image));
    std::vector<NamedValue> backward = backwardOf(image);
    EXPECT_EQ((std::vector<NamedValue>{{"g", 7}, {"f", 6}}), backward);

    image = indexImage(twoLevels());
    put(image, payload::kPageOwnPosition, 7176);  // the root
    EXPECT_TRUE(forwardOf(image).empty());
}

TEST_F(IndexDamageTest, TreeDeeperThanEightLevelsEndsTheWalk) {
    std::vector<NamedValue> items = numberedNames(511);
    std::vector<TestPage> pages = balancedTree(items, 1);
    ASSERT_EQ(9, treeDepth(pages));
    std::vector<NamedValue> forward, backward;
    walkBothWays(indexImage(pages), forward, backward);
    EXPECT_TRUE(forward.empty());
    EXPECT_TRUE(backward.empty());
}

TEST_F(IndexDamageTest, CyclesEndTheWalk) {
    // A page that is its own left child, and two pages that are each
    // other's.
    std::vector<TestPage> self = {{0, 7176, {{"m", 1}}}, {7176, 7176, {{"a", 2}}}};
    std::vector<TestPage> pair = {
        {0, -1, {{"m", 1, 7176}}}, {7176, -1, {{"n", 2, 14344}}}, {14344, 7176, {{"o", 3}}}};
    for (const auto& pages : {self, pair}) {
        std::vector<NamedValue> forward, backward;
        walkBothWays(indexImage(pages), forward, backward);
        EXPECT_LE(forward.size(), 10u);
        EXPECT_LE(backward.size(), 10u);
    }
}

TEST_F(IndexDamageTest, PagesSharedByManyLinksCannotMakeTheWalkEndless) {
    // Seven pages of 600 entries, every entry of each linking to the next:
    // read as a tree that would be 600^7 entries.
    std::vector<TestPage> pages;
    for (int level = 0; level < 7; ++level) {
        int32_t position = level == 0 ? 0 : 7176 + (level - 1) * 7168;
        int32_t next = 7176 + level * 7168;
        TestPage page{position, -1, {}};
        for (int i = 0; i < 600; ++i)
            page.entries.push_back({"e" + std::to_string(100 + i), i, level < 6 ? next : -1});
        pages.push_back(page);
    }
    std::vector<NamedValue> forward, backward;
    walkBothWays(indexImage(pages), forward, backward);
    EXPECT_LE(forward.size(), 7u * 600u);
    EXPECT_LE(backward.size(), 7u * 600u);
}

TEST_F(IndexDamageTest, PageCutShortByTheEndOfFileEndsTheWalk) {
    Bytes image = indexImage(twoLevels());
    image.resize(14344 + 200);  // the "d e" page is cut; its header still reads well
    EXPECT_EQ(upTo("c"), forwardOf(image));

    image = indexImage(twoLevels());
    put(image, 14344 + payload::kPageEntries + payload::kEntryChild, 1000000);  // past the end
    EXPECT_EQ(upTo("d"), forwardOf(image));
}

TEST_F(IndexDamageTest, FailedReadNeverServesAnotherPagesBytes) {
    // Walk a sound index so its pages fill the cache, then one whose pages
    // at the same offsets are cut off: nothing of the first may show.
    std::string soundPath = folder.path("sound.AX");
    std::vector<NamedValue> items = numberedNames(60);
    writeFile(soundPath, indexImage(balancedTree(items, 3)));
    Bytes cut = indexImage(balancedTree(items, 3));
    cut.resize(7176);
    writeFile(path, cut);

    EntryIndex sound(soundPath.c_str(), 0);
    EntryIndex damaged(path.c_str(), 0);
    ASSERT_TRUE(sound.isOpen());
    ASSERT_TRUE(damaged.isOpen());
    EXPECT_EQ(items, walkIndex(sound, 0));
    for (int backward : {0, 1}) {
        std::vector<NamedValue> walked = walkIndex(damaged, backward);
        EXPECT_TRUE(walked.empty());
    }
    EXPECT_EQ(reversed(items), walkIndex(sound, 1));
}

TEST_F(IndexDamageTest, DamagedCursorKeepsReportingTheEnd) {
    Bytes image = indexImage(twoLevels());
    put(image, 14344 + payload::kPageUsedBytes, 9000);
    writeFile(path, image);
    EntryIndex index(path.c_str(), 0);
    ASSERT_TRUE(index.isOpen());
    EXPECT_EQ(upTo("c"), walkIndex(index, 0));
    TextBuffer name(10);
    int32_t value = 0;
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(0, index.next(name, value));
    EXPECT_EQ(upTo("c"), walkIndex(index, 0));  // a new walk meets the same page
}

// Every single-byte change of the bytes in use, and every cut of the file.
class IndexSweepTest : public IndexDamageTest {
  protected:
    std::vector<size_t> bytesInUse(const std::vector<TestPage>& pages, const Bytes& image) {
        std::vector<size_t> positions;
        for (const TestPage& page : pages) {
            size_t used = static_cast<size_t>(payload::readI32(&image[page.position + 4]));
            for (size_t i = 0; i < payload::kPageEntries + used; ++i)
                positions.push_back(page.position + i);
        }
        return positions;
    }
};

TEST_F(IndexSweepTest, EverySingleByteChangeEndsEveryWalk) {
    std::vector<NamedValue> items = numberedNames(40);
    std::vector<TestPage> pages = balancedTree(items, 3);
    Bytes image = indexImage(pages);
    for (size_t at : bytesInUse(pages, image)) {
        for (unsigned char mask : {0x01, 0xFF}) {
            SCOPED_TRACE(std::to_string(at) + " ^ " + std::to_string(mask));
            Bytes damaged = image;
            damaged[at] ^= mask;
            std::vector<NamedValue> forward, backward;
            walkBothWays(damaged, forward, backward);
            ASSERT_LE(forward.size(), 2 * items.size());
            ASSERT_LE(backward.size(), 2 * items.size());
        }
    }
}

TEST_F(IndexSweepTest, EveryCutOfTheFileEndsEveryWalk) {
    std::vector<NamedValue> items = numberedNames(40);
    Bytes image = indexImage(balancedTree(items, 3));
    std::vector<size_t> lengths;
    for (size_t length = 0; length <= image.size(); length += 331)
        lengths.push_back(length);
    for (size_t page = 7176; page <= image.size(); page += 7168)
        for (size_t near : {page - 1, page, page + 1, page + 12})
            lengths.push_back(near);
    for (size_t length : lengths) {
        if (length > image.size())
            continue;
        SCOPED_TRACE(length);
        std::vector<NamedValue> forward, backward;
        walkBothWays(Bytes(image.begin(), image.begin() + length), forward, backward);
        ASSERT_LE(forward.size(), items.size());
        ASSERT_LE(backward.size(), items.size());
        if (length == image.size()) {
            EXPECT_EQ(items, forward);
        }
    }
}

}  // namespace
