#include "payload/extract.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/allocation.h"
#include "index_walk.h"
#include "payload/payload_reader.h"
#include "payload_builder.h"
#include "scratch_folder.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif

using namespace testpayload;
using payload::PayloadHeader;

namespace {

FILE* const kUnsetStream = reinterpret_cast<FILE*>(static_cast<uintptr_t>(0x5A5A));

std::vector<TestFile> sampleFiles() {
    return {{"readme.txt", textBytes("Lisez-moi")},
            {"Demo.exe", textBytes(std::string(5000, 'M'))},
            {"data\\notes.txt", textBytes("notes")},
            {"empty.dat", {}}};
}

std::string field(const char* text, size_t width) {
    return std::string(text, strnlen(text, width));
}

class ExtractTest : public ::testing::Test {
  protected:
    void SetUp() override { memset(&header, 0xAB, sizeof header); }
    void TearDown() override {
        if (stream != nullptr && stream != kUnsetStream)
            fclose(stream);
    }

    // Reads a payload file named by the caller (never deleted).
    int extractNamed(const Bytes& payload) {
        writeFile(copy, payload);
        TextBuffer path(copy.c_str());
        return extractPayload(nullptr, path, header, index.c_str(), stream, dataStart);
    }
    // Reads a copy this run made (deleted on failure).
    int extractOwned(const Bytes& payload) {
        writeFile(copy, payload);
        PayloadChecksum checksum;
        checksum.add(payload.data(), payload.size());
        return readPayloadCopy(fopen(copy.c_str(), "rb"), copy.c_str(), 1, checksum, header,
                               index.c_str(), stream, dataStart);
    }
    bool headerUntouched() const {
        const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&header);
        for (size_t i = 0; i < sizeof header; ++i)
            if (bytes[i] != 0xAB)
                return false;
        return true;
    }
    void expectCleanFailure(int result) {
        EXPECT_EQ(0, result);
        EXPECT_EQ(nullptr, stream);
        EXPECT_EQ(0, dataStart);
        EXPECT_TRUE(headerUntouched());
        EXPECT_FALSE(folder.holds("1a2b.AX"));
    }

    ScratchFolder folder;
    std::string copy = folder.path("TARCH.AZ");
    std::string index = folder.path("1a2b.AX");
    PayloadHeader header;
    FILE* stream = kUnsetStream;
    int32_t dataStart = -77;
};

TEST_F(ExtractTest, SinglePageTableGivesHeaderIndexAndStreamAtDataStart) {
    BuiltPayload built = filePayload(sampleFiles());
    ASSERT_EQ(1, extractNamed(built.bytes));

    EXPECT_EQ(built.dataStart, dataStart);
    ASSERT_NE(nullptr, stream);
    EXPECT_EQ(built.dataStart, ftell(stream));
    EXPECT_EQ(2444u, header.size);
    EXPECT_EQ("fr", field(header.language, sizeof header.language));
    EXPECT_EQ("Demo.exe", field(header.mainProgram, sizeof header.mainProgram));
    EXPECT_EQ("%programfiles%\\Demo", field(header.installFolder, sizeof header.installFolder));
    EXPECT_EQ(28, header.reserved[0]);
    EXPECT_EQ("Demo produit", field(header.productName, sizeof header.productName));
    EXPECT_EQ("Demo favori", field(header.favoritesName, sizeof header.favoritesName));
    EXPECT_EQ("demo.ico", field(header.iconFile, sizeof header.iconFile));
    EXPECT_EQ("Demo menu", field(header.startMenuName, sizeof header.startMenuName));
    EXPECT_EQ(built.table, readFile(index));
    EXPECT_EQ(built.bytes, readFile(copy));
    EXPECT_EQ(built.entries, walkIndexFile(index, 0));
    EXPECT_EQ(reversed(built.entries), walkIndexFile(index, 1));
}

