#include "names/windows_names.h"

#include <gtest/gtest.h>

namespace azpack {
namespace {

TEST(EntryNameProblem, AcceptsOrdinaryNames) {
    const char* const good[] = {"a.txt",       "dir\\sub\\file.bin",
                                "CONSOLE.txt", "COM10",
                                "LPT",         "nul_file",
                                "con-x.txt",   "a b.c",
                                ".hidden",     "x..y",
                                "caf\xE9.txt", "COM1x"};
    for (const char* name : good)
        EXPECT_EQ(entryNameProblem(name), "") << name;
}

TEST(EntryNameProblem, RefusesWhatWindowsCannotStoreOrWhatEscapesTheFolder) {
    struct Case {
        const char* name;
        const char* reason;
    };
    const Case cases[] = {
        {"", "is empty"},
        {"\\abs", "is an absolute path"},
        {"C:x", "holds a colon (drive or stream name)"},
        {"file:stream", "holds a colon (drive or stream name)"},
        {"a\\\\b", "has an empty folder name"},
        {"a\\", "has an empty folder name"},
        {".", "has a '.' component"},
        {"..\\evil", "has a '..' component"},
        {"a\\..\\b", "has a '..' component"},
        {"CON", "uses the device name CON"},
        {"con.txt", "uses the device name CON"},
        {"dir\\Nul.tar.gz", "uses the device name NUL"},
        {"AUX .txt", "uses the device name AUX"},
        {"com1", "uses the device name COM1"},
        {"LPT9.log", "uses the device name LPT9"},
        {"COM\xB9", "uses the device name COM\xC2\xB9"},
        {"conin$", "uses the device name CONIN$"},
        {"prn", "uses the device name PRN"},
        {"a.", "has a folder or file name ending with a dot"},
        {"dir.\\f", "has a folder or file name ending with a dot"},
        {"a ", "has a folder or file name ending with a blank"},
        {"a<b", "holds the reserved character '<'"},
        {"a>b", "holds the reserved character '>'"},
        {"a\"b", "holds the reserved character '\"'"},
        {"a|b", "holds the reserved character '|'"},
        {"a?b", "holds the reserved character '?'"},
        {"a*b", "holds the reserved character '*'"},
        {"a/b", "holds the reserved character '/'"},
        {"a\x01z", "holds a control character"},
        {"tab\there", "holds a control character"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(entryNameProblem(c.name), c.reason) << c.name;
}

TEST(EntryNameProblem, LimitsNamesTo1023Bytes) {
    EXPECT_EQ(entryNameProblem(std::string(1023, 'a')), "");
    EXPECT_EQ(entryNameProblem(std::string(1024, 'a')), "is 1024 bytes long, more than 1023");
}

TEST(FindCaseClash, FindsNamesThatDifferOnlyInCase) {
    EXPECT_EQ(findCaseClash({"A.txt", "b", "a.TXT"}),
              "'A.txt' and 'a.TXT' differ only in case: Windows would store them as one file");
    // Accented capitals fold as the file system folds them.
    EXPECT_NE(findCaseClash({"\xC9t\xE9", "\xE9t\xE9"}), "");
}

TEST(FindCaseClash, FindsAFileNamedLikeAFolder) {
    EXPECT_EQ(findCaseClash({"DOCS\\readme", "docs"}),
              "file 'docs' and folder 'DOCS' would have the same name on Windows");
}

TEST(FindCaseClash, AllowsFoldersThatMerge) {
    EXPECT_EQ(findCaseClash({"Docs\\a", "docs\\b", "x"}), "");
    EXPECT_EQ(findCaseClash({}), "");
}

}  // namespace
}  // namespace azpack
