#include "base/text_splitter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "block_balance.h"

namespace {

std::vector<std::string> drain(TextSplitter& splitter) {
    std::vector<std::string> tokens;
    while (const char* token = splitter.next())
        tokens.emplace_back(token);
    return tokens;
}

std::vector<std::string> split(const char* source, const char* separator) {
    TextSplitter splitter(source, separator);
    return drain(splitter);
}

using Tokens = std::vector<std::string>;

}  // namespace

using TextSplitterTest = BlockBalance;

TEST_F(TextSplitterTest, SeparatorsAtTheEdgesAndDoubled) {
    EXPECT_EQ(split("a%b%c", "%"), (Tokens{"a", "b", "c"}));
    EXPECT_EQ(split("%a%b", "%"), (Tokens{"a", "b"}));
    EXPECT_EQ(split("a%%b", "%"), (Tokens{"a", "", "b"}));
    EXPECT_EQ(split("a%b%", "%"), (Tokens{"a", "b"}));
    EXPECT_EQ(split("%%a", "%"), (Tokens{"", "a"}));
    EXPECT_EQ(split("a%%", "%"), (Tokens{"a", ""}));
    EXPECT_EQ(split("abc", "%"), (Tokens{"abc"}));
}

TEST_F(TextSplitterTest, NoTokens) {
    EXPECT_EQ(split("%", "%"), Tokens{});
    EXPECT_EQ(split("", "%"), Tokens{});
    EXPECT_EQ(split(nullptr, "%"), Tokens{});
}

TEST_F(TextSplitterTest, SeparatorOfSeveralBytesIsCaseSensitive) {
    EXPECT_EQ(split("a::b", "::"), (Tokens{"a", "b"}));
    EXPECT_EQ(split("::a:b::c:", "::"), (Tokens{"a:b", "c:"}));
    EXPECT_EQ(split("aXbxc", "x"), (Tokens{"aXb", "c"}));
}

TEST_F(TextSplitterTest, EmptySeparatorGivesTheWholeSource) {
    EXPECT_EQ(split("a%b", ""), (Tokens{"a%b"}));
    EXPECT_EQ(split("a%b", nullptr), (Tokens{"a%b"}));
}

TEST_F(TextSplitterTest, RewindStartsOverWithoutGrowingTheToken) {
    TextSplitter splitter("%C:%Program Files%App", "%");
    const int32_t room = splitter.token.capacity;
    EXPECT_EQ(drain(splitter), (Tokens{"C:", "Program Files", "App"}));
    EXPECT_EQ(splitter.next(), nullptr);
    splitter.rewind();
    EXPECT_EQ(drain(splitter), (Tokens{"C:", "Program Files", "App"}));
    EXPECT_EQ(splitter.token.capacity, room);
}

TEST_F(TextSplitterTest, MissingCopiesGiveNoToken) {
    for (int32_t n = 1; n <= 3; ++n) {
        failNthAllocation(n);
        TextSplitter splitter("a%b", "%");
        EXPECT_EQ(splitter.next(), nullptr) << "allocation " << n << " failed";
    }
}
