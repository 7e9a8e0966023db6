#include "system/folders/folders.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "base/name_list.h"
#include "system/folders/held_folders.h"
#include "win_test_support.h"

using namespace testing_support;

namespace {

const char kToolsKey[] = "Software\\AzTest\\Tools\\Setup";

std::string expand(const char* folderTemplate, const char* leaf = "setup") {
    return expandFolder(folderTemplate, leaf).path.text;
}

std::string withoutTrailingBackslash(std::string folder) {
    if (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    return folder;
}

class FoldersTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setText(HKEY_CURRENT_USER, kShellFoldersKey, "Desktop", "C:\\AzDesk");
        setText(HKEY_CURRENT_USER, kShellFoldersKey, "AzFolder", "C:\\AzFolder\\");
    }
};

TEST_F(FoldersTest, RegistryReferenceReadsTheUserHive) {
    setText(HKEY_CURRENT_USER, kToolsKey, "Folder", "E:\\Work");
    EXPECT_EQ("E:\\Work\\Data", expand("$Software\\AzTest\\Tools\\Setup\\Folder$\\Data"));
    // Key and value names ignore case, as the registry's do.
    EXPECT_EQ("E:\\Work\\Data", expand("$software\\aztest\\tools\\setup\\FOLDER$\\Data"));
}

TEST_F(FoldersTest, MissingRegistryValueLeavesTheTemplate) {
    EXPECT_EQ("$Software\\AzTest\\Tools\\Setup\\Nothing$\\Data",
              expand("$Software\\AzTest\\Tools\\Setup\\Nothing$\\Data"));
    EXPECT_EQ("$Software\\AzTest\\NoKey\\Folder$\\Data",
              expand("$Software\\AzTest\\NoKey\\Folder$\\Data"));
}

TEST_F(FoldersTest, RegistryValueOverTheByteLimitCountsAsMissing) {
    std::string fits = "E:\\" + std::string(1020, 'f');  // 1023 characters and a zero: 1024 bytes
    std::string over = "E:\\" + std::string(1021, 'o');
    setText(HKEY_CURRENT_USER, kToolsKey, "Fits", fits);
    setText(HKEY_CURRENT_USER, kToolsKey, "Over", over);
    setText(HKEY_CURRENT_USER, kToolsKey, "Big", "E:\\" + std::string(1200, 'b'));
    EXPECT_EQ(fits + "\\x", expand("$Software\\AzTest\\Tools\\Setup\\Fits$\\x"));
    EXPECT_EQ("$Software\\AzTest\\Tools\\Setup\\Over$\\x",
              expand("$Software\\AzTest\\Tools\\Setup\\Over$\\x"));
    EXPECT_EQ("$Software\\AzTest\\Tools\\Setup\\Big$\\x",
              expand("$Software\\AzTest\\Tools\\Setup\\Big$\\x"));
}

TEST_F(FoldersTest, RegistryDataEndsAtItsReportedLengthOrFirstZero) {
    // No terminator stored: the text ends where the data does.
    setValue(HKEY_CURRENT_USER, kToolsKey, "Raw", REG_BINARY, "E:\\Bin");
    EXPECT_EQ("E:\\Bin\\x", expand("$Software\\AzTest\\Tools\\Setup\\Raw$\\x"));
    setValue(HKEY_CURRENT_USER, kToolsKey, "Early", REG_BINARY, std::string("E:\\A\0junk", 9));
    EXPECT_EQ("E:\\A\\x", expand("$Software\\AzTest\\Tools\\Setup\\Early$\\x"));
}

TEST_F(FoldersTest, EmptyTemplateIsTheDesktopAndTheLeaf) {
    EXPECT_EQ("C:\\AzDesk\\setup", expand(""));
    EXPECT_EQ("C:\\AzDesk\\setup", expand("%desktop%"));
}

TEST_F(FoldersTest, ShellFolderMacrosAndTheDesktopFallback) {
    EXPECT_EQ("C:\\AzFolder\\\\x", expand("%azfolder%\\x"));
    EXPECT_EQ("C:\\AzDesk\\x", expand("%nosuchfolder%\\x"));
    EXPECT_EQ("C:\\AzDesk\\setup", expand("D:\\100%"));
    deleteValue(HKEY_CURRENT_USER, kShellFoldersKey, "Desktop");
    EXPECT_EQ("\\x", expand("%nosuchfolder%\\x"));
}

TEST_F(FoldersTest, SystemFolderMacros) {
    char windows[MAX_PATH + 1] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    EXPECT_EQ(withoutTrailingBackslash(windows) + "\\x", expand("%windir%\\x"));
    EXPECT_EQ(withoutTrailingBackslash(windows) + "Tool", expand("%WINDIR%Tool"));

    TextBuffer programFiles(260);
    ASSERT_TRUE(readProgramFilesFolder(programFiles));
    EXPECT_EQ(withoutTrailingBackslash(programFiles.text) + "\\setup", expand("%programfiles%"));
    ExpandedFolder folder = expandFolder("%PROGRAMFILES%\\Tool", "setup");
    EXPECT_EQ(withoutTrailingBackslash(programFiles.text) + "\\Tool", folder.path.text);
    EXPECT_STREQ("\\Tool", folder.tail.text);
}

