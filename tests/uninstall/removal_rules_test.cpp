#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "uninstall/rules/path_rules.h"
#include "uninstall/rules/profile_reader.h"
#include "uninstall/rules/removal_plan.h"

namespace {

MachineFacts wineFacts() {
    MachineFacts facts;
    facts.windowsFolder = "C:\\windows\\";
    facts.programFiles = "C:\\Program Files";
    facts.programFilesOther = "C:\\Program Files (x86)";
    facts.desktop = "C:\\users\\u\\Desktop";
    facts.favorites = "C:\\users\\u\\Favorites";
    facts.startMenu = "C:\\users\\u\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu";
    facts.userProfile = "C:\\users\\u";
    facts.appData = "C:\\users\\u\\AppData\\Roaming";
    facts.tempFolder = "C:\\users\\u\\AppData\\Local\\Temp\\";
    return facts;
}

std::string listed(const PathList& list) {
    std::string text;
    for (int32_t i = 0; i < list.count(); ++i)
        text += std::string(list.at(i)) + "|";
    return text;
}

struct Planned {
    UninstallProfile profile;
    RemovalPlan plan;
    int32_t read = 0;
    int32_t planned = 0;
    explicit Planned(const std::string& bytes) {
        read = readUninstallProfile(bytes.data(), static_cast<uint32_t>(bytes.size()), profile);
        planned = planRemoval(profile, wineFacts(), plan);
    }
};

}  // namespace

TEST(UninstallProfile, ReadsTheInstallersLayoutAndDamagedLines) {
    const char raw[] =
        "[FILES]\r\n"
        "C:\\Program Files\\Carnet\\LISEZMOI.TXT=1\r\n"
        "  C:\\Program Files\\Carnet\\modeles\\lettre.txt \t=1\n"
        "no equals sign here\r"
        "=1\r\n"
        "[other]\r\nC:\\elsewhere\\x.txt=1\r\n"
        "[hklm]\r\n"
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Carnet=\r\n"
        "[DIRS]\r\n"
        "C:\\Program Files\\Carnet=1\r\n"
        "[Files]\r\n"
        "C:\\Program Files\\Carnet\\A\0B.TXT=1\r\n"
        "C:\\Program Files\\Carnet\\cut";
    Planned p(std::string(raw, sizeof raw - 1));
    ASSERT_EQ(p.read, 1);
    EXPECT_EQ(
        listed(p.profile.files),
        "C:\\Program Files\\Carnet\\LISEZMOI.TXT|C:\\Program Files\\Carnet\\modeles\\lettre.txt|"
        "C:\\Program Files\\Carnet\\A\x01"
        "B.TXT|");
    EXPECT_EQ(p.plan.files.count(), 2);
    EXPECT_EQ(p.plan.keptItems, 1);
    EXPECT_EQ(listed(p.profile.keys),
              "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Carnet|");
    EXPECT_EQ(listed(p.profile.dirs), "C:\\Program Files\\Carnet|");

    // Empty, unrelated or binary files are no profile: nothing is removed.
    for (const std::string& none : {std::string(), std::string("[YPH]\r\nPath=C:\\x=1\r\n"),
                                    std::string("\xff\xfe[\0F\0I\0L\0E\0S\0]", 16)}) {
        UninstallProfile profile;
        EXPECT_EQ(readUninstallProfile(none.data(), uint32_t(none.size()), profile), 0);
    }
}

