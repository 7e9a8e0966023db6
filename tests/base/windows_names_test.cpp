#include "base/windows_names.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

int32_t faultOf(const std::string& component) {
    return componentFault(component.data(), component.data() + component.size());
}

NameFault pathFault(const std::string& name, int32_t flags) {
    return findNameFault(name.data(), static_cast<int32_t>(name.size()), flags);
}

TEST(WindowsNames, EachComponentFault) {
    const struct {
        const char* component;
        int32_t fault;
    } cases[] = {
        {"", kNameEmpty},           {".", kNameDots},           {"..", kNameDots},
        {". .", kNameDots},         {" ", kNameDots},           {"a:b", kNameCharacter},
        {"a\x1f", kNameCharacter},  {"a<b", kNameCharacter},    {"a\"b", kNameCharacter},
        {"a/b", kNameCharacter},    {"a\\b", kNameCharacter},   {"CON", kNameDevice},
        {"nul.txt", kNameDevice},   {"COM1 .log", kNameDevice}, {"conin$", kNameDevice},
        {"CONOUT$.x", kNameDevice}, {"lpt\xB9", kNameDevice},   {"COM0", kNameDevice},
        {"CON.", kNameDevice},      {"a.", kNameEndsInDot},     {"a..", kNameEndsInDot},
        {"a ", kNameEndsInBlank},   {"a. ", kNameEndsInBlank},  {"CONFIG.SYS", kNameFine},
        {"COM10", kNameFine},       {"CONIN", kNameFine},       {"LPTX", kNameFine},
        {"a.con", kNameFine},       {"..a", kNameFine},         {".hidden", kNameFine},
        {" a", kNameFine},          {"caf\xE9", kNameFine},     {"a\x7f", kNameFine},
    };
    for (const auto& c : cases)
        EXPECT_EQ(faultOf(c.component), c.fault) << "[" << c.component << "]";
    EXPECT_EQ(faultOf(std::string("a\0b", 3)), kNameCharacter);
}

TEST(WindowsNames, DeviceNameLengthIsThatOfTheStem) {
    const char* names[] = {"nul.txt", "COM1 .log", "CONOUT$", "CONSOLE", "prn  "};
    const int32_t lengths[] = {3, 4, 7, 0, 3};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(deviceNameLength(names[i], names[i] + std::strlen(names[i])), lengths[i]);
}

TEST(WindowsNames, CharacterClasses) {
    for (char c : std::string("<>\"|?*"))
        EXPECT_TRUE(isReservedPathCharacter(c) && isForbiddenNameCharacter(c)) << c;
    for (char c : std::string(":\\/\x01\t"))
        EXPECT_TRUE(!isReservedPathCharacter(c) && isForbiddenNameCharacter(c)) << c;
    for (char c : std::string("a.-_ $\x7f\xE9"))
        EXPECT_FALSE(isForbiddenNameCharacter(c)) << c;
    const std::string dots = ". ..", named = ". a";
    EXPECT_EQ(isDotsAndBlanks(dots.data(), dots.data() + dots.size()), 1);
    EXPECT_EQ(isDotsAndBlanks(named.data(), named.data() + named.size()), 0);
}

TEST(WindowsNames, RelativePathsNameTheComponentAtFault) {
    NameFault f = pathFault("ok\\CON.txt\\x", 0);
    EXPECT_EQ(f.kind, kNameDevice);
    EXPECT_EQ(f.begin, 3);
    EXPECT_EQ(f.length, 7);
    f = pathFault("a\\", 0);
    EXPECT_EQ(f.kind, kNameEmpty);
    EXPECT_EQ(f.begin, 2);
    EXPECT_EQ(pathFault("", 0).kind, kNameEmpty);
    EXPECT_EQ(pathFault("a\\\\b", 0).kind, kNameEmpty);
    EXPECT_EQ(pathFault("\\a", 0).kind, kNameRooted);
    EXPECT_EQ(pathFault("a\\..\\b", 0).kind, kNameDots);
    EXPECT_EQ(pathFault(std::string("a\\b\0", 4), 0).kind, kNameCharacter);
    EXPECT_EQ(pathFault("dir\\sub\\file.bin", 0).kind, kNameFine);
}

TEST(WindowsNames, SlashSeparatesOnlyWhenAsked) {
    EXPECT_EQ(pathFault("a/b", 0).kind, kNameCharacter);
    EXPECT_EQ(pathFault("a/b", kSlashSeparates).kind, kNameFine);
    EXPECT_EQ(pathFault("/a", kSlashSeparates).kind, kNameRooted);
    EXPECT_EQ(pathFault("a/../b", kSlashSeparates).kind, kNameDots);
    EXPECT_EQ(pathFault("a//b", kSlashSeparates).kind, kNameEmpty);
}

TEST(WindowsNames, CharactersTheSystemRefusesMayBeLeftToIt) {
    const int32_t flags = kSystemRefusesCharacters;
    EXPECT_EQ(pathFault("a*\\b\x01?", flags).kind, kNameFine);
    EXPECT_EQ(pathFault("a\\b:c", flags).kind, kNameCharacter);
    EXPECT_EQ(pathFault("a/b", flags).kind, kNameCharacter);
    EXPECT_EQ(pathFault("a\\NUL.*", flags).kind, kNameDevice);
}

// Only the last component may end in a dot or a blank when a suffix follows.
TEST(WindowsNames, ASuffixLetsTheLastComponentEndInADotOrBlank) {
    const int32_t flags = kSlashSeparates | kSuffixFollows;
    EXPECT_EQ(isPlainRelativePath("Tool.", flags), 1);
    EXPECT_EQ(isPlainRelativePath("sub\\Tool ", flags), 1);
    EXPECT_EQ(isPlainRelativePath("sub.\\Tool", flags), 0);
    EXPECT_EQ(isPlainRelativePath("..", flags), 0);
    EXPECT_EQ(isPlainRelativePath("sub\\. ", flags), 0);
    EXPECT_EQ(isPlainRelativePath("CON", flags), 0);
    EXPECT_EQ(isPlainRelativePath("Tool.", kSlashSeparates), 0);
    EXPECT_EQ(isPlainRelativePath(nullptr, flags), 0);
}

}  // namespace