TEST_F(FoldersTest, TempdirCreatesTheTemporaryFolderButNotTheRest) {
    std::string parent = freshFolder("aztempdir");
    std::string temp = parent + "made";
    ASSERT_TRUE(SetEnvironmentVariableA("TMP", (temp + "\\").c_str()));
    ASSERT_TRUE(SetEnvironmentVariableA("TEMP", (temp + "\\").c_str()));
    EXPECT_EQ(temp + "\\x", expand("%tempdir%\\x"));
    EXPECT_TRUE(isFolder(temp));
    EXPECT_FALSE(isFolder(temp + "\\x"));
}

TEST_F(FoldersTest, LiteralsStayAsTheyAre) {
    EXPECT_EQ("D:\\Tools", expand("D:\\Tools"));
    EXPECT_EQ("%D:\\Tools", expand("%D:\\Tools"));
    EXPECT_EQ("D:\\Price$Tools", expand("D:\\Price$Tools"));
}

TEST_F(FoldersTest, ReadShellFolderEmptiesItsOutput) {
    TextBuffer out("sentinel");
    EXPECT_TRUE(readShellFolder("DESKTOP", out));
    EXPECT_STREQ("C:\\AzDesk", out.text);
    out.assign("sentinel");
    EXPECT_FALSE(readShellFolder("NoSuchShellFolder", out));
    EXPECT_STREQ("", out.text);
}

TEST_F(FoldersTest, ReadProgramFilesFolderGivesTheValueAsStored) {
    TextBuffer out("sentinel");
    ASSERT_TRUE(readProgramFilesFolder(out));
    EXPECT_EQ(readText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                       "ProgramFilesDir"),
              out.text);
    EXPECT_NE('\0', out.text[0]);
}

TEST(CreateFolderPath, CreatesEveryMissingLevel) {
    std::string base = freshFolder("azcreate");
    createFolderPath((base + "A\\B\\C\\").c_str());
    EXPECT_TRUE(isFolder(base + "A"));
    EXPECT_TRUE(isFolder(base + "A\\B"));
    EXPECT_TRUE(isFolder(base + "A\\B\\C"));
    createFolderPath((base + "A\\\\D").c_str());
    EXPECT_TRUE(isFolder(base + "A\\D"));
}

TEST(CreateFolderPath, SkipsOnlyARepeatOfTheLastPath) {
    std::string base = freshFolder("azrepeat");
    std::string b = base + "A\\B";
    createFolderPath(b.c_str());
    ASSERT_TRUE(isFolder(b));
    ASSERT_TRUE(RemoveDirectoryA(b.c_str()));

    // Same path in other letters: remembered, nothing is created.
    std::string upper = b;
    for (char& c : upper)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    createFolderPath(upper.c_str());
    EXPECT_FALSE(isFolder(b));

    createFolderPath((base + "A\\E").c_str());
    EXPECT_TRUE(isFolder(base + "A\\E"));
    createFolderPath(b.c_str());
    EXPECT_TRUE(isFolder(b));
}

TEST(CreateFolderPath, ExistingFoldersAndFilesAreLeftAlone) {
    std::string base = freshFolder("azexisting");
    ASSERT_TRUE(writeFile(base + "file", "keep"));
    createFolderPath((base + "file\\sub").c_str());
    EXPECT_EQ("keep", readFile(base + "file"));
    EXPECT_FALSE(isFolder(base + "file\\sub"));
}

// What a stopped run removes, and where files skip the swap, rests on this
// list: a level that stood before the call is never in it.
TEST(CreateFolderPathOffLinks, ListsOnlyTheLevelsItMade) {
    std::string base = freshFolder("azofflinks");
    ASSERT_TRUE(CreateDirectoryA((base + "A").c_str(), nullptr));
    NameList made;
    HeldFolders held;
    EXPECT_EQ(1, createFolderPathOffLinks((base + "A\\B\\C\\").c_str(), &made, &held));
    EXPECT_TRUE(isFolder(base + "A\\B\\C"));
    EXPECT_EQ(nullptr, made.find((base + "A").c_str()));
    EXPECT_EQ(nullptr, made.find(withoutTrailingBackslash(base).c_str()));
    EXPECT_NE(nullptr, made.find((base + "A\\B").c_str()));
    EXPECT_NE(nullptr, made.find((base + "A\\B\\C").c_str()));
    // Every level stays where it was checked while held, made or not.
    EXPECT_FALSE(MoveFileA((base + "A").c_str(), (base + "moved").c_str()));
    EXPECT_FALSE(MoveFileA((base + "A\\B\\C").c_str(), (base + "A\\B\\moved").c_str()));
    held.release((base + "A\\B\\C").c_str());
    EXPECT_TRUE(RemoveDirectoryA((base + "A\\B\\C").c_str()));
    EXPECT_FALSE(RemoveDirectoryA((base + "A\\B").c_str()));
    EXPECT_EQ(1, createFolderPathOffLinks((base + "A\\D").c_str(), nullptr, nullptr));
    EXPECT_TRUE(isFolder(base + "A\\D"));
}

}  // namespace
