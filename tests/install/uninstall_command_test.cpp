#include "install/completion/uninstall_command.h"

#include <gtest/gtest.h>

TEST(BuildUninstallCommand, QuotesBothPaths) {
    TextBuffer command(4);
    command.append("stale text");
    buildUninstallCommand(command, "C:\\WINDOWS\\TAVUUNINSTALL.EXE",
                          "C:\\Program Files\\P\\TAVUUNINSTALL.INI");
    EXPECT_STREQ("\"C:\\WINDOWS\\TAVUUNINSTALL.EXE\" \"C:\\Program Files\\P\\TAVUUNINSTALL.INI\"",
                 command.text);
}

TEST(BuildUninstallCommand, NoUninstallerGivesEmptyQuotes) {
    TextBuffer command(260);
    buildUninstallCommand(command, "", "D:\\P\\TAVUUNINSTALL.INI");
    EXPECT_STREQ("\"\" \"D:\\P\\TAVUUNINSTALL.INI\"", command.text);
    buildUninstallCommand(command, nullptr, nullptr);
    EXPECT_STREQ("\"\" \"\"", command.text);
}

TEST(BuildUninstallCommand, QuietFormPutsTheSilentSwitchBetween) {
    TextBuffer command(4);
    buildQuietUninstallCommand(command, "C:\\WINDOWS\\TAVUUNINSTALL.EXE",
                               "C:\\Program Files\\P\\TAVUUNINSTALL.INI");
    EXPECT_STREQ(
        "\"C:\\WINDOWS\\TAVUUNINSTALL.EXE\" /S \"C:\\Program Files\\P\\TAVUUNINSTALL.INI\"",
        command.text);
}