TEST_F(ExtractTest, FirstFileChunkStartsAtDataStartItself) {
    BuiltPayload built = filePayload(sampleFiles());
    ASSERT_EQ(1, extractNamed(built.bytes));
    unsigned char prefix[8];
    ASSERT_EQ(8u, fread(prefix, 1, 8, stream));
    uint32_t size = payload::readU32(prefix);
    Bytes compressed(payload::readU32(prefix + 4));
    ASSERT_EQ(compressed.size(), fread(compressed.data(), 1, compressed.size(), stream));
    Bytes contents(size + 1);
    uLongf length = size;
    ASSERT_EQ(Z_OK, uncompress(contents.data(), &length, compressed.data(),
                               static_cast<uLong>(compressed.size())));
    contents.resize(length);
    EXPECT_EQ(textBytes("Lisez-moi"), contents);  // the first file given, value 0
}

TEST_F(ExtractTest, OnlyTheFirstThreeSignatureBytesCount) {
    for (const char* signature : {"MWZ999", "MWZabc", "MWZ"}) {
        BuiltPayload built = filePayload(sampleFiles());
        memcpy(built.bytes.data(), signature, strlen(signature));
        built.bytes[6] = 'x';
        built.bytes[7] = 0x7F;
        EXPECT_EQ(1, extractNamed(built.bytes)) << signature;
        EXPECT_EQ(built.dataStart, dataStart);
        fclose(stream);
        stream = nullptr;
    }
}

TEST_F(ExtractTest, ShortHeaderLeavesTheRestZero) {
    Bytes shortHeader = headerBytes();
    shortHeader.resize(104);  // cuts mainProgram after its first 4 bytes
    Bytes table = indexImage({TestPage{0, -1, {}}});
    ASSERT_EQ(1, extractNamed(payloadBytes(chunk(shortHeader), chunk(table), {})));
    EXPECT_EQ(2444u, header.size);
    EXPECT_EQ("Demo", field(header.mainProgram, sizeof header.mainProgram));
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&header);
    for (size_t i = 104; i < sizeof header; ++i)
        ASSERT_EQ(0, bytes[i]) << "offset " << i;
}

TEST_F(ExtractTest, EmptyHeaderGivesAZeroRecord) {
    Bytes table = indexImage({TestPage{0, -1, {}}});
    ASSERT_EQ(1, extractNamed(payloadBytes(chunk({}), chunk(table), {})));
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&header);
    for (size_t i = 0; i < sizeof header; ++i)
        ASSERT_EQ(0, bytes[i]) << "offset " << i;
}

TEST_F(ExtractTest, LongHeaderFillsExactly2444Bytes) {
    Bytes longHeader = headerBytes();
    longHeader.resize(3000, 'Z');
    Bytes table = indexImage({TestPage{0, -1, {}}});
    ASSERT_EQ(1, extractNamed(payloadBytes(chunk(longHeader), chunk(table), {})));
    EXPECT_EQ(0, memcmp(&header, longHeader.data(), sizeof header));
}

TEST_F(ExtractTest, StatedSizeFarAboveTheStreamIsNotAllocated) {
    Bytes table = indexImage({TestPage{0, -1, {}}});
    Bytes headerChunk = chunkWithSizes(0xFFFFFFFFu, zlibStream(headerBytes()));
    Bytes tableChunk = chunkWithSizes(0xFFFFFFF0u, zlibStream(table));
    ASSERT_EQ(1, extractNamed(payloadBytes(headerChunk, tableChunk, {})));
    EXPECT_EQ("Demo.exe", field(header.mainProgram, sizeof header.mainProgram));
    EXPECT_EQ(table, readFile(index));
}

TEST_F(ExtractTest, StoredStreamLargerThanItsDataIsAccepted) {
    Bytes table = indexImage({TestPage{0, -1, {{"a", 0}}}});
    Bytes headerChunk = chunk(headerBytes(), 0);
    ASSERT_GT(payload::readU32(headerChunk.data() + 4), payload::readU32(headerChunk.data()));
    ASSERT_EQ(1, extractNamed(payloadBytes(headerChunk, chunk(table, 0), {})));
    EXPECT_EQ(table, readFile(index));
}

