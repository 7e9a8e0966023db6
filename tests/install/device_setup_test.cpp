#include "install/completion/device_setup.h"

#include <gtest/gtest.h>

TEST(IsDeviceSetupFile, SuffixInAnyCase) {
    EXPECT_EQ(1, isDeviceSetupFile("C:\\P\\CEAPPSETUP.INI"));
    EXPECT_EQ(1, isDeviceSetupFile("C:\\P\\ceappsetup.ini"));
    EXPECT_EQ(1, isDeviceSetupFile("C:\\P\\CeAppSetup.Ini"));
    EXPECT_EQ(1, isDeviceSetupFile("CEAPPSETUP.INI"));           // exactly 14 characters
    EXPECT_EQ(1, isDeviceSetupFile("C:\\P\\MYCEAPPSETUP.INI"));  // a suffix, not a name
}

TEST(IsDeviceSetupFile, NameElsewhereOrShorterPathIsNot) {
    EXPECT_EQ(0, isDeviceSetupFile("C:\\CEAPPSETUP.INI\\SETUP.EXE"));
    EXPECT_EQ(0, isDeviceSetupFile("C:\\P\\CEAPPSETUP.INI.BAK"));
    EXPECT_EQ(0, isDeviceSetupFile("EAPPSETUP.INI"));
    EXPECT_EQ(0, isDeviceSetupFile(""));
    EXPECT_EQ(0, isDeviceSetupFile(nullptr));
}

TEST(IsDeviceSetupFile, OnlyAsciiLettersFold) {
    EXPECT_EQ(0, isDeviceSetupFile("C:\\P\\CEAPPSETUP\xC9INI"));
}
