// The run's own folder in the temporary folder, and the sweep of folders
// that earlier runs left there.
#include "system/folders/run_folder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "payload/page_io.h"
#include "system/folders/temp_folder.h"
#include "win_test_support.h"

using namespace testing_support;

namespace {

class RunFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        TextBuffer folder(300);
        ASSERT_TRUE(readTemporaryFolder(folder));
        saved = folder.text;
        base = freshFolder("azrf-" + std::to_string(GetCurrentProcessId()));
        useTemporaryFolder(base + "temp");
    }
    void TearDown() override {
        SetEnvironmentVariableA("TMP", saved.c_str());
        SetEnvironmentVariableA("TEMP", saved.c_str());
    }
    void useTemporaryFolder(const std::string& folder) {
        SetEnvironmentVariableA("TMP", folder.c_str());
        SetEnvironmentVariableA("TEMP", folder.c_str());
        temp = folder + "\\";
    }
    // A folder as a run that ended without cleaning up leaves it.
    std::string leftover(const char* name, const char* fileName) {
        CreateDirectoryA((temp + name).c_str(), nullptr);
        if (fileName != nullptr)
            writeFile(temp + name + "\\" + fileName, "left");
        return temp + name;
    }

    std::string saved;
    std::string base;
    std::string temp;
};

TEST_F(RunFolderTest, NewUnguessableFolderInTheTemporaryFolderRemovedWithItsFiles) {
    std::string first;
    {
        RunFolder run;
        ASSERT_TRUE(run.isReady());
        first = run.path().text;
        ASSERT_EQ(temp.size() + 19, first.size()) << first;
        EXPECT_EQ(temp, first.substr(0, temp.size()));  // the missing last level was made
        EXPECT_TRUE(isRunFolderName(first.substr(temp.size(), 18).c_str())) << first;
        EXPECT_EQ('\\', first.back());
        RunFolder second;  // another run at the same time
        ASSERT_TRUE(second.isReady());
        EXPECT_NE(first, second.path().text);
        int held = createHeldFile((first + "TARCH.AZ").c_str());
        EXPECT_GE(held, 0);
        closeDescriptor(held);
        writeFile(first + "1a2b.AX", "index");
    }
    EXPECT_FALSE(isFolder(first));
}

TEST_F(RunFolderTest, TemporaryFolderThatCannotBeMadeOrIsTooLongMeansNoFolder) {
    useTemporaryFolder(base + "two\\levels");
    EXPECT_FALSE(RunFolder().isReady());
    EXPECT_FALSE(isFolder(base + "two"));
    useTemporaryFolder(base + std::string(300, 'x'));
    EXPECT_FALSE(RunFolder().isReady());
}

TEST_F(RunFolderTest, NextRunRemovesWhatEndedRunsLeftAndNothingElse) {
    CreateDirectoryA(temp.c_str(), nullptr);
    std::string copyLeft = leftover("AZ0123456789ABCDEF", "TARCH.AZ");
    std::string indexLeft = leftover("AZ00000000000000FF", "1a2b.AX");
    std::string emptyLeft = leftover("AZFEDCBA9876543210", nullptr);
    std::string foreignFile = leftover("AZ1111111111111111", "notes.txt");
    std::string otherName = leftover("AZ0123", "TARCH.AZ");
    std::string looseCopy = temp + "TARCH.AZ";
    writeFile(looseCopy, "someone's");
    RunFolder live;
    ASSERT_TRUE(live.isReady());
    int held = createHeldFile((std::string(live.path().text) + "TARCH.AZ").c_str());
    ASSERT_GE(held, 0);

    RunFolder next;
    ASSERT_TRUE(next.isReady());
    EXPECT_FALSE(isFolder(copyLeft));
    EXPECT_FALSE(isFolder(indexLeft));
    EXPECT_FALSE(isFolder(emptyLeft));
    EXPECT_EQ("left", readFile(foreignFile + "\\notes.txt"));
    EXPECT_EQ("left", readFile(otherName + "\\TARCH.AZ"));
    EXPECT_EQ("someone's", readFile(looseCopy));
    EXPECT_TRUE(isFile(std::string(live.path().text) + "TARCH.AZ"));  // a live run's
    closeDescriptor(held);
}

TEST(RunFolderNames, OnlyOurPatterns) {
    EXPECT_TRUE(isRunFolderName("AZ0123456789abcdef"));
    EXPECT_FALSE(isRunFolderName("AZ0123456789abcde"));
    EXPECT_FALSE(isRunFolderName("AZ0123456789abcdef0"));
    EXPECT_FALSE(isRunFolderName("az0123456789abcdef"));
    EXPECT_FALSE(isRunFolderName("AZ0123456789abcdeg"));
    EXPECT_TRUE(isRunFileName("TARCH.AZ"));
    EXPECT_TRUE(isRunFileName("tarch.az"));
    EXPECT_TRUE(isRunFileName("1a2b.AX"));
    EXPECT_TRUE(isRunFileName("FFFFFFFFFFFFFFFF.ax"));
    EXPECT_FALSE(isRunFileName("10000000000000000.AX"));
    EXPECT_FALSE(isRunFileName(".AX"));
    EXPECT_FALSE(isRunFileName("TARCH.AZ.txt"));
    EXPECT_FALSE(isRunFileName("notes.txt"));
}

}  // namespace
