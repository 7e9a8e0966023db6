#include "base/text_buffer.h"

#include <gtest/gtest.h>

#include <utility>

#include "block_balance.h"

using TextBufferTest = BlockBalance;

TEST_F(TextBufferTest, MadeWithRoomHasOneMoreByteForTheTerminator) {
    TextBuffer none(0);
    EXPECT_EQ(none.capacity, 1);
    EXPECT_STREQ(none.text, "");
    TextBuffer path(260);
    EXPECT_EQ(path.capacity, 261);
    EXPECT_STREQ(path.text, "");
}

TEST_F(TextBufferTest, RoomThatCannotBeExpressedGivesNoBlock) {
    TextBuffer negative(-1);
    EXPECT_EQ(negative.text, nullptr);
    EXPECT_EQ(negative.capacity, 0);
    TextBuffer huge(INT32_MAX);
    EXPECT_EQ(huge.text, nullptr);
    EXPECT_EQ(huge.capacity, 0);
}

TEST_F(TextBufferTest, MadeFromTextIsExact) {
    TextBuffer null(static_cast<const char*>(nullptr));
    EXPECT_EQ(null.capacity, 1);
    EXPECT_STREQ(null.text, "");
    TextBuffer abc("abc");
    EXPECT_EQ(abc.capacity, 4);
    EXPECT_STREQ(abc.text, "abc");
}

TEST_F(TextBufferTest, CopyAndAssignTakeTheSourceCapacity) {
    TextBuffer roomy(260);
    roomy.append("abc");
    TextBuffer copy(roomy);
    EXPECT_EQ(copy.capacity, 261);
    EXPECT_STREQ(copy.text, "abc");
    EXPECT_NE(copy.text, roomy.text);
    copy.text[0] = 'X';
    EXPECT_STREQ(roomy.text, "abc");

    TextBuffer target("a much longer text than abc");
    target.assign(roomy);
    EXPECT_EQ(target.capacity, 261);
    EXPECT_STREQ(target.text, "abc");
}

TEST_F(TextBufferTest, AssignFromTextMakesAnExactBlock) {
    TextBuffer buffer(260);
    buffer.assign("ab");
    EXPECT_EQ(buffer.capacity, 3);
    EXPECT_STREQ(buffer.text, "ab");
    buffer.assign(static_cast<const char*>(nullptr));
    EXPECT_EQ(buffer.capacity, 1);
    EXPECT_STREQ(buffer.text, "");
}

TEST_F(TextBufferTest, AssignOfItselfOrItsOwnTextChangesNothing) {
    TextBuffer buffer(10);
    buffer.append("abc");
    char* block = buffer.text;
    buffer.assign(buffer.text);
    EXPECT_EQ(buffer.text, block);
    EXPECT_EQ(buffer.capacity, 11);
    buffer.assign(buffer);
    EXPECT_EQ(buffer.text, block);
    EXPECT_EQ(buffer.capacity, 11);
    EXPECT_STREQ(buffer.text, "abc");
}

TEST_F(TextBufferTest, AssignFromInsideTheOwnBlock) {
    TextBuffer buffer("C:\\DIR\\FILE");
    buffer.assign(buffer.text + 3);
    EXPECT_STREQ(buffer.text, "DIR\\FILE");
    EXPECT_EQ(buffer.capacity, 9);
}

TEST_F(TextBufferTest, AppendInPlaceWhileTheJoinedTextFits) {
    TextBuffer buffer(6);
    buffer.append("abc");
    char* block = buffer.text;
    buffer.append("def");
    EXPECT_STREQ(buffer.text, "abcdef");
    EXPECT_EQ(buffer.capacity, 7);
    EXPECT_EQ(buffer.text, block);
}

TEST_F(TextBufferTest, AppendGrowsByTheAppendedLengthKeepingSlack) {
    TextBuffer exact("abc");
    exact.append("def");
    EXPECT_STREQ(exact.text, "abcdef");
    EXPECT_EQ(exact.capacity, 7);

    TextBuffer slack(4);
    slack.append("abc");
    slack.append("def");
    EXPECT_STREQ(slack.text, "abcdef");
    EXPECT_EQ(slack.capacity, 8);
}

TEST_F(TextBufferTest, AppendNothing) {
    TextBuffer buffer("abc");
    buffer.append(static_cast<const char*>(nullptr)).append("").appendBytes("xyz", 0);
    EXPECT_STREQ(buffer.text, "abc");
    EXPECT_EQ(buffer.capacity, 4);
}

TEST_F(TextBufferTest, AppendToItselfDoublesTheText) {
    TextBuffer full("ab");
    full.append(full);
    EXPECT_STREQ(full.text, "abab");
    EXPECT_EQ(full.capacity, 5);

    TextBuffer roomy(10);
    roomy.append("ab");
    roomy.append(roomy);
    EXPECT_STREQ(roomy.text, "abab");
    EXPECT_EQ(roomy.capacity, 11);
}

