#include "base/matching.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "base/text_buffer.h"
#include "block_balance.h"

using MatchingTest = BlockBalance;

TEST_F(MatchingTest, FoldsOnlyAsciiLetters) {
    for (int value = -128; value < 128; ++value) {
        const char c = static_cast<char>(value);
        const char expected = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
        EXPECT_EQ(foldCase(c), expected) << "byte " << (value & 0xFF);
    }
}

TEST_F(MatchingTest, EqualsIgnoreCaseComparesWholeTexts) {
    EXPECT_EQ(TextBuffer("setup.exe").equalsIgnoreCase("SETUP.EXE"), 1);
    EXPECT_EQ(TextBuffer("abc").equalsIgnoreCase("abcd"), 0);
    EXPECT_EQ(TextBuffer("abcd").equalsIgnoreCase("abc"), 0);
    EXPECT_EQ(TextBuffer("").equalsIgnoreCase(""), 1);
    EXPECT_EQ(TextBuffer("abc").equalsIgnoreCase(nullptr), 0);
    EXPECT_EQ(TextBuffer("").equalsIgnoreCase(nullptr), 0);
    EXPECT_EQ(TextBuffer("\xE9").equalsIgnoreCase("\xC9"), 0);
    EXPECT_EQ(TextBuffer("[").equalsIgnoreCase("{"), 0);
}

TEST_F(MatchingTest, FreeEqualsIgnoreCase) {
    EXPECT_EQ(equalsIgnoreCase("Program Files", "PROGRAM FILES"), 1);
    EXPECT_EQ(equalsIgnoreCase(nullptr, nullptr), 0);
    EXPECT_EQ(equalsIgnoreCase("a", nullptr), 0);
    EXPECT_EQ(equalsIgnoreCase(nullptr, "a"), 0);
}

TEST_F(MatchingTest, FoldingIgnoresTheSelectedLocale) {
    const char* candidates[] = {"French_France.1252", "fr_FR.ISO-8859-1", "fr_FR.UTF-8", "C.UTF-8",
                                "C.utf8"};
    const char* selected = nullptr;
    for (const char* name : candidates) {
        if (std::setlocale(LC_ALL, name)) {
            selected = name;
            break;
        }
    }
    if (!selected)
        GTEST_SKIP() << "no locale other than C available";
    const int equal = equalsIgnoreCase("\xE9t\xE9", "\xC9T\xC9");
    const int folded = equalsIgnoreCase("\xE9t\xE9", "\xE9T\xE9");
    const int32_t found = TextBuffer("CAF\xC9").find("caf\xE9", 0, 1);
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(equal, 0) << selected;
    EXPECT_EQ(folded, 1) << selected;
    EXPECT_EQ(found, -1) << selected;
}

TEST_F(MatchingTest, FindReportsTheFirstOccurrenceFromStart) {
    const TextBuffer text("abcabc");
    EXPECT_EQ(text.find("bc", 0, 0), 1);
    EXPECT_EQ(text.find("bc", 2, 0), 4);
    EXPECT_EQ(text.find("BC", 0, 0), -1);
    EXPECT_EQ(text.find("BC", 0, 1), 1);
    EXPECT_EQ(text.find("", 3, 0), 3);
    EXPECT_EQ(text.find("", 6, 0), 6);
    EXPECT_EQ(text.find("", 7, 0), -1);
    EXPECT_EQ(text.find("abc", 4, 0), -1);
    EXPECT_EQ(text.find("abc", 3, 0), 3);
    EXPECT_EQ(text.find("abcdefg", 0, 0), -1);

    const TextBuffer twice("X.INI\\X.INI");
    EXPECT_EQ(twice.find("X.INI", 0, 0), 0);
    EXPECT_EQ(twice.find("X.INI", 1, 0), 6);
    EXPECT_EQ(twice.find("x.ini", 1, 1), 6);
}

TEST_F(MatchingTest, FindOutsideTheContract) {
    const TextBuffer text("abc");
    EXPECT_EQ(text.find("a", -1, 0), -1);
    EXPECT_EQ(text.find(nullptr, 0, 0), -1);
    EXPECT_EQ(text.find("c", INT32_MAX, 0), -1);
}

TEST_F(MatchingTest, FindChar) {
    const TextBuffer percent("50%");
    EXPECT_EQ(percent.findChar('%', 0, 0), 2);
    EXPECT_EQ(percent.findChar('x', 0, 0), -1);
    EXPECT_EQ(percent.findChar('\0', 0, 0), 3);
    EXPECT_EQ(percent.findChar('\0', 3, 0), 3);
    EXPECT_EQ(percent.findChar('5', 1, 0), -1);

    const TextBuffer upper("ABC");
    EXPECT_EQ(upper.findChar('b', 0, 0), -1);
    EXPECT_EQ(upper.findChar('b', 0, 1), 1);
    EXPECT_EQ(TextBuffer("\xC9").findChar('\xE9', 0, 1), -1);
}

TEST_F(MatchingTest, FindCharRejectsAStartOutsideTheText) {
    const TextBuffer text("abc");
    EXPECT_EQ(text.findChar('\0', 4, 0), -1);
    EXPECT_EQ(text.findChar('a', -1, 0), -1);
}
