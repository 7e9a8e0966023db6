#include "install/walk/chunk_reader.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <string>

#include "scratch_folder.h"

namespace {

std::string littleEndian(uint32_t value) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<char>(value >> (8 * i));
    return bytes;
}

std::string zlibStream(const std::string& content) {
    uLongf room = compressBound(content.size());
    std::string out(room, '\0');
    compress2(reinterpret_cast<Bytef*>(&out[0]), &room,
              reinterpret_cast<const Bytef*>(content.data()), content.size(), 9);
    out.resize(room);
    return out;
}

// A chunk as stored: stated sizes, then the stream.
std::string chunk(const std::string& content, uint32_t statedSize) {
    std::string stream = zlibStream(content);
    return littleEndian(statedSize) + littleEndian(static_cast<uint32_t>(stream.size())) + stream;
}
std::string chunk(const std::string& content) {
    return chunk(content, static_cast<uint32_t>(content.size()));
}

const std::string kLeading = "MWZ100\0\0 some header bytes";  // stands before dataStart

class ChunkReaderTest : public ::testing::Test {
  protected:
    // Writes kLeading + `data` and opens it; dataStart is kLeading's size.
    void open(const std::string& data) {
        path_ = scratch_.file("copy.az");
        writeFileBytes(path_, kLeading + data);
        stream_ = std::fopen(path_.c_str(), "rb");
        ASSERT_NE(nullptr, stream_);
    }
    void TearDown() override {
        if (stream_)
            std::fclose(stream_);
    }
    std::string decoded(const ChunkReader& reader) const {
        return std::string(reinterpret_cast<const char*>(reader.bytes()), reader.length());
    }
    int32_t dataStart() const { return static_cast<int32_t>(kLeading.size()); }

    ScratchFolder scratch_;
    std::string path_;
    FILE* stream_ = nullptr;
};

}  // namespace

TEST_F(ChunkReaderTest, DecodesChunksAtTheirOffsetsInAnyOrder) {
    std::string first = chunk("first file");
    std::string second = chunk(std::string(100000, 'x') + "end");
    open(first + second);
    ChunkReader reader(stream_, dataStart());
    ASSERT_EQ(1, reader.decode(static_cast<int32_t>(first.size())));
    EXPECT_EQ(std::string(100000, 'x') + "end", decoded(reader));
    ASSERT_EQ(1, reader.decode(0));
    EXPECT_EQ("first file", decoded(reader));
}

TEST_F(ChunkReaderTest, EmptyFileDecodesToNoBytes) {
    open(chunk(""));
    ChunkReader reader(stream_, dataStart());
    ASSERT_EQ(1, reader.decode(0));
    EXPECT_EQ(0u, reader.length());
}

TEST_F(ChunkReaderTest, OnlyTheDecodedLengthIsKept) {
    open(chunk("short", 4096));  // states more than the stream holds
    ChunkReader reader(stream_, dataStart());
    ASSERT_EQ(1, reader.decode(0));
    EXPECT_EQ("short", decoded(reader));
}

TEST_F(ChunkReaderTest, StatedSizeTooSmallIsDamaged) {
    open(chunk("longer than stated", 4));
    ChunkReader reader(stream_, dataStart());
    EXPECT_EQ(0, reader.decode(0));
}

TEST_F(ChunkReaderTest, NegativeOffsetIsDamaged) {
    open(chunk("data"));
    ChunkReader reader(stream_, dataStart());
    EXPECT_EQ(0, reader.decode(-1));
    EXPECT_EQ(0, reader.decode(-dataStart()));
    EXPECT_EQ(0, reader.decode(INT32_MIN));
}

TEST_F(ChunkReaderTest, OffsetAtOrPastTheEndIsDamaged) {
    std::string data = chunk("data");
    open(data);
    ChunkReader reader(stream_, dataStart());
    EXPECT_EQ(0, reader.decode(static_cast<int32_t>(data.size())));
    EXPECT_EQ(0, reader.decode(static_cast<int32_t>(data.size()) - 4));  // half a prefix
    EXPECT_EQ(0, reader.decode(INT32_MAX));                              // would wrap in 32 bits
    EXPECT_EQ(1, reader.decode(0));
}

TEST_F(ChunkReaderTest, StreamCutByTheEndOfTheCopyIsDamaged) {
    std::string whole = chunk(std::string(5000, 'q') + "tail");
    open(whole.substr(0, whole.size() - 3));
    ChunkReader reader(stream_, dataStart());
    EXPECT_EQ(0, reader.decode(0));
}

TEST_F(ChunkReaderTest, SizesClaimingGigabytesAreDamagedWithoutAllocating) {
    open(littleEndian(0xFFFFFFFFu) + littleEndian(0xFFFFFFF0u) + "xx");
    ChunkReader reader(stream_, dataStart());
    EXPECT_EQ(0, reader.decode(0));
}

TEST_F(ChunkReaderTest, DamagedStreamIsRefusedAndTheNextStillDecodes) {
    std::string bad = chunk("some content to spoil");
    bad[bad.size() - 6] ^= 0x55;  // inside the stream (or its checksum)
    std::string good = chunk("good");
    open(bad + good);
    ChunkReader reader(stream_, dataStart());
    EXPECT_EQ(0, reader.decode(0));
    EXPECT_EQ(0u, reader.length());
    ASSERT_EQ(1, reader.decode(static_cast<int32_t>(bad.size())));
    EXPECT_EQ("good", decoded(reader));
}

TEST_F(ChunkReaderTest, EmptyStreamIsDamaged) {
    open(littleEndian(3) + littleEndian(0));
    ChunkReader reader(stream_, dataStart());
    EXPECT_EQ(0, reader.decode(0));
}

TEST_F(ChunkReaderTest, SmallerChunkAfterLargerOneKeepsItsOwnLength) {
    std::string large = chunk(std::string(70000, 'L'));
    std::string small = chunk("s");
    open(large + small);
    ChunkReader reader(stream_, dataStart());
    ASSERT_EQ(1, reader.decode(0));
    ASSERT_EQ(1, reader.decode(static_cast<int32_t>(large.size())));
    EXPECT_EQ("s", decoded(reader));
    reader.release();
    EXPECT_EQ(0u, reader.length());
}
