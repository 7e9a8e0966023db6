// Extraction from this program's own payload resource (see
// make_resource_payload.py for what it holds).
#include <windows.h>

#include <gtest/gtest.h>
#include <zlib.h>

#include <io.h>

#include <cstring>
#include <string>
#include <vector>

#include "index_walk.h"
#include "payload/entry_index.h"
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

// A folder of the test's own in the temporary folder, standing for a run's.
struct RunPlace {
    std::string folder;
    RunPlace() {
        folder = temporaryFolder() + "azpl-" + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(folder.c_str(), nullptr);
    }
    ~RunPlace() {
        DeleteFileA((folder + "TARCH.AZ").c_str());
        RemoveDirectoryA(folder.c_str());
    }
};

struct Extraction {
    TextBuffer copyPath{260};
    payload::PayloadHeader header;
    std::string indexPath;
    std::string copyTarget;
    RunFiles files;
    FILE* stream = nullptr;
    int32_t dataStart = -1;
    int result = -1;
    long positionAfterRun = -1;

    Extraction(const std::string& folder, const std::string& indexName)
        : indexPath(folder + indexName), copyTarget(folder + "TARCH.AZ") {
        memset(&header, 0, sizeof header);
        header.size = 2444;
        files.copyPath = copyTarget.c_str();
    }
    ~Extraction() { finish(); }
    int run() {
        result = extractPayload(GetModuleHandleA(nullptr), copyPath, header, indexPath.c_str(),
                                stream, dataStart, &files);
        if (stream != nullptr)
            positionAfterRun = ftell(stream);
        return result;
    }
    // What a run does at its end: close the stream and the index.
    void finish() {
        if (stream != nullptr)
            fclose(stream);
        stream = nullptr;
        if (files.indexDescriptor >= 0)
            _close(files.indexDescriptor);
        files.indexDescriptor = -1;
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
        EntryIndex index(files.indexDescriptor);
        EXPECT_EQ(expectedEntries(), walkIndex(index, 0));
        for (const NamedValue& entry : expectedEntries())
            EXPECT_EQ(expectedContents(entry.first), readFileChunk(stream, dataStart, entry.second))
                << entry.first;
    }
};

bool exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// 1 when another program could open `path` for writing now.
bool writableByOthers(const std::string& path) {
    HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (writer == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(writer);
    return true;
}

TEST(ResourceExtract, CopiesThePayloadToTheRunsCopyAndClosingDeletesBothFiles) {
    RunPlace place;
    Extraction run(place.folder, "1a2b.AX");
    run.run();
    run.expectPayloadRead();
    EXPECT_EQ(run.copyTarget, std::string(run.copyPath.text));
    run.finish();
    EXPECT_FALSE(exists(run.copyTarget));
    EXPECT_FALSE(exists(run.indexPath));
}

TEST(ResourceExtract, NeitherFileIsMadeOverSomethingThatStandsAtItsName) {
    RunPlace place;
    for (const char* planted : {"TARCH.AZ", "1a2b.AX"}) {
        SCOPED_TRACE(planted);
        writeFile(place.folder + planted, Bytes(100, 'J'));
        Extraction run(place.folder, "1a2b.AX");
        EXPECT_EQ(0, run.run());
        EXPECT_EQ(nullptr, run.stream);
        EXPECT_EQ(Bytes(100, 'J'), readFile(place.folder + planted));
        DeleteFileA((place.folder + planted).c_str());
        EXPECT_FALSE(exists(place.folder + "TARCH.AZ"));
        EXPECT_FALSE(exists(place.folder + "1a2b.AX"));
    }
}

TEST(ResourceExtract, BothFilesAreHeldAgainstWritingAndDeletionForTheWholeRun) {
    RunPlace place;
    Extraction run(place.folder, "1.AX");
    run.run();
    ASSERT_EQ(1, run.result);
    for (const std::string& path : {run.copyTarget, run.indexPath}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(writableByOthers(path));
        EXPECT_FALSE(DeleteFileA(path.c_str()));
        EXPECT_FALSE(MoveFileA(path.c_str(), (path + ".moved").c_str()));
    }
    run.expectPayloadRead();  // the walk reads the index it holds
    EXPECT_FALSE(writableByOthers(run.indexPath));
}

TEST(ResourceExtract, WithoutAPlaceForTheCopyNothingIsExtracted) {
    TextBuffer copyPath(260);
    payload::PayloadHeader header;
    memset(&header, 0, sizeof header);
    FILE* stream = nullptr;
    int32_t dataStart = -1;
    std::string index = temporaryFolder() + "azpl-none.AX";
    EXPECT_EQ(0, extractPayload(GetModuleHandleA(nullptr), copyPath, header, index.c_str(), stream,
                                dataStart));
    EXPECT_EQ(nullptr, stream);
    EXPECT_FALSE(exists(index));
}

TEST(ResourceExtract, IndexFileThatCannotBeWrittenLeavesNoCopy) {
    RunPlace place;
    Extraction run(place.folder, "no-such-folder\\1a2b.AX");
    EXPECT_EQ(0, run.run());
    EXPECT_EQ(nullptr, run.stream);
    EXPECT_EQ(0, run.dataStart);
    EXPECT_FALSE(exists(run.copyTarget));
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