TEST(RemovalRules, FilesFoldersAndKeys) {
    const std::string bytes =
        "[FILES]\r\n"
        "C:\\Program Files\\Carnet\\LISEZMOI.TXT=1\r\n"
        "c:\\program files\\carnet\\notes\\a\\b.txt=1\r\n"
        "C:\\users\\u\\Desktop\\Carnet.LNK=1\r\n"
        "C:\\users\\u\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Carnet.lnk=1\r\n"
        "C:\\users\\u\\Favorites\\Carnet.LNK=1\r\n"
        // refused: outside, relative, climbing, wildcards, devices, streams
        "C:\\windows\\win.ini=1\r\n"
        "C:\\Program Files\\Other\\OTHER.EXE=1\r\n"
        "C:\\users\\u\\Desktop\\Carnet.txt=1\r\n"
        "C:\\users\\u\\Desktop\\sub\\Carnet.LNK=1\r\n"
        "Carnet\\LISEZMOI.TXT=1\r\n"
        "\\Program Files\\Carnet\\x=1\r\n"
        "C:Program Files\\Carnet\\x=1\r\n"
        "C:\\Program Files\\Carnet\\..\\Other\\OTHER.EXE=1\r\n"
        "C:\\Program Files\\Carnet\\.. \\Other\\OTHER.EXE=1\r\n"
        "C:\\Program Files\\Carnet\\.\\x=1\r\n"
        "C:\\Program Files\\Carnet\\*.*=1\r\n"
        "C:\\Program Files\\Carnet\\a?.txt=1\r\n"
        "C:\\Program Files\\Carnet\\NUL=1\r\n"
        "C:\\Program Files\\Carnet\\com1.txt=1\r\n"
        "C:\\Program Files\\Carnet\\x.txt:stream=1\r\n"
        "C:\\Program Files\\Carnet/../Other/OTHER.EXE=1\r\n"
        "C:\\Program Files\\Carnet\\\\x=1\r\n"
        "C:\\Program Files\\Carnet\\=1\r\n"
        "C:\\Program Files\\Carnet=1\r\n"
        "\\\\?\\C:\\Program Files\\Carnet\\x=1\r\n"
        "\\\\.\\C:\\Program Files\\Carnet\\x=1\r\n"
        "C:\\Program Files\\Carnet\\" +
        std::string(300, 'x') +
        "=1\r\n"
        "[HKLM]\r\n"
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Carnet=\r\n"
        "software\\microsoft\\windows\\currentversion\\uninstall\\Second=\r\n"
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\=\r\n"
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall=\r\n"
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Carnet\\Sub=\r\n"
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\..=\r\n"
        "SOFTWARE\\Classes=\r\n"
        "[DIRS]\r\n"
        "C:\\Program Files\\Carnet=1\r\n"
        "C:\\=1\r\n"
        "C:\\windows=1\r\n"
        "C:\\windows\\system32=1\r\n"
        "C:\\Program Files\\=1\r\n"
        "C:\\Program Files (x86)=1\r\n"
        "C:\\users\\u\\Desktop=1\r\n"
        "C:\\users\\u=1\r\n"
        "C:\\users=1\r\n"
        "C:\\users\\u\\AppData\\Local\\Temp=1\r\n"
        "C:\\users\\u\\AppData\\Roaming=1\r\n"
        "relative=1\r\n";
    Planned p(bytes);
    ASSERT_EQ(p.read, 1);
    ASSERT_EQ(p.planned, 1);
    EXPECT_EQ(listed(p.plan.files),
              "C:\\Program Files\\Carnet\\LISEZMOI.TXT|c:\\program files\\carnet\\notes\\a\\b.txt|"
              "C:\\users\\u\\Desktop\\Carnet.LNK|"
              "C:\\users\\u\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Carnet.lnk|"
              "C:\\users\\u\\Favorites\\Carnet.LNK|");
    EXPECT_EQ(listed(p.plan.keys),
              "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Carnet|"
              "software\\microsoft\\windows\\currentversion\\uninstall\\Second|");
    EXPECT_EQ(p.plan.folders.count(), 1);
    EXPECT_STREQ(p.plan.folders.at(0), "C:\\Program Files\\Carnet");
    // 22 files, 5 keys and 11 folders refused.
    EXPECT_EQ(p.plan.keptItems, 22 + 5 + 11);
    EXPECT_STREQ(productNameOf(p.plan.keys.at(0)), "Carnet");

    // Folders: deepest first, up to and including the [DIRS] folder, once;
    // shortcuts in shell folders add none.
    PathList folders;
    ASSERT_EQ(foldersToRemove(p.plan.files, p.plan.folders, folders), 1);
    EXPECT_EQ(listed(folders),
              "c:\\program files\\carnet\\notes\\a|c:\\program files\\carnet\\notes|"
              "C:\\Program Files\\Carnet|");

    // What remains is written back in the installer's layout.
    ByteBuffer remaining(0, 256);
    PathList files;
    files.add("C:\\Program Files\\Carnet\\HELD.DLL");
    ASSERT_EQ(writeRemainingProfile(files, p.plan.keys, p.plan.folders, remaining), 1);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(remaining.data), remaining.length),
              "[FILES]\r\nC:\\Program Files\\Carnet\\HELD.DLL=1\r\n[HKLM]\r\n"
              "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Carnet=\r\n"
              "software\\microsoft\\windows\\currentversion\\uninstall\\Second=\r\n"
              "[DIRS]\r\nC:\\Program Files\\Carnet=1\r\n");
    // Read back, it plans the same.
    Planned again(std::string(reinterpret_cast<char*>(remaining.data), remaining.length));
    EXPECT_EQ(listed(again.plan.files), "C:\\Program Files\\Carnet\\HELD.DLL|");
    EXPECT_EQ(again.plan.keptItems, 0);
}

