#include "system/files/file_swap.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "scratch_folder.h"

namespace {

const unsigned char* bytesOf(const std::string& text) {
    return reinterpret_cast<const unsigned char*>(text.data());
}

// What the installer does for one entry: the new file beside the target,
// the original aside, the new one into its place. 1 when it got there.
int swapIn(const std::string& target, const std::string& content) {
    ExistingTarget existing(target.c_str());
    if (existing.state() == TargetState::kRefused)
        return 0;
    NewFile file((target + ".new").c_str());
    if (!file.isOpen() || !file.write(bytesOf(content), content.size()))
        return 0;
    int replacing = existing.state() == TargetState::kWritable;
    if (replacing && !existing.moveAside((target + ".old").c_str()))
        return 0;
    return file.moveInto(target.c_str(), 0);
}

}  // namespace

TEST(FileSwap, WritesEveryByteAndKeepsTheOriginalAside) {
    ScratchFolder scratch;
    std::string path = scratch.file("out.bin");
    writeFileBytes(path, std::string(5000, 'o'));
    std::string content = std::string("line\r\nwith\nzero\0byte", 20) + std::string(300000, '\x1A');
    ASSERT_EQ(1, swapIn(path, content));
    EXPECT_EQ(content, readWholeFile(path));  // binary: no newline or EOF translation
    EXPECT_EQ(std::string(5000, 'o'), readWholeFile(path + ".old"));
    EXPECT_FALSE(fileExists(path + ".new"));

    std::string empty = scratch.file("empty.txt");
    ASSERT_EQ(1, swapIn(empty, ""));
    ASSERT_TRUE(fileExists(empty));
    EXPECT_EQ("", readWholeFile(empty));
}

TEST(FileSwap, RefusedTargetsAreLeftUntouched) {
    ScratchFolder scratch;
    std::string path = scratch.file("locked.dll");
    writeFileBytes(path, "original");
    // Held open without sharing, as by a running program.
    HANDLE lock = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, lock);
    EXPECT_EQ(0, swapIn(path, "new"));
    CloseHandle(lock);
    EXPECT_EQ("original", readWholeFile(path));
    EXPECT_FALSE(fileExists(path + ".new"));

    std::string folder = scratch.file("taken");
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    EXPECT_EQ(0, swapIn(folder, "x"));
    EXPECT_TRUE(GetFileAttributesA(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY);

    std::string nowhere = scratch.file("no such folder\\file.txt");
    EXPECT_EQ(0, swapIn(nowhere, "x"));
    EXPECT_FALSE(fileExists(nowhere));
}

TEST(FileSwap, NewFileIsNeverOpenedOverSomethingAndGoesUnlessPlaced) {
    ScratchFolder scratch;
    std::string side = scratch.file("a.txt.new");
    writeFileBytes(side, "someone else's");
    {
        NewFile file(side.c_str());
        EXPECT_FALSE(file.isOpen());
    }
    EXPECT_EQ("someone else's", readWholeFile(side));

    std::string other = scratch.file("b.txt.new");
    std::string target = scratch.file("b.txt");
    writeFileBytes(target, "in place");
    {
        NewFile file(other.c_str());
        ASSERT_TRUE(file.isOpen());
        ASSERT_EQ(1, file.write(bytesOf("partial"), 7));
        // Not over an existing file unless asked to replace it.
        EXPECT_EQ(0, file.moveInto(target.c_str(), 0));
    }
    EXPECT_FALSE(fileExists(other));  // never placed: gone
    EXPECT_EQ("in place", readWholeFile(target));

    ExistingTarget missing(scratch.file("c.txt").c_str());
    EXPECT_EQ(TargetState::kMissing, missing.state());
}
