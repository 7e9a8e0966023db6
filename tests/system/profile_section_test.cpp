#include "system/files/profile_section.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/allocation.h"
#include "base/byte_buffer.h"
#include "base/name_list.h"
#include "win_test_support.h"

using namespace testing_support;

namespace {

// The section's lines as the system reads them back, in order.
std::vector<std::string> sectionLines(const std::string& path, const char* section) {
    std::vector<char> data(200000, '\0');
    DWORD length = GetPrivateProfileSectionA(section, data.data(), static_cast<DWORD>(data.size()),
                                             path.c_str());
    std::vector<std::string> lines;
    for (DWORD i = 0; i < length;) {
        std::string line(data.data() + i);
        lines.push_back(line);
        i += static_cast<DWORD>(line.size()) + 1;
    }
    return lines;
}

size_t countOf(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

class ProfileSectionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder = freshFolder("azprofile");
        path = folder + "TAVUUNINSTALL.INI";
    }

    std::string folder;
    std::string path;
};

TEST_F(ProfileSectionTest, FreshFileBeginsWithTheSectionLine) {
    NameList list;
    list.set("D:\\A.TXT", "1");
    list.set("D:\\B.TXT", "1");
    EXPECT_EQ(1, list.writeSection(path.c_str(), "FILES"));
    std::string text = readFile(path);
    EXPECT_EQ(0u, text.find("[FILES]\r\n")) << text;
    EXPECT_EQ(1u, countOf(text, "[FILES]"));
    size_t a = text.find("D:\\A.TXT=1\r\n");
    size_t b = text.find("D:\\B.TXT=1\r\n");
    ASSERT_NE(std::string::npos, a) << text;
    ASSERT_NE(std::string::npos, b) << text;
    EXPECT_LT(a, b);
    EXPECT_EQ((std::vector<std::string>{"D:\\A.TXT=1", "D:\\B.TXT=1"}),
              sectionLines(path, "FILES"));
}

TEST_F(ProfileSectionTest, ExistingSectionIsReplacedWhole) {
    ASSERT_TRUE(writeFile(path, "[FILES]\r\nD:\\OLD.TXT=1\r\nD:\\A.TXT=2\r\n[DIRS]\r\nD:\\=1\r\n"));
    NameList list;
    list.set("D:\\A.TXT", "1");
    list.set("D:\\B.TXT", "1");
    EXPECT_EQ(1, list.writeSection(path.c_str(), "FILES"));
    EXPECT_EQ((std::vector<std::string>{"D:\\A.TXT=1", "D:\\B.TXT=1"}),
              sectionLines(path, "FILES"));
    EXPECT_EQ((std::vector<std::string>{"D:\\=1"}), sectionLines(path, "DIRS"));
    EXPECT_EQ(1u, countOf(readFile(path), "[FILES]"));
}

TEST_F(ProfileSectionTest, EmptyListEmptiesTheSection) {
    ASSERT_TRUE(writeFile(path, "[FILES]\r\nD:\\OLD.TXT=1\r\n"));
    NameList list;
    EXPECT_EQ(1, list.writeSection(path.c_str(), "FILES"));
    EXPECT_TRUE(sectionLines(path, "FILES").empty());
}

TEST_F(ProfileSectionTest, NullSectionNameIsDefault) {
    NameList list;
    list.set("K", "V");
    EXPECT_EQ(1, list.writeSection(path.c_str(), nullptr));
    EXPECT_EQ(0u, readFile(path).find("[DEFAULT]\r\n"));
    EXPECT_EQ((std::vector<std::string>{"K=V"}), sectionLines(path, "DEFAULT"));
    EXPECT_STREQ("DEFAULT", ProfileSection(path.c_str(), nullptr).section.text);
}

TEST_F(ProfileSectionTest, MissingFolderOrPathWritesNothing) {
    NameList list;
    list.set("K", "V");
    EXPECT_EQ(0, list.writeSection((folder + "missing\\X.INI").c_str(), "FILES"));
    EXPECT_FALSE(isFile(folder + "missing\\X.INI"));
    EXPECT_EQ(0, list.writeSection(nullptr, "FILES"));
    EXPECT_EQ(0, list.writeSection("", "FILES"));
}

