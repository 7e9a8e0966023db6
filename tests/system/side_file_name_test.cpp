#include "system/files/side_file_name.h"

#include <gtest/gtest.h>

#include <string>

namespace {

SideFile read(const char* name, size_t* targetLength = nullptr, uint32_t* owner = nullptr) {
    size_t length = 0;
    uint32_t id = 0;
    SideFile kind = readSideFileName(name, length, id);
    if (targetLength != nullptr)
        *targetLength = length;
    if (owner != nullptr)
        *owner = id;
    return kind;
}

TEST(SideFileName, SuffixesReadBack) {
    TextBuffer path("C:\\App\\A.DLL");
    appendSideSuffix(path, SideFile::kOld, 0x1a2bu);
    EXPECT_STREQ("C:\\App\\A.DLL.~azold1a2b", path.text);
    TextBuffer name("A.DLL");
    appendSideSuffix(name, SideFile::kNew, 0xffffffffu);
    EXPECT_STREQ("A.DLL.~aznewffffffff", name.text);
    size_t length = 0;
    uint32_t owner = 0;
    EXPECT_EQ(SideFile::kNew, read(name.text, &length, &owner));
    EXPECT_EQ(5u, length);
    EXPECT_EQ(0xffffffffu, owner);
    EXPECT_EQ(SideFile::kOld, read("x.~azold0", &length, &owner));
    EXPECT_EQ(1u, length);
    EXPECT_EQ(0u, owner);
    // The last mark counts: the target's own name may hold one.
    EXPECT_EQ(SideFile::kOld, read("a.~aznew1.~azold2", &length, &owner));
    EXPECT_EQ(9u, length);
    EXPECT_EQ(2u, owner);
}

TEST(SideFileName, OnlyTheExactFormIsOurs) {
    for (const char* name : {"A.TXT.~azold", "A.TXT.~AZOLD10", "A.TXT.~azold123456789",
                             "A.TXT.~aznew12g", "A.TXT.~aznew-1", ".~aznew12", "A.TXT.~azcopy1",
                             "A.TXT~aznew12", "A.TXT.~aznew12 ", "A.TXT", "", "A.TXT.~azOld1"}) {
        EXPECT_EQ(SideFile::kNotOurs, read(name)) << name;
    }
    EXPECT_EQ(SideFile::kNotOurs, read(nullptr));
}

TEST(SideFileName, EndsInLooksAtTheLastComponent) {
    EXPECT_TRUE(endsInSideFileName("sub\\A.TXT.~aznew1"));
    EXPECT_TRUE(endsInSideFileName("sub/A.TXT.~azold1"));
    EXPECT_FALSE(endsInSideFileName("A.~aznew1\\B.TXT"));
    EXPECT_FALSE(endsInSideFileName(nullptr));
}

TEST(SideFileName, LongPathsTakeTheExtendedForm) {
    TextBuffer out(0);
    longPathForm("C:\\short", out);
    EXPECT_STREQ("C:\\short", out.text);
    std::string longPath = "C:\\" + std::string(300, 'a');
    longPathForm(longPath.c_str(), out);
    EXPECT_EQ("\\\\?\\" + longPath, out.text);
    std::string network = "\\\\server\\share\\" + std::string(300, 'b');
    longPathForm(network.c_str(), out);
    EXPECT_EQ("\\\\?\\UNC\\" + network.substr(2), out.text);
    std::string relative(300, 'c');
    longPathForm(relative.c_str(), out);
    EXPECT_EQ(relative, out.text);
}

}  // namespace
