// Payloads made by azpack, read the installer's way: extractPayload writes
// the entry table as an index file, EntryIndex walks it forward, and each
// entry's chunk is read at dataStart + value and decoded with uncompress.
#include <gtest/gtest.h>

#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <map>

#include "base/text_buffer.h"
#include "payload/entry_index.h"
#include "payload/extract.h"
#include "test_folder.h"
#include "write/payload_builder.h"

namespace azpack {
namespace {

// Entry name (backslashes) -> contents.
std::map<std::string, std::string> makeTree(const TestFolder& folder, int count,
                                            size_t nameLength) {
    std::map<std::string, std::string> files;
    for (int i = 0; i < count; ++i) {
        char stem[32];
        std::snprintf(stem, sizeof stem, "f%05d_", i);
        std::string leaf = stem + std::string(nameLength > 16 ? nameLength - 16 : 0, 'n') + ".dat";
        std::string folderName = i % 3 == 0 ? "" : (i % 3 == 1 ? "bin" : "doc\\sub");
        std::string name = folderName.empty() ? leaf : folderName + "\\" + leaf;
        std::string relative = name;
        for (char& c : relative) {
            if (c == '\\')
                c = '/';
        }
        std::string data = sampleBytes(static_cast<size_t>(i % 700), static_cast<unsigned>(i));
        folder.write("src/" + relative, data);
        files[name] = data;
    }
    return files;
}

std::string readChunk(FILE* stream, int32_t dataStart, int32_t value) {
    EXPECT_EQ(std::fseek(stream, dataStart + value, SEEK_SET), 0);
    unsigned char prefix[8];
    EXPECT_EQ(std::fread(prefix, 1, 8, stream), 8u);
    uint32_t size = payload::readU32(prefix);
    uint32_t compressed = payload::readU32(prefix + 4);
    std::string input(compressed, '\0');
    EXPECT_EQ(std::fread(&input[0], 1, compressed, stream), compressed);
    std::string output(size + 1, '\0');
    uLongf length = size;
    EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(&output[0]), &length,
                         reinterpret_cast<const Bytef*>(input.data()), compressed),
              Z_OK);
    output.resize(length);
    return output;
}

void walkLikeTheInstaller(int count, size_t nameLength) {
    TestFolder folder;
    std::map<std::string, std::string> files = makeTree(folder, count, nameLength);
    BuildRequest request;
    request.source = folder.path() / "src";
    request.output = folder.path() / "payload.az";
    request.jobs = 2;
    BuildSummary summary;
    std::string error;
    ASSERT_TRUE(buildPayload(request, &summary, &error)) << error;

    TextBuffer copyPath(request.output.string().c_str());
    std::string indexPath = (folder.path() / "index.AX").string();
    payload::PayloadHeader header;
    FILE* stream = nullptr;
    int32_t dataStart = 0;
    ASSERT_EQ(extractPayload(nullptr, copyPath, header, indexPath.c_str(), stream, dataStart), 1);
    EXPECT_EQ(std::string(header.language), "fr");

    std::vector<std::string> walked;
    {
        EntryIndex index(indexPath.c_str(), 0);
        ASSERT_EQ(index.isOpen(), 1);
        index.setDirection(0);
        TextBuffer name(0);
        int32_t value = -1;
        while (index.next(name, value) == 1) {
            walked.push_back(name.text);
            auto file = files.find(name.text);
            ASSERT_NE(file, files.end()) << name.text;
            ASSERT_TRUE(readChunk(stream, dataStart, value) == file->second) << name.text;
        }
    }
    std::fclose(stream);
    std::vector<std::string> expected;
    for (const auto& file : files)
        expected.push_back(file.first);  // std::map orders by plain bytes
    EXPECT_EQ(walked, expected);
}

TEST(InstallerWalk, FiveHundredFiles) {
    walkLikeTheInstaller(500, 20);
}

TEST(InstallerWalk, TwentyThousandFilesWithLongNamesInSeveralLevels) {
    walkLikeTheInstaller(20000, 200);
}

}  // namespace
}  // namespace azpack
