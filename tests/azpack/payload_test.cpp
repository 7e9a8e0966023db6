#include <gtest/gtest.h>

#include "read/payload_verify.h"
#include "test_folder.h"
#include "write/payload_builder.h"

namespace azpack {
namespace {

namespace fs = std::filesystem;

BuildRequest requestFor(const TestFolder& folder) {
    BuildRequest request;
    request.source = folder.path() / "src";
    request.output = folder.path() / "out.az";
    request.jobs = 2;
    return request;
}

std::vector<std::string> folderListing(const fs::path& path) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path))
        names.push_back(entry.path().filename().u8string());
    std::sort(names.begin(), names.end());
    return names;
}

bool verifies(const fs::path& file, std::string* reason) {
    PayloadFile payload;
    if (!payload.open(file, reason))
        return false;
    PayloadIndex index;
    uint64_t decoded = 0;
    return verifyPayload(payload, &index, &decoded, reason);
}

TEST(BuildPayload, RefusesAPayloadPastTheOffsetLimitAndLeavesNothing) {
    TestFolder folder;
    folder.write("src/a.bin", sampleBytes(300000, 1));
    folder.write("src/b.bin", sampleBytes(300000, 2));
    folder.write("out.az", "the previous output");
    BuildRequest request = requestFor(folder);
    request.maxPayloadSize = 100000;
    BuildSummary summary;
    std::string error;
    EXPECT_FALSE(buildPayload(request, &summary, &error));
    EXPECT_NE(error.find("the payload would pass 100000 bytes"), std::string::npos) << error;
    EXPECT_TRUE(TestFolder::read(request.output) == "the previous output");
    EXPECT_EQ(folderListing(folder.path()), (std::vector<std::string>{"out.az", "src"}));

    request.maxPayloadSize = kMaxPayloadSize;
    ASSERT_TRUE(buildPayload(request, &summary, &error)) << error;
    // The limit counts the whole payload, header and table included.
    uint64_t size = fs::file_size(request.output);
    request.maxPayloadSize = size - 1;
    EXPECT_FALSE(buildPayload(request, &summary, &error));
    request.maxPayloadSize = size;
    EXPECT_TRUE(buildPayload(request, &summary, &error)) << error;
}

class DamagedPayload : public testing::Test {
  protected:
    void SetUp() override {
        folder_.write("src/readme.txt", "Bonjour\n");
        folder_.write("src/bin/app.exe", sampleBytes(3000, 7));
        folder_.write("src/bin/empty.dat", "");
        folder_.write("src/doc/Caf\xC3\xA9.txt", sampleBytes(500, 8));
        BuildRequest request = requestFor(folder_);
        request.settings.mainProgram.value = "bin\\app.exe";
        BuildSummary summary;
        std::string error;
        ASSERT_TRUE(buildPayload(request, &summary, &error)) << error;
        good_ = TestFolder::read(request.output);
        ASSERT_TRUE(verifies(request.output, &error)) << error;
    }

    fs::path writeVariant(const std::string& bytes) { return folder_.write("variant.az", bytes); }

    TestFolder folder_;
    std::string good_;
};

TEST_F(DamagedPayload, EveryTruncationIsRefused) {
    for (size_t length = 0; length < good_.size(); ++length) {
        std::string reason;
        EXPECT_FALSE(verifies(writeVariant(good_.substr(0, length)), &reason)) << length;
        EXPECT_FALSE(reason.empty());
    }
}

TEST_F(DamagedPayload, EveryChangedByteIsFound) {
    for (size_t at = 0; at < good_.size(); ++at) {
        std::string bytes = good_;
        bytes[at] = static_cast<char>(bytes[at] ^ 0xFF);
        std::string reason;
        EXPECT_FALSE(verifies(writeVariant(bytes), &reason)) << "byte " << at;
    }
}

TEST_F(DamagedPayload, AReaderAcceptsOtherVersionDigits) {
    std::string bytes = good_;
    bytes[3] = '2';
    PayloadFile payload;
    std::string reason;
    ASSERT_TRUE(payload.open(writeVariant(bytes), &reason)) << reason;
    PayloadIndex index;
    EXPECT_TRUE(readPayloadIndex(payload, IndexCheck::kRead, &index, &reason)) << reason;
    EXPECT_EQ(index.entries.size(), 4u);
    EXPECT_FALSE(readPayloadIndex(payload, IndexCheck::kFull, &index, &reason));
    EXPECT_EQ(reason, "signature is not \"MWZ100\" and two zero bytes");
}

TEST_F(DamagedPayload, TrailingBytesAreAFault) {
    std::string reason;
    EXPECT_FALSE(verifies(writeVariant(good_ + "x"), &reason));
    EXPECT_EQ(reason, "1 bytes after the last chunk");
}

}  // namespace
}  // namespace azpack