TEST_F(ExtractTest, TextsOfFullWidthMinusOneAndAnUnterminatedLanguageAreAccepted) {
    HeaderTexts texts;
    texts.language = std::string(96, 'L');  // not read by the run
    texts.mainProgram = std::string(1023, 'm');
    texts.installFolder = std::string(259, 'i');
    texts.startMenuName = std::string(259, 's');
    Bytes table = indexImage({TestPage{0, -1, {}}});
    ASSERT_EQ(1, extractNamed(payloadBytes(chunk(headerBytes(texts)), chunk(table), {})));
    EXPECT_EQ(texts.mainProgram, field(header.mainProgram, sizeof header.mainProgram));
}

TEST_F(ExtractTest, EmptyTableWalksToNothing) {
    Bytes table = indexImage({TestPage{0, -1, {}}});
    ASSERT_EQ(1, extractNamed(payloadBytes(chunk(headerBytes()), chunk(table), {})));
    EntryIndex entries(index.c_str(), 0);
    ASSERT_TRUE(entries.isOpen());
    EXPECT_TRUE(walkIndex(entries, 0).empty());
    EXPECT_TRUE(walkIndex(entries, 1).empty());
}

TEST_F(ExtractTest, TableThatDecodesToNothingGivesAnIndexThatIsNotOpen) {
    ASSERT_EQ(1, extractNamed(payloadBytes(chunk(headerBytes()), chunk({}), {})));
    EXPECT_EQ(0, EntryIndex(index.c_str(), 0).isOpen());
}

TEST_F(ExtractTest, MultiPageTableIsWrittenWhole) {
    std::vector<TestFile> files;
    for (int i = 0; i < 300; ++i)
        files.push_back({"dossier\\fichier" + std::to_string(1000 + i) + ".txt", textBytes("x")});
    BuiltPayload built = filePayload(files, 12);
    ASSERT_GE(treeDepth(balancedTree(built.entries, 12)), 3);
    ASSERT_EQ(1, extractNamed(built.bytes));
    EXPECT_EQ(built.table, readFile(index));
    EXPECT_EQ(built.entries, walkIndexFile(index, 0));
    EXPECT_EQ(reversed(built.entries), walkIndexFile(index, 1));
}

TEST_F(ExtractTest, WithoutAPayloadFileTheHostBuildHasNoPayload) {
#ifdef _WIN32
    GTEST_SKIP() << "the Windows builds read their own resource (tested apart)";
#else
    TextBuffer empty(260);
    EXPECT_EQ(0, extractPayload(nullptr, empty, header, index.c_str(), stream, dataStart));
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_EQ(0, folder.count());
    expectCleanFailure(0);
#endif
}

// Each way a payload can be damaged before its data area.
struct DamagedPayload {
    const char* name;
    Bytes bytes;
};

