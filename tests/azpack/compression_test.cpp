#include <gtest/gtest.h>

#include <zlib.h>

#include "compress/block_compressor.h"
#include "compress/compression_pipeline.h"
#include "test_folder.h"
#include "write/source_tree.h"

namespace azpack {
namespace {

class MemorySink : public ChunkSink {
  public:
    bool append(size_t index, const unsigned char* data, size_t size, std::string*) override {
        if (streams.size() <= index)
            streams.resize(index + 1);
        streams[index].append(reinterpret_cast<const char*>(data), size);
        return true;
    }
    bool finishFile(size_t index, uint64_t compressedSize, std::string*) override {
        EXPECT_EQ(compressedSize, streams[index].size());
        finished.push_back(index);
        return true;
    }
    std::vector<std::string> streams;
    std::vector<size_t> finished;
};

// What the installer does with a chunk: one uncompress into a block of the
// stated size.
std::string installerDecode(const std::string& stream, size_t size) {
    std::string out(size + 1, '\0');
    uLongf length = static_cast<uLongf>(size);
    int code = uncompress(reinterpret_cast<Bytef*>(&out[0]), &length,
                          reinterpret_cast<const Bytef*>(stream.data()),
                          static_cast<uLong>(stream.size()));
    EXPECT_EQ(code, Z_OK);
    out.resize(length);
    return out;
}

std::vector<SourceFile> writeFiles(const TestFolder& folder, const std::vector<size_t>& sizes) {
    std::vector<SourceFile> files;
    for (size_t i = 0; i < sizes.size(); ++i) {
        SourceFile file;
        file.name = "f" + std::to_string(i);
        file.found = folder.write(file.name, sampleBytes(sizes[i], static_cast<unsigned>(i)));
        file.contents = file.found;
        file.size = sizes[i];
        files.push_back(file);
    }
    return files;
}

// A small file is one ordinary zlib stream; without libdeflate, byte for
// byte what zlib's compress2 gives.
TEST(BlockCompressor, ASmallFileIsOneOrdinaryZlibStream) {
    std::string data = sampleBytes(100000, 3);
    BlockCompressor compressor(9);
    std::vector<unsigned char> ours;
    std::string error;
    ASSERT_TRUE(compressor.compress(reinterpret_cast<const unsigned char*>(data.data()),
                                    data.size(), nullptr, 0, true, true, &ours, &error));
    std::vector<unsigned char> reference(compressBound(static_cast<uLong>(data.size())));
    uLongf length = static_cast<uLongf>(reference.size());
    ASSERT_EQ(compress2(reference.data(), &length, reinterpret_cast<const Bytef*>(data.data()),
                        static_cast<uLong>(data.size()), 9),
              Z_OK);
    reference.resize(length);
    EXPECT_EQ(ours[0], 0x78);
    EXPECT_EQ(ours[1], 0xDA);
    EXPECT_EQ(installerDecode(std::string(ours.begin(), ours.end()), data.size()), data);
    if (!libdeflateAvailable()) {
        EXPECT_EQ(ours, reference);
    }
}

// The table chunk fills room reserved before its data is known: every size
// from the room's lower bound up must give a stream of exactly that size that
// decodes, as the installer decodes, to the data.
TEST(CompressToSize, EverySizeFromTheRoomUpDecodesToTheData) {
    for (size_t length : {size_t(0), size_t(1), size_t(7176), size_t(70000)}) {
        std::string data = sampleBytes(length, static_cast<unsigned>(length));
        const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
        const size_t room = paddedStreamRoom(length);
        for (size_t size = room; size < room + 23; ++size) {
            std::vector<unsigned char> stream;
            std::string error;
            ASSERT_TRUE(compressToSize(bytes, length, 9, size, &stream, &error)) << error;
            ASSERT_EQ(stream.size(), size) << length;
            EXPECT_EQ(stream[0], 0x78);
            EXPECT_EQ(stream[1], 0xDA);
            std::string streamText(stream.begin(), stream.end());
            EXPECT_EQ(installerDecode(streamText, length), data) << length << " in " << size;
        }
    }
}

// Text compresses far below the room; the rest is all padding, still one
// valid stream.
TEST(CompressToSize, PaddingFillsAWideGap) {
    std::string data(50000, 'a');
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
    std::vector<unsigned char> stream;
    std::string error;
    ASSERT_TRUE(
        compressToSize(bytes, data.size(), 9, paddedStreamRoom(data.size()), &stream, &error))
        << error;
    EXPECT_EQ(stream.size(), paddedStreamRoom(data.size()));
    EXPECT_EQ(installerDecode(std::string(stream.begin(), stream.end()), data.size()), data);
}

TEST(CompressToSize, TooLittleRoomIsRefused) {
    std::string data = sampleBytes(20000, 5);
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
    std::vector<unsigned char> stream;
    std::string error;
    EXPECT_FALSE(compressToSize(bytes, data.size(), 9, 100, &stream, &error));
    EXPECT_NE(error.find("no room"), std::string::npos);
}

TEST(CompressionPipeline, EveryStreamDecodesAsTheInstallerDecodes) {
    TestFolder folder;
    // Around the block size, and files of several blocks.
    std::vector<size_t> sizes = {
        0, 1, kBlockSize - 1, kBlockSize, kBlockSize + 1, 3 * kBlockSize + 12345, 100};
    std::vector<SourceFile> files = writeFiles(folder, sizes);
    MemorySink sink;
    std::string error;
    ASSERT_TRUE(compressFiles(files, 3, 9, &sink, nullptr, &error)) << error;
    ASSERT_EQ(sink.finished.size(), files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(sink.finished[i], i);
        const std::string& stream = sink.streams.size() > i ? sink.streams[i] : std::string();
        ASSERT_GE(stream.size(), 2u);
        EXPECT_EQ(static_cast<unsigned char>(stream[0]), 0x78) << i;
        EXPECT_EQ(static_cast<unsigned char>(stream[1]), 0xDA) << i;
        EXPECT_EQ(installerDecode(stream, sizes[i]), TestFolder::read(files[i].contents)) << i;
    }
}

TEST(CompressionPipeline, OutputDoesNotDependOnTheThreadCount) {
    TestFolder folder;
    std::vector<size_t> sizes;
    for (int i = 0; i < 40; ++i)
        sizes.push_back((i * 7919u) % 30000u);
    sizes.push_back(3 * kBlockSize + 3);
    std::vector<SourceFile> files = writeFiles(folder, sizes);
    MemorySink one;
    MemorySink many;
    std::string error;
    ASSERT_TRUE(compressFiles(files, 1, 9, &one, nullptr, &error)) << error;
    ASSERT_TRUE(compressFiles(files, 7, 9, &many, nullptr, &error)) << error;
    EXPECT_EQ(one.streams, many.streams);
}

TEST(CompressionPipeline, AMissingFileFailsWithItsName) {
    TestFolder folder;
    std::vector<SourceFile> files = writeFiles(folder, {10, 20, 30});
    std::filesystem::remove(files[1].contents);
    MemorySink sink;
    std::string error;
    EXPECT_FALSE(compressFiles(files, 2, 9, &sink, nullptr, &error));
    EXPECT_NE(error.find(files[1].contents.u8string()), std::string::npos) << error;
    EXPECT_EQ(sink.finished, std::vector<size_t>{0});
}

TEST(CompressionPipeline, AFileThatChangedSizeIsRefused) {
    TestFolder folder;
    std::vector<SourceFile> files = writeFiles(folder, {10, 2 * kBlockSize});
    files[0].size = 12;              // as if it shrank after the scan
    files[1].size = kBlockSize + 5;  // as if it grew
    MemorySink sink;
    std::string error;
    EXPECT_FALSE(compressFiles(files, 2, 9, &sink, nullptr, &error));
    EXPECT_NE(error.find("changed while being read (now shorter)"), std::string::npos) << error;
    files[0].size = 10;
    EXPECT_FALSE(compressFiles(files, 2, 9, &sink, nullptr, &error));
    EXPECT_NE(error.find("changed while being read (now longer)"), std::string::npos) << error;
}

#ifdef AZPACK_LIBDEFLATE
// libdeflate's levels: every chunk shape azpack makes (empty, one block,
// several blocks of text, several blocks of incompressible bytes that go
// into stored blocks, the padded table) decoded as the installer decodes,
// and the same bytes whatever the thread count.
TEST(Libdeflate, EveryChunkShapeDecodesWithZlib) {
    TestFolder folder;
    std::vector<size_t> sizes = {0, 1, 100, kBlockSize, kBlockSize + 1, 3 * kBlockSize + 12345};
    std::vector<SourceFile> files = writeFiles(folder, sizes);
    std::string noise(2 * kBlockSize + 77, '\0');
    uint32_t state = 7;
    for (char& c : noise) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 24);
    }
    SourceFile random;
    random.name = "noise";
    random.found = random.contents = folder.write("noise", noise);
    random.size = noise.size();
    files.push_back(random);
    sizes.push_back(noise.size());
    for (int level : {1, 6, 9, 10, 12}) {
        MemorySink one;
        MemorySink many;
        std::string error;
        ASSERT_TRUE(compressFiles(files, 1, level, &one, nullptr, &error)) << error;
        ASSERT_TRUE(compressFiles(files, 3, level, &many, nullptr, &error)) << error;
        EXPECT_EQ(one.streams, many.streams);
        for (size_t i = 0; i < files.size(); ++i) {
            EXPECT_EQ(installerDecode(one.streams[i], sizes[i]),
                      TestFolder::read(files[i].contents))
                << level << " " << i;
        }
        std::string table = sampleBytes(7176, 9);
        const auto* bytes = reinterpret_cast<const unsigned char*>(table.data());
        std::vector<unsigned char> padded;
        ASSERT_TRUE(compressToSize(bytes, table.size(), level, paddedStreamRoom(table.size()),
                                   &padded, &error));
        EXPECT_EQ(installerDecode(std::string(padded.begin(), padded.end()), table.size()), table);
    }
}

