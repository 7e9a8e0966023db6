#include "install/walk/entry_name.h"

#include <gtest/gtest.h>

TEST(IsSafeEntryName, AcceptsPlainNamesAndSubFolders) {
    EXPECT_EQ(1, isSafeEntryName("SETUP.EXE"));
    EXPECT_EQ(1, isSafeEntryName("doc\\readme.txt"));
    EXPECT_EQ(1, isSafeEntryName("doc/readme.txt"));
    EXPECT_EQ(1, isSafeEntryName("a\\b\\c\\d.bin"));
    EXPECT_EQ(1, isSafeEntryName("..name"));  // dots inside a name do not climb
    EXPECT_EQ(1, isSafeEntryName("a\\..b\\c"));
    EXPECT_EQ(1, isSafeEntryName("sub\\YPH.EXE"));
}

TEST(IsSafeEntryName, RefusesEmptyAndNull) {
    EXPECT_EQ(0, isSafeEntryName(nullptr));
    EXPECT_EQ(0, isSafeEntryName(""));
}

TEST(IsSafeEntryName, RefusesLeadingOrTrailingSeparator) {
    EXPECT_EQ(0, isSafeEntryName("\\Windows\\evil.dll"));
    EXPECT_EQ(0, isSafeEntryName("/etc/file"));
    EXPECT_EQ(0, isSafeEntryName("\\\\server\\share\\x"));
    EXPECT_EQ(0, isSafeEntryName("folder\\"));
    EXPECT_EQ(0, isSafeEntryName("folder/"));
    EXPECT_EQ(0, isSafeEntryName("\\"));
}

TEST(IsSafeEntryName, RefusesDrivesAndStreams) {
    EXPECT_EQ(0, isSafeEntryName("C:\\Windows\\x.dll"));
    EXPECT_EQ(0, isSafeEntryName("C:x.dll"));
    EXPECT_EQ(0, isSafeEntryName("file.txt:stream"));
    EXPECT_EQ(0, isSafeEntryName("a\\b:c\\d"));
}

TEST(IsSafeEntryName, RefusesClimbingComponentsWithEitherSeparator) {
    EXPECT_EQ(0, isSafeEntryName(".."));
    EXPECT_EQ(0, isSafeEntryName("..\\x"));
    EXPECT_EQ(0, isSafeEntryName("../x"));
    EXPECT_EQ(0, isSafeEntryName("a\\..\\..\\x"));
    EXPECT_EQ(0, isSafeEntryName("a/../x"));
    EXPECT_EQ(0, isSafeEntryName("a\\/..\\x"));
    EXPECT_EQ(0, isSafeEntryName("a\\.."));
    EXPECT_EQ(0, isSafeEntryName("a/.."));
    // Windows drops trailing dots and blanks, so these climb as well.
    EXPECT_EQ(0, isSafeEntryName("... \\x"));
    EXPECT_EQ(0, isSafeEntryName(".. \\x"));
    EXPECT_EQ(0, isSafeEntryName("a\\. .\\x"));
}

TEST(IsSafeEntryName, RefusesDeviceNamesInAnyComponent) {
    EXPECT_EQ(0, isSafeEntryName("CON"));
    EXPECT_EQ(0, isSafeEntryName("nul.txt"));
    EXPECT_EQ(0, isSafeEntryName("sub\\Aux"));
    EXPECT_EQ(0, isSafeEntryName("prn\\file.txt"));
    EXPECT_EQ(0, isSafeEntryName("COM1"));
    EXPECT_EQ(0, isSafeEntryName("lpt9.log"));
    EXPECT_EQ(0, isSafeEntryName("COM1 .log"));
    EXPECT_EQ(0, isSafeEntryName("com\xB9"));
}

TEST(IsSafeEntryName, RefusesConsoleDevices) {
    EXPECT_EQ(0, isSafeEntryName("CONIN$"));
    EXPECT_EQ(0, isSafeEntryName("conout$"));
    EXPECT_EQ(0, isSafeEntryName("sub\\CONOUT$"));
    EXPECT_EQ(0, isSafeEntryName("CONIN$\\file.txt"));
    EXPECT_EQ(1, isSafeEntryName("CONIN"));
    EXPECT_EQ(1, isSafeEntryName("CONOUT$X"));
}

// Windows drops a final dot or blank, so the file would be written under
// another name than the one recorded.
TEST(IsSafeEntryName, RefusesComponentsEndingInADotOrABlank) {
    EXPECT_EQ(0, isSafeEntryName("name.."));
    EXPECT_EQ(0, isSafeEntryName("name."));
    EXPECT_EQ(0, isSafeEntryName("name "));
    EXPECT_EQ(0, isSafeEntryName("YPH.EXE."));
    EXPECT_EQ(0, isSafeEntryName("dir.\\x"));
    EXPECT_EQ(0, isSafeEntryName("dir \\x"));
    EXPECT_EQ(1, isSafeEntryName("a.b\\c d.e"));
}

// "." names the folder itself: a file cannot be written there, and a path
// recorded with "\.\" in it is refused by the uninstaller.
TEST(IsSafeEntryName, RefusesDotComponents) {
    EXPECT_EQ(0, isSafeEntryName(".\\file"));
    EXPECT_EQ(0, isSafeEntryName("a/./file"));
    EXPECT_EQ(0, isSafeEntryName("."));
    EXPECT_EQ(0, isSafeEntryName("sub\\."));
}

// Windows would write "a\b" while the record keeps the name as given.
TEST(IsSafeEntryName, RefusesEmptyComponents) {
    EXPECT_EQ(0, isSafeEntryName("a\\\\b"));
    EXPECT_EQ(0, isSafeEntryName("a//b"));
    EXPECT_EQ(0, isSafeEntryName("a\\/b"));
}

// Windows refuses to open these: the write fails and stops the run.
TEST(IsSafeEntryName, LeavesCharactersTheSystemRefusesToIt) {
    EXPECT_EQ(1, isSafeEntryName("WILD*.TXT"));
    EXPECT_EQ(1, isSafeEntryName("sub\\CTRL\x01.TXT"));
}

TEST(IsSafeEntryName, NamesThatMerelyStartLikeDevicesAreFine) {
    EXPECT_EQ(1, isSafeEntryName("CONFIG.SYS"));
    EXPECT_EQ(1, isSafeEntryName("console\\nul2.txt"));
    EXPECT_EQ(1, isSafeEntryName("COM"));
    EXPECT_EQ(1, isSafeEntryName("COM10"));
    EXPECT_EQ(1, isSafeEntryName("LPTX.TXT"));
    EXPECT_EQ(1, isSafeEntryName("a.con"));
}

// A later run would clear such a file away as a leftover of an interrupted one.
TEST(IsSafeEntryName, RefusesTheNamesOfFilesBesideTargets) {
    EXPECT_EQ(0, isSafeEntryName("A.DLL.~aznew1f"));
    EXPECT_EQ(0, isSafeEntryName("sub\\A.DLL.~azold10"));
    EXPECT_EQ(1, isSafeEntryName("A.DLL.~azold"));
    EXPECT_EQ(1, isSafeEntryName("A.~azold1\\B.TXT"));
}
