#include "install/run/path_parts.h"

#include <gtest/gtest.h>

TEST(BaseNameOf, DropsFolderDriveAndLastExtension) {
    TextBuffer name(4);
    baseNameOf("C:\\Temp\\Setup Files\\AZSETUP.EXE", name);
    EXPECT_STREQ("AZSETUP", name.text);
    baseNameOf("x.tar.gz", name);
    EXPECT_STREQ("x.tar", name.text);
    baseNameOf("C:noext", name);
    EXPECT_STREQ("noext", name.text);
    baseNameOf("C:\\dir.d\\plain", name);
    EXPECT_STREQ("plain", name.text);
    baseNameOf("a/b/c.exe", name);
    EXPECT_STREQ("c", name.text);
    baseNameOf("", name);
    EXPECT_STREQ("", name.text);
}

TEST(FolderOf, KeepsTrailingSeparator) {
    TextBuffer folder(4);
    folderOf("C:\\P\\sub\\file.txt", folder);
    EXPECT_STREQ("C:\\P\\sub\\", folder.text);
    folderOf("C:\\P\\sub/file.txt", folder);
    EXPECT_STREQ("C:\\P\\sub/", folder.text);
    folderOf("file.txt", folder);
    EXPECT_STREQ("", folder.text);
}

TEST(AppendHex, LowerCaseWithoutLeadingZeros) {
    TextBuffer text("C:\\T\\");
    appendHex(text, 0x1A2B);
    EXPECT_STREQ("C:\\T\\1a2b", text.text);
    TextBuffer zero(4);
    appendHex(zero, 0);
    EXPECT_STREQ("0", zero.text);
    TextBuffer wide(4);
    appendHex(wide, 0xFEDCBA9876543210ull);
    EXPECT_STREQ("fedcba9876543210", wide.text);
}
