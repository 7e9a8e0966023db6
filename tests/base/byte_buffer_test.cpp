#include "base/byte_buffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "block_balance.h"

using ByteBufferTest = BlockBalance;

TEST_F(ByteBufferTest, GrowsByNeedPlusStep) {
    ByteBuffer buffer(0, 16);
    EXPECT_EQ(buffer.data, nullptr);
    EXPECT_EQ(buffer.capacity, 0u);
    EXPECT_EQ(buffer.append("", 0), 1);
    EXPECT_EQ(buffer.data, nullptr);
    EXPECT_EQ(buffer.append("abcde", 5), 1);
    EXPECT_EQ(buffer.capacity, 21u);
    EXPECT_EQ(buffer.length, 5u);
    EXPECT_EQ(std::memcmp(buffer.data, "abcde", 5), 0);
}

TEST_F(ByteBufferTest, SectionSizedBufferGrowsOnlyPastItsCapacity) {
    ByteBuffer buffer(32000, 32000);
    EXPECT_EQ(buffer.capacity, 32000u);
    EXPECT_EQ(buffer.length, 0u);
    unsigned char* block = buffer.data;
    const std::vector<unsigned char> chunk(1000, 'k');
    for (int i = 0; i < 32; ++i)
        ASSERT_EQ(buffer.append(chunk.data(), 1000), 1);
    EXPECT_EQ(buffer.data, block);
    EXPECT_EQ(buffer.capacity, 32000u);
    EXPECT_EQ(buffer.append("z", 1), 1);
    EXPECT_EQ(buffer.capacity, 64001u);
    EXPECT_EQ(buffer.length, 32001u);
    EXPECT_EQ(buffer.data[31999], 'k');
    EXPECT_EQ(buffer.data[32000], 'z');
}

TEST_F(ByteBufferTest, ZeroBytesAreContent) {
    ByteBuffer buffer(0, 4);
    const char section[] = "A=1\0B=2\0\0";
    EXPECT_EQ(buffer.append(section, sizeof section), 1);
    EXPECT_EQ(buffer.length, sizeof section);
    EXPECT_EQ(std::memcmp(buffer.data, section, sizeof section), 0);
}

TEST_F(ByteBufferTest, GrowKeepsTheContents) {
    ByteBuffer buffer(4, 0);
    buffer.append("wxyz", 4);
    EXPECT_EQ(buffer.grow(6), 1);
    EXPECT_EQ(buffer.capacity, 10u);
    EXPECT_EQ(buffer.length, 4u);
    EXPECT_EQ(std::memcmp(buffer.data, "wxyz", 4), 0);
}

TEST_F(ByteBufferTest, AppendOfItsOwnBytes) {
    ByteBuffer buffer(0, 0);
    buffer.append("abc", 3);
    EXPECT_EQ(buffer.append(buffer.data, 3), 1);
    EXPECT_EQ(buffer.length, 6u);
    EXPECT_EQ(std::memcmp(buffer.data, "abcabc", 6), 0);
}

TEST_F(ByteBufferTest, NullBytesWithACountAppendNothing) {
    ByteBuffer buffer(8, 8);
    EXPECT_EQ(buffer.append(nullptr, 3), 0);
    EXPECT_EQ(buffer.length, 0u);
}

TEST_F(ByteBufferTest, SizeBeyond32BitsIsOutOfMemory) {
    ByteBuffer buffer(0, UINT32_MAX);
    EXPECT_EQ(buffer.append("a", 1), 0);
    EXPECT_EQ(buffer.data, nullptr);
    EXPECT_EQ(buffer.capacity, 0u);
    ByteBuffer small(2, 0);
    small.append("ab", 2);
    EXPECT_EQ(small.grow(UINT32_MAX - 1), 0);
    EXPECT_EQ(small.capacity, 2u);
    EXPECT_EQ(std::memcmp(small.data, "ab", 2), 0);
}

TEST_F(ByteBufferTest, FailedGrowthKeepsEverything) {
    ByteBuffer buffer(3, 5);
    buffer.append("abc", 3);
    unsigned char* block = buffer.data;
    failNthAllocation(1);
    EXPECT_EQ(buffer.append("d", 1), 0);
    EXPECT_EQ(buffer.data, block);
    EXPECT_EQ(buffer.capacity, 3u);
    EXPECT_EQ(buffer.length, 3u);
    EXPECT_EQ(std::memcmp(buffer.data, "abc", 3), 0);
    failNthAllocation(1);
    EXPECT_EQ(buffer.grow(10), 0);
    EXPECT_EQ(buffer.data, block);
    EXPECT_EQ(buffer.capacity, 3u);
}

TEST_F(ByteBufferTest, FailedInitialGrowthIsRetriedByTheFirstAppend) {
    failNthAllocation(1);
    ByteBuffer buffer(32000, 32000);
    EXPECT_EQ(buffer.data, nullptr);
    EXPECT_EQ(buffer.capacity, 0u);
    EXPECT_EQ(buffer.append("abc", 3), 1);
    EXPECT_EQ(buffer.capacity, 32003u);
}