std::vector<DamagedPayload> damagedPayloads() {
    Bytes headerChunk = chunk(headerBytes());
    Bytes table = indexImage({TestPage{0, -1, {{"a.txt", 0}}}});
    Bytes tableChunk = chunk(table);
    auto payloadWith = [&](const Bytes& h, const Bytes& t) { return payloadBytes(h, t, {}); };
    Bytes good = payloadWith(headerChunk, tableChunk);
    auto cut = [&](size_t length) { return Bytes(good.begin(), good.begin() + length); };
    auto flipped = [](Bytes bytes, size_t at) {
        bytes[at] ^= 0xFF;
        return bytes;
    };
    Bytes garbage = textBytes("this is not a zlib stream at all");
    auto unterminated = [&](std::string HeaderTexts::*text, size_t width) {
        HeaderTexts texts;
        texts.*text = std::string(width, 'X');
        return payloadWith(chunk(headerBytes(texts)), tableChunk);
    };
    size_t tableAt = 8 + headerChunk.size();
    return {
        {"wrong signature",
         [&] {
             Bytes b = good;
             b[2] = 'Y';
             return b;
         }()},
        {"lower-case signature",
         [&] {
             Bytes b = good;
             memcpy(b.data(), "mwz", 3);
             return b;
         }()},
        {"empty file", {}},
        {"signature cut", cut(5)},
        {"short header prefix", cut(12)},
        {"header prefix without stream", cut(16)},
        {"zero-length header stream", payloadWith(chunkWithSizes(2444, {}), tableChunk)},
        {"header stream cut", cut(8 + headerChunk.size() - 1)},
        {"undecodable header", payloadWith(chunkWithSizes(2444, garbage), tableChunk)},
        {"header checksum damaged", flipped(good, 8 + headerChunk.size() - 1)},
        {"header bigger than stated",
         payloadWith(chunkWithSizes(100, zlibStream(headerBytes())), tableChunk)},
        {"table prefix missing", cut(tableAt)},
        {"short table prefix", cut(tableAt + 7)},
        {"zero-length table stream", payloadWith(headerChunk, chunkWithSizes(7176, {}))},
        {"table stream cut", cut(good.size() - 1)},
        {"undecodable table", payloadWith(headerChunk, chunkWithSizes(7176, garbage))},
        {"table checksum damaged", flipped(good, good.size() - 2)},
        {"table bigger than stated",
         payloadWith(headerChunk, chunkWithSizes(7000, zlibStream(table)))},
        {"mainProgram unterminated", unterminated(&HeaderTexts::mainProgram, 1024)},
        {"installFolder unterminated", unterminated(&HeaderTexts::installFolder, 260)},
        {"productName unterminated", unterminated(&HeaderTexts::productName, 260)},
        {"favoritesName unterminated", unterminated(&HeaderTexts::favoritesName, 260)},
        {"iconFile unterminated", unterminated(&HeaderTexts::iconFile, 260)},
        {"startMenuName unterminated", unterminated(&HeaderTexts::startMenuName, 260)},
    };
}

TEST_F(ExtractTest, DamagedPayloadsFailAndTheCopyMadeIsDeleted) {
    for (const DamagedPayload& damaged : damagedPayloads()) {
        SCOPED_TRACE(damaged.name);
        memset(&header, 0xAB, sizeof header);
        stream = kUnsetStream;
        dataStart = -77;
        expectCleanFailure(extractOwned(damaged.bytes));
        EXPECT_EQ(0, folder.count());
    }
}

TEST_F(ExtractTest, DamagedPayloadFileNamedByTheCallerFailsAndStays) {
    for (const DamagedPayload& damaged : damagedPayloads()) {
        SCOPED_TRACE(damaged.name);
        memset(&header, 0xAB, sizeof header);
        stream = kUnsetStream;
        dataStart = -77;
        expectCleanFailure(extractNamed(damaged.bytes));
        EXPECT_EQ(damaged.bytes, readFile(copy));
        EXPECT_EQ(1, folder.count());
    }
}

TEST_F(ExtractTest, MissingPayloadFileFails) {
    TextBuffer path(folder.path("absent.az").c_str());
    expectCleanFailure(extractPayload(nullptr, path, header, index.c_str(), stream, dataStart));
    EXPECT_EQ(0, folder.count());
}

TEST_F(ExtractTest, IndexFileThatCannotBeCreatedFailsAndLeavesNothing) {
    BuiltPayload built = filePayload(sampleFiles());
    index = folder.path("no-such-folder/1a2b.AX");
    expectCleanFailure(extractOwned(built.bytes));
    EXPECT_EQ(0, folder.count());

    index = folder.path("a-folder");
    std::filesystem::create_directory(index);
    stream = kUnsetStream;
    dataStart = -77;
    expectCleanFailure(extractOwned(built.bytes));
    EXPECT_TRUE(std::filesystem::is_directory(index));
    EXPECT_EQ(1, folder.count());
}

