#include "write/header_settings.h"

#include <gtest/gtest.h>

#include <cstring>

#include "test_folder.h"

namespace azpack {
namespace {

using payload::PayloadHeader;

std::string field(const unsigned char* record, size_t offset) {
    return std::string(reinterpret_cast<const char*>(record + offset));
}

TEST(ReadProjectFile, ReadsKeysCommentsAndBlanks) {
    TestFolder folder;
    auto file = folder.write("p.azproj",
                             "\xEF\xBB\xBF# a comment\n"
                             "\n"
                             "  main-program = bin\\app.exe  \r\n"
                             "install-folder=%PROGRAMFILES%\\Caf\xC3\xA9\n"
                             "product-name = A = B\n"
                             "   # indented comment\n"
                             "start-menu-name =\n");
    HeaderSettings settings;
    std::string error;
    ASSERT_TRUE(readProjectFile(file, &settings, &error)) << error;
    EXPECT_EQ(settings.mainProgram.value, "bin\\app.exe");
    EXPECT_EQ(settings.mainProgram.origin, file.u8string() + ":3");
    EXPECT_EQ(settings.installFolder.value, "%PROGRAMFILES%\\Caf\xC3\xA9");
    EXPECT_EQ(settings.productName.value, "A = B");
    EXPECT_EQ(settings.startMenuName.value, "");
    EXPECT_EQ(settings.language.value, "fr");
}

TEST(ReadProjectFile, NamesTheLineOfAFault) {
    TestFolder folder;
    HeaderSettings settings;
    std::string error;
    auto unknown = folder.write("a", "language = fr\nproduct = x\n");
    EXPECT_FALSE(readProjectFile(unknown, &settings, &error));
    EXPECT_EQ(error.find(unknown.u8string() + ":2: unknown key 'product' (did you mean "
                         "'product-name'?); keys are main-program "),
              0u)
        << error;
    auto near = folder.write("n", "prodct-name = x\n");
    EXPECT_FALSE(readProjectFile(near, &settings, &error));
    EXPECT_NE(error.find("(did you mean 'product-name'?)"), std::string::npos) << error;
    auto twice = folder.write("b", "icon-file = a\nicon-file = b\n");
    EXPECT_FALSE(readProjectFile(twice, &settings, &error));
    EXPECT_EQ(error, twice.u8string() + ":2: key 'icon-file' given twice");
    auto noEquals = folder.write("c", "product-name\n");
    EXPECT_FALSE(readProjectFile(noEquals, &settings, &error));
    EXPECT_EQ(error, noEquals.u8string() + ":1: expected 'key = value'");
    EXPECT_FALSE(readProjectFile(folder.path() / "missing", &settings, &error));
}

TEST(EncodeHeader, FillsTheRecordAtItsOffsets) {
    HeaderSettings settings;
    settings.mainProgram.value = "app.exe";
    settings.installFolder.value = "$HKLM\\x$\\%PROGRAMFILES%";
    settings.productName.value = "Caf\xC3\xA9";
    settings.favoritesName.value = "fav";
    settings.iconFile.value = "app.ico";
    settings.startMenuName.value = "menu";
    unsigned char record[payload::kHeaderSize];
    std::memset(record, 0xAA, sizeof record);
    std::string error;
    ASSERT_TRUE(encodeHeader(settings, record, &error)) << error;
    EXPECT_EQ(payload::readU32(record), 2444u);
    EXPECT_EQ(field(record, 4), "fr");
    EXPECT_EQ(field(record, 100), "app.exe");
    EXPECT_EQ(field(record, 1124), "$HKLM\\x$\\%PROGRAMFILES%");
    const int32_t reserved[5] = {28, 1, 1, 0, 0};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(payload::readI32(record + 1384 + 4 * i), reserved[i]);
    EXPECT_EQ(field(record, 1404), "Caf\xE9");
    EXPECT_EQ(field(record, 1664), "fav");
    EXPECT_EQ(field(record, 1924), "app.ico");
    EXPECT_EQ(field(record, 2184), "menu");
    // Zero padding after every text.
    EXPECT_EQ(record[100 + 7], 0);
    EXPECT_EQ(record[100 + 1023], 0);
    EXPECT_EQ(record[2443], 0);
}

TEST(EncodeHeader, KeepsRoomForTheTerminator) {
    HeaderSettings settings;
    unsigned char record[payload::kHeaderSize];
    std::string error;
    settings.productName = {std::string(259, 'p'), "--product-name"};
    EXPECT_TRUE(encodeHeader(settings, record, &error)) << error;
    settings.productName.value.push_back('p');
    EXPECT_FALSE(encodeHeader(settings, record, &error));
    EXPECT_EQ(error,
              "--product-name: product name is 260 bytes in Windows-1252; the field holds 259");
    // Width counts code-page bytes: 259 two-byte UTF-8 letters still fit.
    std::string accents;
    for (int i = 0; i < 259; ++i)
        accents += "\xC3\xA9";
    settings.productName.value = accents;
    EXPECT_TRUE(encodeHeader(settings, record, &error)) << error;
    settings.language = {std::string(96, 'l'), "x:1"};
    EXPECT_FALSE(encodeHeader(settings, record, &error));
    settings.language = {"fr", "x"};
    settings.mainProgram = {std::string(1023, 'm'), "m"};
    EXPECT_TRUE(encodeHeader(settings, record, &error)) << error;
    settings.mainProgram.value.push_back('m');
    EXPECT_FALSE(encodeHeader(settings, record, &error));
}

TEST(EncodeHeader, RefusesTextsOutsideTheCodePage) {
    HeaderSettings settings;
    settings.startMenuName = {
        "\xC5\x81\xC3\xB3"
        "d\xC5\xBA",
        "--start-menu-name"};
    unsigned char record[payload::kHeaderSize];
    std::string error;
    EXPECT_FALSE(encodeHeader(settings, record, &error));
    EXPECT_EQ(error,
              "--start-menu-name: start menu name holds character U+0141 that Windows-1252 "
              "cannot store");
}

}  // namespace
}  // namespace azpack
