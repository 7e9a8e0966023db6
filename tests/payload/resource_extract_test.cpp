// Extraction from this program's own payload resource (see
// make_resource_payload.py for what it holds).
#include <windows.h>

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "index_walk.h"
#include "payload/extract.h"
#include "payload_builder.h"

using namespace testpayload;

namespace {

std::string temporaryFolder() {
    char folder[MAX_PATH + 1];
    DWORD length = GetTempPathA(sizeof folder, folder);
    return std::string(folder, length);
}

Bytes ownResource() {
    HRSRC found = FindResourceA(nullptr, "QX_AZARCH", "QX_TYPE");
    if (found == nullptr)
        return {};
    DWORD size = SizeofResource(nullptr, found);
    const unsigned char* bytes =
        static_cast<const unsigned char*>(LockResource(LoadResource(nullptr, found)));
    return Bytes(bytes, bytes + size);
}

const std::vector<NamedValue>& expectedEntries() {
    static std::vector<NamedValue> entries;
    if (entries.empty()) {
        // The order the chunks were written in gives the values.
        Bytes demo;
        for (int i = 0; i < 3000; ++i)
            demo.push_back(static_cast<unsigned char>((i * 7) % 251));
        int32_t readme = 0;
        int32_t exe = readme + static_cast<int32_t>(chunk(textBytes("Bonjour")).size());
        int32_t empty = exe + static_cast<int32_t>(chunk(demo).size());
        entries = {{"bin\\Demo.exe", exe}, {"readme.txt", readme}, {"vide.dat", empty}};
    }
    return entries;
}

Bytes expectedContents(const std::string& name) {
    if (name == "readme.txt")
        return textBytes("Bonjour");
    if (name == "vide.dat")
        return {};
    Bytes demo;
    for (int i = 0; i < 3000; ++i)
        demo.push_back(static_cast<unsigned char>((i * 7) % 251));
    return demo;
}

// The file chunk at dataStart + value, decoded.
Bytes readFileChunk(FILE* stream, int32_t dataStart, int32_t value) {
    if (fseek(stream, dataStart + value, SEEK_SET) != 0)
        return textBytes("<seek failed>");
    unsigned char prefix[8];
    if (fread(prefix, 1, 8, stream) != 8)
        return textBytes("<no prefix>");
    Bytes compressed(payload::readU32(prefix + 4));
    if (fread(compressed.data(), 1, compressed.size(), stream) != compressed.size())
        return textBytes("<short stream>");
    Bytes contents(payload::readU32(prefix) + 1);
    uLongf length = payload::readU32(prefix);
    if (uncompress(contents.data(), &length, compressed.data(),
                   static_cast<uLong>(compressed.size())) != Z_OK)
        return textBytes("<undecodable>");
    contents.resize(length);
    return contents;
}

struct Extraction {
    TextBuffer copyPath{260};
    payload::PayloadHeader header;
    std::string indexPath;
    FILE* stream = nullptr;
    int32_t dataStart = -1;
    int result = -1;
    long positionAfterRun = -1;

    explicit Extraction(const std::string& index) : indexPath(index) {
        memset(&header, 0, sizeof header);
        header.size = 2444;
    }
    ~Extraction() { finish(); }
    int run() {
        result = extractPayload(GetModuleHandleA(nullptr), copyPath, header, indexPath.c_str(),
                                stream, dataStart);
        if (stream != nullptr)
            positionAfterRun = ftell(stream);
        return result;
    }
    // What a run does at its end: close the stream, delete both files.
    void finish() {
        if (stream != nullptr)
            fclose(stream);
        stream = nullptr;
        DeleteFileA(indexPath.c_str());
        if (!copyPath.isEmpty())
            DeleteFileA(copyPath.text);
    }
    void expectPayloadRead() {
        ASSERT_EQ(1, result);
        EXPECT_STREQ("bin\\Demo.exe", header.mainProgram);
        EXPECT_STREQ("%programfiles%\\Demo", header.installFolder);
        EXPECT_STREQ("D\xE9mo", header.productName);
        EXPECT_STREQ("D\xE9mo menu", header.startMenuName);
        Bytes resource = ownResource();
        int32_t expectedStart = static_cast<int32_t>(24 + payload::readU32(&resource[12]));
        expectedStart += static_cast<int32_t>(payload::readU32(&resource[expectedStart - 4]));
        EXPECT_EQ(expectedStart, dataStart);
        EXPECT_EQ(dataStart, positionAfterRun);
        EXPECT_EQ(expectedEntries(), walkIndexFile(indexPath, 0));
        for (const NamedValue& entry : expectedEntries())
            EXPECT_EQ(expectedContents(entry.first), readFileChunk(stream, dataStart, entry.second))
                << entry.first;
    }
};

TEST(ResourceExtract, CopiesThePayloadToTarchAzOverwritingAnOldOne) {
    std::string copy = temporaryFolder() + "TARCH.AZ";
    writeFile(copy, Bytes(100000, 'J'));
    Extraction run(temporaryFolder() + "1a2b.AX");
    run.run();
    run.expectPayloadRead();
    EXPECT_STREQ(copy.c_str(), run.copyPath.text);
    fclose(run.stream);
    run.stream = nullptr;
    EXPECT_EQ(ownResource(), readFile(copy));
    run.finish();
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(copy.c_str()));
}

