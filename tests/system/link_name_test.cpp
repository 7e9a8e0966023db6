#include "system/shell/link_name.h"

#include <gtest/gtest.h>

namespace {

TEST(LinkName, NamesInsideTheFolderAreTaken) {
    EXPECT_TRUE(isPlainLinkName("Tool"));
    EXPECT_TRUE(isPlainLinkName("i-PelBor Pro"));
    EXPECT_TRUE(isPlainLinkName("Tool 2.0"));
    EXPECT_TRUE(isPlainLinkName("..Tool"));
    EXPECT_TRUE(isPlainLinkName("a..b"));
    EXPECT_TRUE(isPlainLinkName("sub\\Tool"));
    EXPECT_TRUE(isPlainLinkName("Caf\xE9"));
}

TEST(LinkName, DrivesAndStreamsAreRefused) {
    EXPECT_FALSE(isPlainLinkName("C:Tool"));
    EXPECT_FALSE(isPlainLinkName("C:\\Tool"));
    EXPECT_FALSE(isPlainLinkName("Tool:stream"));
}

TEST(LinkName, LeadingSeparatorsAreRefused) {
    EXPECT_FALSE(isPlainLinkName("\\Tool"));
    EXPECT_FALSE(isPlainLinkName("/Tool"));
    EXPECT_FALSE(isPlainLinkName("\\\\server\\share\\Tool"));
}

TEST(LinkName, ClimbingComponentsAreRefused) {
    EXPECT_FALSE(isPlainLinkName(".."));
    EXPECT_FALSE(isPlainLinkName("..\\Startup\\Tool"));
    EXPECT_FALSE(isPlainLinkName("../Tool"));
    EXPECT_FALSE(isPlainLinkName("a\\..\\..\\Tool"));
    EXPECT_FALSE(isPlainLinkName("a/.."));
    EXPECT_FALSE(isPlainLinkName("...\\Tool"));
    EXPECT_FALSE(isPlainLinkName(". .\\Tool"));
}

TEST(LinkName, ControlCharactersAndNullAreRefused) {
    EXPECT_FALSE(isPlainLinkName(nullptr));
    EXPECT_FALSE(isPlainLinkName("Tool\r\nX=1"));
    EXPECT_FALSE(isPlainLinkName("Tool\t"));
}

// ".LNK" follows the name, so only its last part may end in a dot or blank;
// a device name opens the device whatever follows it.
TEST(LinkName, NamesWindowsWouldStoreElsewhereAreRefused) {
    EXPECT_TRUE(isPlainLinkName("Tool."));
    EXPECT_FALSE(isPlainLinkName("sub.\\Tool"));
    for (const char* name : {"", "Tool\\", "a\\\\Tool", "CON", "nul.txt", "sub\\AUX\\Tool", "To?l",
                             "a<b", "a|b", "a\"b", "sub\\.\\Tool"})
        EXPECT_FALSE(isPlainLinkName(name)) << name;
}

}  // namespace