TEST_F(ProfileSectionTest, LongListIsWrittenWhole) {
    NameList list;
    std::vector<std::string> expected;
    for (int i = 0; i < 400; ++i) {
        std::string name = "D:\\Program Files\\Product\\" + std::string(80, 'a') + "\\file" +
                           std::to_string(i) + ".txt";
        list.set(name.c_str(), "1");
        expected.push_back(name + "=1");
    }
    EXPECT_EQ(1, list.writeSection(path.c_str(), "FILES"));
    std::string text = readFile(path);
    ASSERT_GT(text.size(), 40000u);
    size_t at = 0;
    for (const std::string& line : expected) {
        at = text.find(line + "\r\n", at);
        ASSERT_NE(std::string::npos, at) << line;
    }
}

// Whichever allocation fails, the old section either stays as it was or is
// replaced by the whole list: never by part of it.
TEST_F(ProfileSectionTest, FailedAllocationNeverWritesPartOfTheList) {
    const std::string old = "[FILES]\r\nD:\\OLD.TXT=1\r\n";
    NameList list;
    for (int i = 0; i < 40; ++i) {
        std::string name = "D:\\" + std::to_string(i) + std::string(1000, 'x');
        list.set(name.c_str(), "1");
    }
    int failures = 0;
    for (int n = 1; n < 200; ++n) {
        ASSERT_TRUE(writeFile(path, old));
        failNthAllocation(n);
        int32_t result = list.writeSection(path.c_str(), "FILES");
        failNthAllocation(0);
        std::vector<std::string> lines = sectionLines(path, "FILES");
        if (result == 1) {
            EXPECT_EQ(40u, lines.size()) << n;
        } else {
            ++failures;
            EXPECT_EQ(old, readFile(path)) << n;
        }
    }
    EXPECT_GT(failures, 3);
}

TEST_F(ProfileSectionTest, WriteBlockCreatesTheFileEvenWithoutABlock) {
    ProfileSection profile(path.c_str(), "HKLM");
    EXPECT_EQ(0, profile.writeBlock(nullptr));
    EXPECT_EQ("[HKLM]\r\n", readFile(path));
}

TEST_F(ProfileSectionTest, WriteBlockRefusesABlockWithoutItsZeroBytes) {
    ProfileSection profile(path.c_str(), "FILES");
    ByteBuffer open(0, 16);
    open.append("A=1", 3);
    EXPECT_EQ(0, profile.writeBlock(&open));
    open.append("\0", 1);
    EXPECT_EQ(0, profile.writeBlock(&open));
    EXPECT_TRUE(sectionLines(path, "FILES").empty());
    ByteBuffer empty(0, 16);
    EXPECT_EQ(0, profile.writeBlock(&empty));

    open.append("\0", 1);
    EXPECT_EQ(1, profile.writeBlock(&open));
    EXPECT_EQ((std::vector<std::string>{"A=1"}), sectionLines(path, "FILES"));
}

TEST_F(ProfileSectionTest, WriteValueAddsOrReplacesOneKey) {
    ASSERT_TRUE(writeFile(path, "[DIRS]\r\nD:\\Old=1\r\n"));
    ProfileSection profile(path.c_str(), "DIRS");
    EXPECT_NE(0, profile.writeValue("D:\\New", "1"));
    EXPECT_NE(0, profile.writeValue("D:\\Old", "2"));
    EXPECT_EQ((std::vector<std::string>{"D:\\Old=2", "D:\\New=1"}), sectionLines(path, "DIRS"));
    EXPECT_EQ(0, profile.writeValue(nullptr, "1"));
    EXPECT_EQ(2u, sectionLines(path, "DIRS").size());
    EXPECT_EQ(0, ProfileSection("", "DIRS").writeValue("K", "V"));
}

}  // namespace
