// A program without a payload resource, and one whose payload is damaged:
// extraction gives 0 and leaves nothing in the temporary folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "payload/extract.h"

namespace {

class ExtractionLeavesNothingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char temp[MAX_PATH + 1];
        DWORD length = GetTempPathA(sizeof temp, temp);
        saved.assign(temp, length);
        folder = saved + "azpl-empty-" + std::to_string(GetCurrentProcessId());
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
        SetEnvironmentVariableA("TMP", folder.c_str());
        SetEnvironmentVariableA("TEMP", folder.c_str());
    }
    void TearDown() override {
        SetEnvironmentVariableA("TMP", saved.c_str());
        SetEnvironmentVariableA("TEMP", saved.c_str());
        RemoveDirectoryA(folder.c_str());
    }
    int entriesInFolder() {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
        int entries = 0;
        if (search == INVALID_HANDLE_VALUE)
            return 0;
        do {
            if (strcmp(found.cFileName, ".") != 0 && strcmp(found.cFileName, "..") != 0)
                ++entries;
        } while (FindNextFileA(search, &found));
        FindClose(search);
        return entries;
    }

    std::string saved;
    std::string folder;
};

TEST_F(ExtractionLeavesNothingTest, ExtractionGivesZero) {
    TextBuffer copyPath(260);
    payload::PayloadHeader header;
    memset(&header, 0, sizeof header);
    FILE* stream = reinterpret_cast<FILE*>(static_cast<uintptr_t>(0x5A5A));
    int32_t dataStart = -1;
    std::string index = folder + "\\1a2b.AX";
    EXPECT_EQ(0, extractPayload(GetModuleHandleA(nullptr), copyPath, header, index.c_str(), stream,
                                dataStart));
    EXPECT_EQ(nullptr, stream);
    EXPECT_EQ(0, dataStart);
    EXPECT_EQ(0, entriesInFolder());
}

TEST_F(ExtractionLeavesNothingTest, ResourceCopyGivesZeroWhenThereIsNoSoundPayload) {
    std::string path = folder + "\\copy.az";
    int copied = copyResourceToFile(GetModuleHandleA(nullptr), "QX_AZARCH", path.c_str());
#ifdef AZ_HAS_DAMAGED_PAYLOAD
    EXPECT_EQ(1, copied);  // the bytes are there; only reading them fails
    DeleteFileA(path.c_str());
#else
    EXPECT_EQ(0, copied);
#endif
    EXPECT_EQ(0, entriesInFolder());
}

}  // namespace