// Every way a block's data can end within its last byte gets its sync
// flush marker right.
TEST(Libdeflate, ABlockEndsOnASyncFlushAtEveryBitOffset) {
    LibdeflateBlocks blocks(12);
    std::string data;
    for (int length = 1; length < 200; ++length) {
        data += static_cast<char>('a' + length % 26);
        std::vector<unsigned char> stream;
        std::string error;
        const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
        ASSERT_TRUE(blocks.compress(bytes, data.size(), true, false, &stream, &error)) << error;
        ASSERT_GE(stream.size(), 6u);
        EXPECT_EQ(std::vector<unsigned char>(stream.end() - 4, stream.end()),
                  (std::vector<unsigned char>{0x00, 0x00, 0xFF, 0xFF}));
        ASSERT_TRUE(blocks.compress(bytes, data.size(), false, true, &stream, &error)) << error;
        appendAdler(static_cast<uint32_t>(adler32_combine(
                        blocks.firstBlockAdler(), adler32(1, bytes, static_cast<uInt>(data.size())),
                        static_cast<z_off_t>(data.size()))),
                    &stream);
        EXPECT_EQ(installerDecode(std::string(stream.begin(), stream.end()), 2 * data.size()),
                  data + data)
            << length;
    }
}
#endif

}  // namespace
}  // namespace azpack
