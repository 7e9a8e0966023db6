#include <gtest/gtest.h>

#include "uninstall/program/command_line.h"

TEST(UninstallCommandLine, QuotedBareSilentAndEmpty) {
    struct Case {
        const char* line;
        int32_t given;
        int32_t silent;
        const char* profile;
    } cases[] = {
        {"\"C:\\windows\\TAVUUNINSTALL.EXE\" \"C:\\Program Files\\P\\TAVUUNINSTALL.INI\"", 1, 0,
         "C:\\Program Files\\P\\TAVUUNINSTALL.INI"},
        {"\"C:\\windows\\TAVUUNINSTALL.EXE\" /S \"C:\\Program Files\\P\\TAVUUNINSTALL.INI\"", 1, 1,
         "C:\\Program Files\\P\\TAVUUNINSTALL.INI"},
        {"C:\\windows\\TAVUUNINSTALL.EXE /s C:\\Program Files\\P\\TAVUUNINSTALL.INI  ", 1, 1,
         "C:\\Program Files\\P\\TAVUUNINSTALL.INI"},
        {"TAVUUNINSTALL.EXE\t\"C:\\P\\TAVUUNINSTALL.INI", 1, 0, "C:\\P\\TAVUUNINSTALL.INI"},
        {"TAVUUNINSTALL.EXE /Silent", 1, 0, "/Silent"},
        {"TAVUUNINSTALL.EXE /S", 0, 1, ""},
        {"\"TAVUUNINSTALL.EXE", 0, 0, ""},
        {"TAVUUNINSTALL.EXE \"\"", 0, 0, ""},
        {"", 0, 0, ""},
    };
    for (const Case& c : cases) {
        TextBuffer profile(260);
        int32_t silent = -1;
        EXPECT_EQ(readUninstallCommandLine(c.line, &silent, profile), c.given) << c.line;
        EXPECT_EQ(silent, c.silent) << c.line;
        EXPECT_STREQ(profile.text, c.profile) << c.line;
    }
    TextBuffer profile(260);
    int32_t silent = -1;
    EXPECT_EQ(readUninstallCommandLine(nullptr, &silent, profile), 0);
}

TEST(UninstallCommandLine, ProgramQuotedBareAndMissing) {
    struct Case {
        const char* line;
        int32_t given;
        const char* program;
    } cases[] = {
        {"\"C:\\Program Files\\TAVUUNINSTALL.EXE\" /S \"C:\\P\\TAVUUNINSTALL.INI\"", 1,
         "C:\\Program Files\\TAVUUNINSTALL.EXE"},
        {"C:\\windows\\TAVUUNINSTALL.EXE C:\\P\\TAVUUNINSTALL.INI", 1,
         "C:\\windows\\TAVUUNINSTALL.EXE"},
        {"\"C:\\cut", 1, "C:\\cut"},
        {"\"\" C:\\P\\TAVUUNINSTALL.INI", 0, ""},
        {"\"", 0, ""},
        {" C:\\P\\TAVUUNINSTALL.INI", 0, ""},
        {"", 0, ""},
    };
    for (const Case& c : cases) {
        TextBuffer program(260);
        EXPECT_EQ(readCommandProgram(c.line, program), c.given) << c.line;
        EXPECT_STREQ(program.text, c.program) << c.line;
    }
    TextBuffer program(260);
    EXPECT_EQ(readCommandProgram(nullptr, program), 0);
}