#ifndef _WIN32
TEST_F(ExtractTest, IndexFileCutShortByAFullDiskFailsAndIsDeleted) {
    std::vector<TestFile> files;
    for (int i = 0; i < 200; ++i)
        files.push_back({"fichier" + std::to_string(1000 + i), textBytes("x")});
    BuiltPayload built = filePayload(files, 10);
    ASSERT_GT(built.table.size(), 20000u);
    writeFile(copy, built.bytes);
    FILE* opened = fopen(copy.c_str(), "rb");

    struct rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    void (*previous)(int) = signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = saved;
    limited.rlim_cur = 10000;
    setrlimit(RLIMIT_FSIZE, &limited);
    PayloadChecksum checksum;
    checksum.add(built.bytes.data(), built.bytes.size());
    int result = readPayloadCopy(opened, copy.c_str(), 1, checksum, header, index.c_str(), stream,
                                 dataStart);
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previous);

    expectCleanFailure(result);
    EXPECT_EQ(0, folder.count());
}
#endif

TEST_F(ExtractTest, NoMemoryForABlockFailsCleanly) {
    BuiltPayload built = filePayload(sampleFiles());
    int32_t blocksBefore = liveBlockCount();
    int n = 1;
    for (;; ++n) {
        SCOPED_TRACE(n);
        memset(&header, 0xAB, sizeof header);
        stream = kUnsetStream;
        dataStart = -77;
        failNthAllocation(n);
        int result = extractOwned(built.bytes);
        failNthAllocation(0);
        EXPECT_EQ(blocksBefore, liveBlockCount());
        if (result == 1)
            break;
        expectCleanFailure(result);
        EXPECT_EQ(0, folder.count());
    }
    EXPECT_EQ(5, n);  // two blocks for each of the two chunks
    EXPECT_EQ(built.table, readFile(index));
}

TEST_F(ExtractTest, EveryTruncationFailsCleanlyBeforeTheDataArea) {
    std::vector<TestFile> files;
    for (int i = 0; i < 40; ++i)
        files.push_back({"f" + std::to_string(100 + i), textBytes("contenu")});
    BuiltPayload built = filePayload(files, 6);
    for (size_t length = 0; length <= built.bytes.size(); ++length) {
        SCOPED_TRACE(length);
        memset(&header, 0xAB, sizeof header);
        if (stream != nullptr && stream != kUnsetStream)
            fclose(stream);
        stream = kUnsetStream;
        dataStart = -77;
        int result = extractOwned(Bytes(built.bytes.begin(), built.bytes.begin() + length));
        if (length < static_cast<size_t>(built.dataStart)) {
            expectCleanFailure(result);
            ASSERT_EQ(0, folder.count());
        } else {
            ASSERT_EQ(1, result);
            ASSERT_EQ(built.entries, walkIndexFile(index, 0));
        }
    }
}

TEST_F(ExtractTest, EverySingleByteFlipBeforeTheDataAreaSucceedsOrFailsCleanly) {
    std::vector<TestFile> files;
    for (int i = 0; i < 40; ++i)
        files.push_back({"f" + std::to_string(100 + i), textBytes("contenu")});
    BuiltPayload built = filePayload(files, 6);
    int succeeded = 0;
    for (int at = 0; at < built.dataStart; ++at) {
        for (unsigned char mask : {0x01, 0x80, 0xFF}) {
            SCOPED_TRACE(std::to_string(at) + " ^ " + std::to_string(mask));
            Bytes damaged = built.bytes;
            damaged[at] ^= mask;
            memset(&header, 0xAB, sizeof header);
            if (stream != nullptr && stream != kUnsetStream)
                fclose(stream);
            stream = kUnsetStream;
            dataStart = -77;
            int result = extractOwned(damaged);
            if (result == 0) {
                expectCleanFailure(result);
                ASSERT_EQ(0, folder.count());
                continue;
            }
            ++succeeded;
            ASSERT_EQ(1, result);
            ASSERT_EQ(ftell(stream), dataStart);
            auto forward = walkIndexFile(index, 0, 100000);
            auto backward = walkIndexFile(index, 1, 100000);
            ASSERT_LT(forward.size(), 100000u);
            ASSERT_LT(backward.size(), 100000u);
            fclose(stream);
            stream = nullptr;
            remove(index.c_str());
        }
    }
    EXPECT_GT(succeeded, 0);  // the version digits and the stated sizes above
}

}  // namespace
