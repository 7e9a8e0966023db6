#include "system/programs/process_stop.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "win_test_support.h"

using namespace testing_support;

namespace {

std::string upperCase(std::string text) {
    for (char& c : text)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return text;
}

// Copies of the sleeper at paths of our choosing, stopped at the end of each
// test whatever happened.
class ProcessStopTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder = freshFolder("azstop");
        first = copySleeper("one");
        second = copySleeper("two");
    }

    void TearDown() override {
        for (HANDLE process : started) {
            TerminateProcess(process, 1);
            WaitForSingleObject(process, 5000);
            CloseHandle(process);
        }
    }

    std::string copySleeper(const std::string& subfolder) {
        std::string path = folder + subfolder;
        CreateDirectoryA(path.c_str(), nullptr);
        path += "\\Sleeper.exe";
        EXPECT_TRUE(CopyFileA((ownFolder() + "system_sleeper.exe").c_str(), path.c_str(), FALSE));
        return path;
    }

    // Started and running its own code when this returns.
    HANDLE start(const std::string& path) {
        std::string eventName = "azstop-ready-" + std::to_string(started.size()) + "-" +
                                std::to_string(GetCurrentProcessId());
        HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, eventName.c_str());
        std::string commandLine = "\"" + path + "\" " + eventName;
        std::vector<char> line(commandLine.begin(), commandLine.end());
        line.push_back('\0');
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info = {};
        BOOL created = CreateProcessA(path.c_str(), line.data(), nullptr, nullptr, FALSE,
                                      CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info);
        EXPECT_TRUE(created) << path;
        if (!created) {
            CloseHandle(ready);
            return nullptr;
        }
        CloseHandle(info.hThread);
        started.push_back(info.hProcess);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready, 30000)) << path;
        CloseHandle(ready);
        return info.hProcess;
    }

    static bool isRunning(HANDLE process) {
        return WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    }

    static bool endedWithCode(HANDLE process, DWORD code) {
        DWORD exitCode = 12345;
        return WaitForSingleObject(process, 5000) == WAIT_OBJECT_0 &&
               GetExitCodeProcess(process, &exitCode) && exitCode == code;
    }

    // Milliseconds taken by one stopRunningProgram for `path`.
    static DWORD timeStop(const std::string& path) {
        programToStop.clear();
        programToStop.append(path.c_str());
        DWORD began = GetTickCount();
        stopRunningProgram();
        return GetTickCount() - began;
    }

    std::string folder;
    std::string first;
    std::string second;
    std::vector<HANDLE> started;
};

TEST(ProgramToStop, HasRoomForAPath) {
    EXPECT_GE(programToStop.capacity, 261);
}

TEST(ProcessStatusLibrary, LoadsAndUnloads) {
    EXPECT_TRUE(loadProcessStatusLibrary());
    EXPECT_TRUE(loadProcessStatusLibrary());
    unloadProcessStatusLibrary();
    unloadProcessStatusLibrary();
}

TEST_F(ProcessStopTest, CopyRunningUnderTheSamePathInOtherLettersIsTerminated) {
    HANDLE process = start(first);
    ASSERT_NE(nullptr, process);
    DWORD stopping = timeStop(upperCase(first));
    EXPECT_TRUE(endedWithCode(process, 0));
    DWORD nothing = timeStop(upperCase(first));
    // The wait that lets the file go follows a termination only.
    EXPECT_GT(stopping, nothing);
}

TEST_F(ProcessStopTest, CopyInAnotherFolderKeepsRunning) {
    HANDLE process = start(second);
    ASSERT_NE(nullptr, process);
    timeStop(first);
    EXPECT_TRUE(isRunning(process));
}

TEST_F(ProcessStopTest, OnlyTheFirstOfTwoCopiesIsTerminated) {
    HANDLE one = start(first);
    HANDLE other = start(first);
    ASSERT_NE(nullptr, one);
    ASSERT_NE(nullptr, other);
    timeStop(first);
    Sleep(200);
    EXPECT_EQ(1, (isRunning(one) ? 0 : 1) + (isRunning(other) ? 0 : 1));
}

TEST_F(ProcessStopTest, BareNameOrEmptyPathStopsNothing) {
    HANDLE process = start(first);
    ASSERT_NE(nullptr, process);
    timeStop("Sleeper.exe");
    EXPECT_TRUE(isRunning(process));
    timeStop("");
    EXPECT_TRUE(isRunning(process));
}

// Run with the process status library disabled (its own ctest entry): the
// snapshot names executables without their folder, so only a bare name
// matches.
TEST_F(ProcessStopTest, SnapshotWalkMatchesBareNamesOnly) {
    ASSERT_FALSE(loadProcessStatusLibrary()) << "run this test with PSAPI.DLL disabled";
    HANDLE process = start(first);
    ASSERT_NE(nullptr, process);
    timeStop(first);
    EXPECT_TRUE(isRunning(process));
    DWORD stopping = timeStop("sleeper.EXE");
    EXPECT_TRUE(endedWithCode(process, 0));
    DWORD nothing = timeStop("sleeper.EXE");
    EXPECT_GT(stopping, nothing);
}

}  // namespace
