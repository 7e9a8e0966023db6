#include "system/programs/device_manager.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "win_test_support.h"

using namespace testing_support;

namespace {

const char kManagerKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAppMgr.exe";

// Waits for the stand-in manager's record of its command line.
std::string awaitRecord(const std::string& path) {
    for (int i = 0; i < 300 && !isFile(path); ++i)
        Sleep(100);
    return readFile(path);
}

// The message box of the other branch is observed by the end-to-end tests.
TEST(HandOffToDeviceManager, StartsTheRegisteredManagerWithTheUnquotedPath) {
    std::string folder = freshFolder("az manager");
    std::string manager = folder + "CEAppMgr.exe";
    ASSERT_TRUE(CopyFileA((ownFolder() + "system_recorder.exe").c_str(), manager.c_str(), FALSE));
    setText(HKEY_LOCAL_MACHINE, kManagerKey, nullptr, manager);

    TextBuffer iniPath("C:\\Program Files\\My Device\\CEAPPSETUP.INI");
    EXPECT_EQ(1, handOffToDeviceManager(iniPath));
    EXPECT_EQ("C:\\Program Files\\My Device\\CEAPPSETUP.INI", awaitRecord(manager + ".args"));
}

}  // namespace
