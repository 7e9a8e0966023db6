#include <gtest/gtest.h>

#include <string>

#include "base/text_buffer.h"
#include "uninstall/rules/path_rules.h"
#include "uninstall/rules/record_names.h"
#include "uninstall/rules/shared_files.h"

namespace {

std::string recordName(int32_t number) {
    TextBuffer name(32);
    appendRecordName(name, number);
    return name.text;
}

TEST(RecordNames, TheFirstKeepsTheFolderNameTheOthersAreNumbered) {
    EXPECT_EQ(recordName(1), "TAVUUNINSTALL.INI");
    EXPECT_EQ(recordName(2), "TAVUUNINSTALL-2.INI");
    EXPECT_EQ(recordName(kMaxRecordNumber), "TAVUUNINSTALL-99.INI");
    for (int32_t number = 1; number <= kMaxRecordNumber; ++number)
        EXPECT_TRUE(isRecordName(recordName(number).c_str())) << number;
    EXPECT_TRUE(isRecordName("tavuuninstall-12.ini"));
    const char* const others[] = {"TAVUUNINSTALL-1.INI",
                                  "TAVUUNINSTALL-02.INI",
                                  "TAVUUNINSTALL-100.INI",
                                  "TAVUUNINSTALL-.INI",
                                  "TAVUUNINSTALL-2.INI.TXT",
                                  "TAVUUNINSTALL2.INI",
                                  "TAVUUNINSTALL.EXE",
                                  "XTAVUUNINSTALL.INI",
                                  "",
                                  nullptr};
    for (const char* other : others)
        EXPECT_FALSE(isRecordName(other)) << (other ? other : "null");
    EXPECT_TRUE(isProfilePath("C:\\P\\TAVUUNINSTALL-3.INI"));
    EXPECT_FALSE(isProfilePath("C:\\P\\TAVUUNINSTALL-0.INI"));
}

TEST(SharedFiles, WhatAnotherRecordListsStaysAndTheRestKeepsItsOrder) {
    PathList own;
    for (const char* path : {"C:\\P\\A.EXE", "C:\\P\\SHARED.DLL", "C:\\P\\data\\a.txt",
                             "C:\\D\\Common.LNK", "C:\\P\\Z.TXT"})
        own.add(path);
    PathList others;
    for (const char* path :
         {"C:\\P\\Q.EXE", "c:\\p\\shared.dll", "C:\\D\\COMMON.lnk", "C:\\P\\SHARED.DLL"})
        others.add(path);
    EXPECT_EQ(leaveSharedFiles(own, others), 2);
    ASSERT_EQ(own.count(), 3);
    EXPECT_STREQ(own.at(0), "C:\\P\\A.EXE");
    EXPECT_STREQ(own.at(1), "C:\\P\\data\\a.txt");
    EXPECT_STREQ(own.at(2), "C:\\P\\Z.TXT");
    PathList none;
    EXPECT_EQ(leaveSharedFiles(own, none), 0);
    EXPECT_EQ(own.count(), 3);
}

TEST(SharedFiles, AShortcutInTheProgramsFolderIsAdmitted) {
    MachineFacts facts;
    facts.startMenu = "C:\\u\\Start Menu";
    facts.programs = "C:\\u\\Start Menu\\Programs\\";
    FolderSet folders;
    folders.seal();
    EXPECT_TRUE(isRemovableFile("C:\\u\\Start Menu\\Programs\\P.LNK", folders, facts));
    EXPECT_TRUE(isRemovableFile("C:\\u\\Start Menu\\P.LNK", folders, facts));
    EXPECT_FALSE(isRemovableFile("C:\\u\\Start Menu\\Programs\\Sub\\P.LNK", folders, facts));
    EXPECT_FALSE(isAdmissibleFolder("C:\\u\\Start Menu\\Programs", facts));
}

}  // namespace
