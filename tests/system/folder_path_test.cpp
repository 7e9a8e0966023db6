#include "system/folders/folder_path.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_folder_lookups.h"

namespace {

typedef std::vector<std::string> Folders;

Folders create(FolderPathMaker& maker, const char* path) {
    FakeLookups lookups;
    maker.create(lookups, path);
    return lookups.created;
}

TEST(CreateFolderPath, CreatesEveryLevelBelowTheDrive) {
    FolderPathMaker maker;
    EXPECT_EQ((Folders{"D:\\Apps", "D:\\Apps\\Tools", "D:\\Apps\\Tools\\Viewer"}),
              create(maker, "D:\\Apps\\Tools\\Viewer\\"));
}

TEST(CreateFolderPath, SamePathAgainInAnyCaseDoesNothing) {
    FolderPathMaker maker;
    EXPECT_EQ((Folders{"D:\\A", "D:\\A\\B"}), create(maker, "D:\\A\\B"));
    EXPECT_EQ(Folders{}, create(maker, "D:\\A\\B"));
    EXPECT_EQ(Folders{}, create(maker, "d:\\a\\b"));
}

TEST(CreateFolderPath, OnlyTheLastPathIsRemembered) {
    FolderPathMaker maker;
    EXPECT_EQ((Folders{"D:\\A", "D:\\A\\B"}), create(maker, "D:\\A\\B"));
    EXPECT_EQ((Folders{"D:\\A", "D:\\A\\E"}), create(maker, "D:\\A\\E"));
    EXPECT_EQ((Folders{"D:\\A", "D:\\A\\B"}), create(maker, "D:\\A\\B"));
}

TEST(CreateFolderPath, DoubledBackslashGivesAnEmptyComponent) {
    FolderPathMaker maker;
    EXPECT_EQ((Folders{"D:\\A", "D:\\A\\", "D:\\A\\\\B"}), create(maker, "D:\\A\\\\B"));
}

TEST(CreateFolderPath, NetworkShareStaysWhole) {
    FolderPathMaker maker;
    EXPECT_EQ((Folders{"\\\\server\\share\\x", "\\\\server\\share\\x\\y"}),
              create(maker, "\\\\server\\share\\x\\y"));
    EXPECT_EQ(Folders{}, create(maker, "\\\\server\\share\\"));
    EXPECT_EQ(Folders{}, create(maker, "\\\\server\\share"));
    EXPECT_EQ(Folders{}, create(maker, "\\\\server"));
}

TEST(CreateFolderPath, PathFromTheRootCreatesItsFirstFolder) {
    FolderPathMaker maker;
    EXPECT_EQ((Folders{"\\A", "\\A\\B"}), create(maker, "\\A\\B"));
}

TEST(CreateFolderPath, DriveAloneOrNothingCreatesNothing) {
    FolderPathMaker maker;
    EXPECT_EQ(Folders{}, create(maker, "D:"));
    EXPECT_EQ(Folders{}, create(maker, "D:\\"));
    EXPECT_EQ(Folders{}, create(maker, ""));
    EXPECT_EQ(Folders{}, create(maker, nullptr));
}

TEST(CreateFolderPath, EachMakerHasItsOwnMemory) {
    FolderPathMaker first;
    FolderPathMaker second;
    EXPECT_EQ((Folders{"D:\\A"}), create(first, "D:\\A"));
    EXPECT_EQ((Folders{"D:\\A"}), create(second, "D:\\A"));
}

TEST(CreateFolderPath, LongPathsAreWalkedWhole) {
    FolderPathMaker maker;
    std::string path = "D:";
    for (int i = 0; i < 100; ++i)
        path += "\\folder";
    Folders created = create(maker, path.c_str());
    ASSERT_EQ(100u, created.size());
    EXPECT_EQ(path, created.back());
}

}  // namespace
