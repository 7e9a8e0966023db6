#include "install/run/write_failure.h"

#include <gtest/gtest.h>

#include <string>

TEST(BuildWriteFailureMessage, ExactWindows1252Bytes) {
    TextBuffer message(8);
    message.append("old");
    buildWriteFailureMessage(message, "C:\\Program Files\\P\\A.EXE");
    const std::string expected =
        "Le fichier\n\tC:\\Program Files\\P\\A.EXE\nne peut \xEAtre mis \xE0 jour.\n"
        "V\xE9rifiez que vous disposez des droits n\xE9"
        "cessaires pour installer dans ce r\xE9pertoire, fermez toutes les applications "
        "actives, puis relancez cette installation.";
    EXPECT_EQ(expected, std::string(message.text));
    EXPECT_STREQ("Installation impossible", kWriteFailureCaption);
}

TEST(BuildWriteFailureMessage, AccentsAreSingleBytes) {
    TextBuffer message(8);
    buildWriteFailureMessage(message, "");
    std::string text(message.text);
    EXPECT_NE(std::string::npos, text.find("peut \xEAtre"));
    EXPECT_NE(std::string::npos, text.find("n\xE9"
                                           "cessaires"));
    EXPECT_EQ(std::string::npos, text.find('\xC3'));  // no UTF-8 lead byte
}