TEST(ResourceExtract, CopyIsHeldAgainstRewritingAndDeletionWhileRead) {
    Extraction first(temporaryFolder() + "1.AX");
    first.run();
    ASSERT_EQ(1, first.result);
    std::string copy = first.copyPath.text;
    EXPECT_EQ(temporaryFolder() + "TARCH.AZ", copy);
    EXPECT_FALSE(DeleteFileA(copy.c_str()));
    HANDLE writer = CreateFileA(copy.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(INVALID_HANDLE_VALUE, writer);
    if (writer != INVALID_HANDLE_VALUE)
        CloseHandle(writer);
    // Others may still read it.
    EXPECT_EQ(ownResource(), readFile(copy));
    first.expectPayloadRead();
}

TEST(ResourceExtract, SecondRunWhileTheFirstHoldsTarchAzUsesItsOwnCopy) {
    Extraction first(temporaryFolder() + "1.AX");
    Extraction second(temporaryFolder() + "2.AX");
    first.run();
    second.run();
    ASSERT_EQ(1, first.result);
    ASSERT_EQ(1, second.result);
    std::string firstCopy = first.copyPath.text;
    std::string secondCopy = second.copyPath.text;
    EXPECT_EQ(temporaryFolder() + "TARCH.AZ", firstCopy);
    EXPECT_NE(firstCopy, secondCopy);
    EXPECT_EQ(0u, secondCopy.rfind(temporaryFolder() + "TARCH", 0)) << secondCopy;
    EXPECT_EQ(std::string::npos, secondCopy.find('\\', temporaryFolder().size()));

    first.expectPayloadRead();
    second.expectPayloadRead();
    first.finish();  // deletes only its own copy
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(firstCopy.c_str()));
    EXPECT_EQ(ownResource(), readFile(secondCopy));
    second.expectPayloadRead();
    second.finish();
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(secondCopy.c_str()));

    Extraction third(temporaryFolder() + "3.AX");  // TARCH.AZ is free again
    third.run();
    ASSERT_EQ(1, third.result);
    EXPECT_EQ(firstCopy, third.copyPath.text);
}

TEST(ResourceExtract, IndexFileThatCannotBeWrittenLeavesNoCopy) {
    Extraction run(temporaryFolder() + "no-such-folder\\1a2b.AX");
    EXPECT_EQ(0, run.run());
    EXPECT_EQ(nullptr, run.stream);
    EXPECT_EQ(0, run.dataStart);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES,
              GetFileAttributesA((temporaryFolder() + "TARCH.AZ").c_str()));
}

class TemporaryFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        saved = temporaryFolder();
        base = saved + "azpl-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(base.c_str(), nullptr);
    }
    void TearDown() override {
        SetEnvironmentVariableA("TMP", saved.c_str());
        SetEnvironmentVariableA("TEMP", saved.c_str());
        RemoveDirectoryA((base + "\\missing").c_str());
        RemoveDirectoryA(base.c_str());
    }
    void useTemporaryFolder(const std::string& folder) {
        SetEnvironmentVariableA("TMP", folder.c_str());
        SetEnvironmentVariableA("TEMP", folder.c_str());
    }

    std::string saved;
    std::string base;
};

TEST_F(TemporaryFolderTest, MissingTemporaryFolderIsCreated) {
    std::string missing = base + "\\missing";
    useTemporaryFolder(missing);
    Extraction run(base + "\\1a2b.AX");
    run.run();
    run.expectPayloadRead();
    EXPECT_EQ(missing + "\\TARCH.AZ", std::string(run.copyPath.text));
}

TEST_F(TemporaryFolderTest, TemporaryPathTooLongFailsBeforeAnythingIsWritten) {
    useTemporaryFolder(base + "\\" + std::string(300, 'x'));
    Extraction run(base + "\\1a2b.AX");
    EXPECT_EQ(0, run.run());
    EXPECT_EQ(nullptr, run.stream);
    EXPECT_TRUE(run.copyPath.isEmpty());
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((base + "\\*").c_str(), &found);
    int entries = 0;
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (strcmp(found.cFileName, ".") != 0 && strcmp(found.cFileName, "..") != 0)
                ++entries;
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    EXPECT_EQ(0, entries);
}

TEST(CopyResourceToFile, WritesTheResourceBytes) {
    std::string path = temporaryFolder() + "copy.az";
    writeFile(path, Bytes(5000, 'J'));
    EXPECT_EQ(1, copyResourceToFile(GetModuleHandleA(nullptr), "QX_AZARCH", path.c_str()));
    EXPECT_EQ(ownResource(), readFile(path));
    DeleteFileA(path.c_str());
}

TEST(CopyResourceToFile, MissingResourceOrUnwritableFileGivesZeroAndNoFile) {
    std::string path = temporaryFolder() + "none.az";
    EXPECT_EQ(0, copyResourceToFile(GetModuleHandleA(nullptr), "NO_SUCH", path.c_str()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(path.c_str()));
    std::string nowhere = temporaryFolder() + "no-such-folder\\x.az";
    EXPECT_EQ(0, copyResourceToFile(GetModuleHandleA(nullptr), "QX_AZARCH", nowhere.c_str()));
}

}  // namespace
