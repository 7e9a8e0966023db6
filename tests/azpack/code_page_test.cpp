#include "names/code_page.h"

#include <gtest/gtest.h>

namespace azpack {
namespace {

TEST(Utf8ToCp1252, ConvertsAsciiAndLatinLetters) {
    std::string out = "garbage";
    std::string reason;
    ASSERT_TRUE(utf8ToCp1252("Caf\xC3\xA9 d\xC3\xA9j\xC3\xA0", &out, &reason)) << reason;
    EXPECT_EQ(out, "Caf\xE9 d\xE9j\xE0");
}

TEST(Utf8ToCp1252, MapsTheCharactersOfRange80To9F) {
    std::string out;
    std::string reason;
    // Euro sign, OE ligature, curly apostrophe.
    ASSERT_TRUE(utf8ToCp1252("\xE2\x82\xAC\xC5\x92\xE2\x80\x99", &out, &reason)) << reason;
    EXPECT_EQ(out, "\x80\x8C\x92");
}

TEST(Utf8ToCp1252, RefusesCharactersOutsideTheCodePage) {
    std::string out;
    std::string reason;
    EXPECT_FALSE(utf8ToCp1252("w\xC5\x82", &out, &reason));  // l with stroke
    EXPECT_NE(reason.find("U+0142"), std::string::npos) << reason;
    EXPECT_FALSE(utf8ToCp1252("\xF0\x9F\x98\x80", &out, &reason));  // an emoji
    EXPECT_NE(reason.find("U+1F600"), std::string::npos) << reason;
}

TEST(Utf8ToCp1252, RefusesMalformedUtf8) {
    const char* const bad[] = {
        "\xC0\x80",          // overlong zero
        "\x80",              // lone continuation byte
        "abc\xC3",           // cut short at the end
        "\xE2\x82",          // cut short
        "\xED\xA0\x80",      // a surrogate
        "\xF4\x90\x80\x80",  // past U+10FFFF
        "\xFF",
    };
    for (const char* text : bad) {
        std::string out;
        std::string reason;
        EXPECT_FALSE(utf8ToCp1252(text, &out, &reason)) << text;
        EXPECT_EQ(reason, "is not valid UTF-8");
    }
}

TEST(CodePage, EveryByteSurvivesTheRoundTrip) {
    std::string all;
    for (int b = 1; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    std::string back;
    std::string reason;
    ASSERT_TRUE(utf8ToCp1252(cp1252ToUtf8(all), &back, &reason)) << reason;
    EXPECT_EQ(back, all);
}

TEST(FoldCp1252, FoldsAccentedLettersButNotSigns) {
    EXPECT_EQ(foldCp1252('a'), 'A');
    EXPECT_EQ(foldCp1252('\xE9'), '\xC9');  // e acute
    EXPECT_EQ(foldCp1252('\x9C'), '\x8C');  // oe
    EXPECT_EQ(foldCp1252('\xFF'), '\x9F');  // y diaeresis
    EXPECT_EQ(foldCp1252('\xF7'), '\xF7');  // division sign has no case
    EXPECT_EQ(foldCp1252('_'), '_');
    EXPECT_EQ(foldAscii('\xE9'), '\xE9');
    EXPECT_EQ(foldAscii('z'), 'Z');
}

}  // namespace
}  // namespace azpack