TEST_F(TextBufferTest, AppendOfTextFromTheOwnBlock) {
    TextBuffer buffer("abc");
    buffer.append(buffer.text + 1);
    EXPECT_STREQ(buffer.text, "abcbc");
    EXPECT_EQ(buffer.capacity, 6);
}

TEST_F(TextBufferTest, AppendMeasuresTextWrittenIntoTheBlock) {
    TextBuffer buffer(5);
    buffer.text[0] = 'a';
    buffer.text[1] = 'b';
    buffer.text[2] = '\0';
    buffer.append("cd");
    EXPECT_STREQ(buffer.text, "abcd");
    EXPECT_EQ(buffer.capacity, 6);
    buffer.text[0] = '\0';
    EXPECT_TRUE(buffer.isEmpty());
    EXPECT_EQ(buffer.capacity, 6);
}

TEST_F(TextBufferTest, AppendCharGrowsAFullBufferByOneByte) {
    TextBuffer buffer("ab");
    buffer.appendChar('c');
    EXPECT_STREQ(buffer.text, "abc");
    EXPECT_EQ(buffer.capacity, 4);
    buffer.appendChar('d').appendChar('e');
    EXPECT_STREQ(buffer.text, "abcde");
    EXPECT_EQ(buffer.capacity, 6);
}

TEST_F(TextBufferTest, AppendCharInPlace) {
    TextBuffer buffer(3);
    buffer.appendChar('a').appendChar('b').appendChar('c');
    EXPECT_STREQ(buffer.text, "abc");
    EXPECT_EQ(buffer.capacity, 4);
}

TEST_F(TextBufferTest, AppendZeroByteKeepsTextButMayGrow) {
    TextBuffer full("ab");
    full.appendChar('\0');
    EXPECT_STREQ(full.text, "ab");
    EXPECT_EQ(full.capacity, 4);
    full.appendChar('\0');
    EXPECT_EQ(full.capacity, 4);
}

TEST_F(TextBufferTest, DestroyTwiceAndReuse) {
    TextBuffer buffer("abc");
    buffer.destroy();
    buffer.destroy();
    EXPECT_EQ(buffer.text, nullptr);
    EXPECT_EQ(buffer.capacity, 0);
    buffer.assign("x");
    EXPECT_STREQ(buffer.text, "x");
    EXPECT_EQ(buffer.capacity, 2);
}

TEST_F(TextBufferTest, MoveHandsTheBlockOver) {
    TextBuffer from(9);
    from.append("abc");
    char* block = from.text;
    TextBuffer to(std::move(from));
    EXPECT_EQ(to.text, block);
    EXPECT_EQ(to.capacity, 10);
    EXPECT_EQ(from.text, nullptr);
    EXPECT_EQ(from.capacity, 0);
    TextBuffer other("zz");
    other = std::move(to);
    EXPECT_EQ(other.text, block);
    EXPECT_EQ(to.text, nullptr);
}

TEST_F(TextBufferTest, FailedBlockLeavesNoStorage) {
    failNthAllocation(1);
    TextBuffer made("abc");
    EXPECT_EQ(made.text, nullptr);
    EXPECT_EQ(made.capacity, 0);

    TextBuffer grown("abc");
    failNthAllocation(1);
    grown.append("def");
    EXPECT_EQ(grown.text, nullptr);
    EXPECT_EQ(grown.capacity, 0);

    TextBuffer assigned("abc");
    TextBuffer source(20);
    failNthAllocation(1);
    assigned.assign(source);
    EXPECT_EQ(assigned.text, nullptr);
    EXPECT_EQ(assigned.capacity, 0);

    failNthAllocation(1);
    TextBuffer copy(source);
    EXPECT_EQ(copy.text, nullptr);
}

TEST_F(TextBufferTest, BufferWithoutStorageReadsEmptyAndRecovers) {
    TextBuffer buffer(-1);
    EXPECT_EQ(buffer.length(), 0);
    EXPECT_TRUE(buffer.isEmpty());
    EXPECT_EQ(buffer.equalsIgnoreCase(""), 1);
    EXPECT_EQ(buffer.find("", 0, 0), 0);
    EXPECT_EQ(buffer.findChar('a', 0, 0), -1);
    buffer.clear();
    TextBuffer copy(buffer);
    EXPECT_EQ(copy.text, nullptr);

    buffer.append("ab");
    EXPECT_STREQ(buffer.text, "ab");
    EXPECT_EQ(buffer.capacity, 3);
    TextBuffer single(-1);
    single.appendChar('x');
    EXPECT_STREQ(single.text, "x");
    EXPECT_EQ(single.capacity, 2);
}
