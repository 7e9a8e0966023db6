#include "system/folders/folder_template.h"

#include <gtest/gtest.h>

#include <string>

#include "fake_folder_lookups.h"

namespace {

struct Expansion {
    std::string path;
    std::string tail;
};

Expansion expand(FakeLookups& lookups, const char* folderTemplate, const char* leaf = "setup") {
    ExpandedFolder folder = expandFolderWith(lookups, folderTemplate, leaf);
    return {folder.path.text, folder.tail.text};
}

TEST(ExpandFolder, EmptyTemplateIsDesktopAndLeaf) {
    FakeLookups lookups;
    EXPECT_EQ("C:\\Users\\me\\Desktop\\setup", expand(lookups, "").path);
    EXPECT_EQ("C:\\Users\\me\\Desktop\\setup", expand(lookups, nullptr).path);
    EXPECT_TRUE(lookups.created.empty());
}

TEST(ExpandFolder, BuffersHaveRoomForAPath) {
    FakeLookups lookups;
    ExpandedFolder folder = expandFolderWith(lookups, "D:\\Tools", "setup");
    EXPECT_GE(folder.path.capacity, 261);
    EXPECT_EQ(261, folder.tail.capacity);
}

TEST(ExpandFolder, MacroAloneGetsTheLeaf) {
    FakeLookups lookups;
    Expansion result = expand(lookups, "%programfiles%");
    EXPECT_EQ("C:\\Program Files\\setup", result.path);
    EXPECT_EQ("\\setup", result.tail);
}

TEST(ExpandFolder, MacroNamesIgnoreCaseAndAFollowingTailGetsNoLeaf) {
    FakeLookups lookups;
    Expansion result = expand(lookups, "%PROGRAMFILES%\\Tool");
    EXPECT_EQ("C:\\Program Files\\Tool", result.path);
    EXPECT_EQ("\\Tool", result.tail);
}

TEST(ExpandFolder, ProgramFilesTrailingBackslashIsDropped) {
    FakeLookups lookups;
    lookups.systemFolders["programfiles"] = "C:\\Program Files\\";
    EXPECT_EQ("C:\\Program Files\\Tool", expand(lookups, "%programfiles%\\Tool").path);
}

TEST(ExpandFolder, MissingProgramFilesLeavesTheTailAlone) {
    FakeLookups lookups;
    lookups.systemFolders.erase("programfiles");
    EXPECT_EQ("\\Tool", expand(lookups, "%programfiles%\\Tool").path);
}

TEST(ExpandFolder, TailIsJoinedWithoutASeparator) {
    FakeLookups lookups;
    EXPECT_EQ("C:\\WINDOWSTool", expand(lookups, "%windir%Tool").path);
}

TEST(ExpandFolder, TextAfterAThirdPercentIsDropped) {
    FakeLookups lookups;
    Expansion result = expand(lookups, "%windir%\\a%b");
    EXPECT_EQ("C:\\WINDOWS\\a", result.path);
    EXPECT_EQ("\\a", result.tail);
}

TEST(ExpandFolder, WindowsRootLosesItsBackslash) {
    FakeLookups lookups;
    lookups.systemFolders["windows"] = "C:\\";
    EXPECT_EQ("C:\\x", expand(lookups, "%windir%\\x").path);
}

TEST(ExpandFolder, TempdirCreatesTheTemporaryFolderOnly) {
    FakeLookups lookups;
    EXPECT_EQ("C:\\Temp\\x", expand(lookups, "%tempdir%\\x").path);
    ASSERT_EQ(1u, lookups.created.size());
    EXPECT_EQ("C:\\Temp", lookups.created[0]);
}

TEST(ExpandFolder, TempdirWithoutTemporaryFolderCreatesNothing) {
    FakeLookups lookups;
    lookups.systemFolders.erase("temp");
    EXPECT_EQ("\\x", expand(lookups, "%TempDir%\\x").path);
    EXPECT_TRUE(lookups.created.empty());
}

TEST(ExpandFolder, ShellFolderMacros) {
    FakeLookups lookups;
    EXPECT_EQ("C:\\Users\\me\\Favorites\\x", expand(lookups, "%favorites%\\x").path);
    EXPECT_EQ("C:\\Users\\me\\Desktop\\setup", expand(lookups, "%desktop%").path);
    lookups.shellFolders["START MENU"] = "C:\\Menu\\";
    // A shell folder keeps its trailing backslash.
    EXPECT_EQ("C:\\Menu\\\\x", expand(lookups, "%Start Menu%\\x").path);
}

TEST(ExpandFolder, UnknownMacroFallsBackToTheDesktop) {
    FakeLookups lookups;
    EXPECT_EQ("C:\\Users\\me\\Desktop\\x", expand(lookups, "%nowhere%\\x").path);
    lookups.shellFolders.erase("DESKTOP");
    EXPECT_EQ("\\x", expand(lookups, "%nowhere%\\x").path);
}

TEST(ExpandFolder, LiteralsStayAsTheyAre) {
    FakeLookups lookups;
    EXPECT_EQ("D:\\Tools", expand(lookups, "D:\\Tools").path);
    EXPECT_EQ("%D:\\Tools", expand(lookups, "%D:\\Tools").path);
    EXPECT_EQ("D:\\Price$Tools", expand(lookups, "D:\\Price$Tools").path);
    EXPECT_EQ("", expand(lookups, "D:\\Tools").tail);
    EXPECT_TRUE(lookups.userValuesAsked.empty());
    EXPECT_TRUE(lookups.created.empty());
}

TEST(ExpandFolder, TrailingPercentIsAMacroNamedByTheText) {
    FakeLookups lookups;
    EXPECT_EQ("C:\\Users\\me\\Desktop\\setup", expand(lookups, "D:\\100%").path);
}

TEST(ExpandFolder, RegistryReference) {
    FakeLookups lookups;
    lookups.setUserValue("Software\\Tools\\Setup", "Folder", "E:\\Work");
    Expansion result = expand(lookups, "$Software\\Tools\\Setup\\Folder$\\Data");
    EXPECT_EQ("E:\\Work\\Data", result.path);
    EXPECT_EQ("", result.tail);
    ASSERT_EQ(1u, lookups.userValuesAsked.size());
    EXPECT_EQ("Software\\Tools\\Setup|Folder", lookups.userValuesAsked[0]);
}

TEST(ExpandFolder, MissingRegistryValueLeavesTheTemplate) {
    FakeLookups lookups;
    EXPECT_EQ("$Software\\Tools\\Setup\\Folder$\\Data",
              expand(lookups, "$Software\\Tools\\Setup\\Folder$\\Data").path);
}

TEST(ExpandFolder, MissingRegistryValueThenTriesTheMacro) {
    FakeLookups lookups;
    EXPECT_EQ("C:\\Users\\me\\Desktop\\setup", expand(lookups, "$Software\\X\\Y$%").path);
}

TEST(ExpandFolder, PercentAfterAReferenceIsNotExpanded) {
    FakeLookups lookups;
    lookups.setUserValue("K", "V", "E:\\Work");
    EXPECT_EQ("E:\\Work\\%windir%", expand(lookups, "$K\\V$\\%windir%").path);
}

TEST(ExpandFolder, ReferenceMayOpenAtTheSecondCharacter) {
    FakeLookups lookups;
    lookups.setUserValue("K", "V", "E:\\Work");
    EXPECT_EQ("E:\\Work\\x", expand(lookups, "x$K\\V$\\x").path);
}

TEST(ExpandFolder, ReferenceOpeningLaterIsNoReference) {
    FakeLookups lookups;
    lookups.setUserValue("K", "V", "E:\\Work");
    EXPECT_EQ("C:\\WINDOWS\\$K\\V$", expand(lookups, "%windir%\\$K\\V$").path);
    EXPECT_TRUE(lookups.userValuesAsked.empty());
}

TEST(ExpandFolder, ReferenceWithoutBackslashIsNoReference) {
    FakeLookups lookups;
    EXPECT_EQ("$Folder$\\x", expand(lookups, "$Folder$\\x").path);
    EXPECT_EQ("$$", expand(lookups, "$$").path);
    EXPECT_TRUE(lookups.userValuesAsked.empty());
}

TEST(ExpandFolder, ReferenceValueMayBeEmptyOrLong) {
    FakeLookups lookups;
    lookups.setUserValue("K", "Empty", "");
    EXPECT_EQ("\\x", expand(lookups, "$K\\Empty$\\x").path);
    std::string longFolder = "E:\\" + std::string(1000, 'a');
    lookups.setUserValue("K", "Long", longFolder);
    EXPECT_EQ(longFolder + "\\x", expand(lookups, "$K\\Long$\\x").path);
}

TEST(ExpandFolder, NullLeafCountsAsEmpty) {
    FakeLookups lookups;
    EXPECT_EQ("C:\\WINDOWS\\", expand(lookups, "%windir%", nullptr).path);
}

bool leafRefused(const char* folderTemplate, const char* leaf) {
    FakeLookups lookups;
    return expandFolderWith(lookups, folderTemplate, leaf).unusableLeaf;
}

TEST(ExpandFolder, LeafThatNamesNoFolderOfItsOwnIsMarked) {
    for (const char* leaf :
         {"", "...", "..", ".", " ", " . ", "Carnet ", "Carnet.", "CON", "nul", "com1 "}) {
        EXPECT_TRUE(leafRefused("%programfiles%", leaf)) << "[" << leaf << "]";
        EXPECT_TRUE(leafRefused("", leaf)) << "[" << leaf << "]";
    }
    EXPECT_TRUE(leafRefused("%windir%", nullptr));
    for (const char* leaf : {"setup", ".setup", "a.b", " Carnet", "Carnet 2", "CONSOLE"})
        EXPECT_FALSE(leafRefused("%programfiles%", leaf)) << "[" << leaf << "]";
    // Only an appended leaf counts.
    EXPECT_FALSE(leafRefused("%programfiles%\\Tool", "..."));
    EXPECT_FALSE(leafRefused("C:\\Tool", ""));
    EXPECT_FALSE(leafRefused("$K\\Folder$", ""));
}

}  // namespace
