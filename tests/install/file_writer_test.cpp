#include "install/file_writer.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "scratch_folder.h"

namespace {

const unsigned char* bytesOf(const std::string& text) {
    return reinterpret_cast<const unsigned char*>(text.data());
}

}  // namespace

TEST(WriteWholeFile, WritesEveryByteAndReplacesOldContent) {
    ScratchFolder scratch;
    std::string path = scratch.file("out.bin");
    writeFileBytes(path, std::string(5000, 'o'));
    std::string content = std::string("line\r\nwith\nzero\0byte", 20) + std::string(300000, '\x1A');
    ASSERT_EQ(1, writeWholeFile(path.c_str(), bytesOf(content), content.size()));
    EXPECT_EQ(content, readWholeFile(path));  // binary: no newline or EOF translation
}

TEST(WriteWholeFile, EmptyContentGivesEmptyFile) {
    ScratchFolder scratch;
    std::string path = scratch.file("empty.txt");
    writeFileBytes(path, "previous");
    static const unsigned char nothing[1] = {0};
    ASSERT_EQ(1, writeWholeFile(path.c_str(), nothing, 0));
    ASSERT_TRUE(fileExists(path));
    EXPECT_EQ("", readWholeFile(path));
}

TEST(WriteWholeFile, LockedFileIsLeftUntouched) {
    ScratchFolder scratch;
    std::string path = scratch.file("locked.dll");
    writeFileBytes(path, "original");
    // Held open without sharing, as by a running program.
    HANDLE lock = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, lock);
    std::string content = "new";
    EXPECT_EQ(0, writeWholeFile(path.c_str(), bytesOf(content), content.size()));
    CloseHandle(lock);
    EXPECT_EQ("original", readWholeFile(path));
}

TEST(WriteWholeFile, MissingFolderFails) {
    ScratchFolder scratch;
    std::string path = scratch.file("no such folder\\file.txt");
    std::string content = "x";
    EXPECT_EQ(0, writeWholeFile(path.c_str(), bytesOf(content), content.size()));
    EXPECT_FALSE(fileExists(path));
}

TEST(WriteWholeFile, FolderInTheWayFails) {
    ScratchFolder scratch;
    std::string path = scratch.file("taken");
    ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
    std::string content = "x";
    EXPECT_EQ(0, writeWholeFile(path.c_str(), bytesOf(content), content.size()));
    EXPECT_TRUE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
}