TEST(RemovalRules, UnknownMachineFactsAndShares) {
    MachineFacts none;
    FolderSet folders;
    folders.add("\\\\server\\share\\Carnet\\");
    folders.seal();
    EXPECT_EQ(isAdmissibleFolder("\\\\server\\share\\Carnet", none), 1);
    EXPECT_EQ(isAdmissibleFolder("\\\\server\\share", none), 0);
    EXPECT_EQ(isAdmissibleFolder("\\\\server", none), 0);
    EXPECT_EQ(isRemovableFile("\\\\server\\share\\Carnet\\A.TXT", folders, none), 1);
    EXPECT_EQ(isRemovableFile("\\\\server\\share\\Other\\A.TXT", folders, none), 0);
    // Without shell folders no shortcut is admitted on its own.
    EXPECT_EQ(isRemovableFile("C:\\Desktop\\A.LNK", folders, none), 0);
    EXPECT_EQ(isPlainFullPath("C:\\"), 1);
    EXPECT_EQ(isPlainFullPath(nullptr), 0);
}

TEST(RemovalRules, ProtectedFoldersAndWhatHoldsThem) {
    PathList shell;
    shell.add("C:\\ProgramData");
    shell.add("C:\\users\\u\\Documents\\");
    shell.add("Z:\\home\\u\\Documents");
    MachineFacts facts = wineFacts();
    facts.protectedFolders = &shell;
    for (const char* refused : {"C:\\ProgramData", "c:\\programdata\\", "C:\\users\\u\\Documents",
                                "Z:\\home\\u", "Z:\\home"})
        EXPECT_EQ(isAdmissibleFolder(refused, facts), 0) << refused;
    // Inside one of them, a product's own folder may lie.
    for (const char* admitted : {"C:\\ProgramData\\Carnet", "C:\\users\\u\\Documents\\Carnet",
                                 "C:\\ProgramDataX", "Z:\\home\\v"})
        EXPECT_EQ(isAdmissibleFolder(admitted, facts), 1) << admitted;
}

TEST(RemovalRules, AHundredThousandLines) {
    std::string bytes = "[FILES]\r\n";
    for (int i = 0; i < 100000; ++i)
        bytes += "C:\\Program Files\\Big\\d" + std::to_string(i % 100) + "\\f" + std::to_string(i) +
                 ".txt=1\r\n";
    bytes += "[DIRS]\r\n";
    for (int i = 0; i < 1000; ++i)
        bytes += "C:\\Program Files\\Big" + std::string(i % 2 ? "\\" : "") + "=1\r\n";
    Planned p(bytes);
    ASSERT_EQ(p.planned, 1);
    EXPECT_EQ(p.plan.files.count(), 100000);
    EXPECT_EQ(p.plan.folders.count(), 1);
    PathList folders;
    ASSERT_EQ(foldersToRemove(p.plan.files, p.plan.folders, folders), 1);
    EXPECT_EQ(folders.count(), 101);
    EXPECT_STREQ(folders.at(100), "C:\\Program Files\\Big");
}
