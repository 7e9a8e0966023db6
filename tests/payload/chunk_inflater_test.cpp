// The streamed decoder against the one-call decoder it stands in for: for
// every stream shape the builder makes and every kind of damage, the same
// verdict and the same bytes as `uncompress` into a block of the limit.
#include "payload/chunk_inflater.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <string>

#include "scratch_folder.h"

namespace {

std::string pseudoRandom(size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string out(size, '\0');
    for (char& c : out)
        c = static_cast<char>(generator() % 64 + ' ');  // compresses, but not to nothing
    return out;
}

// Deflates `content` with `level`, flushing to a byte boundary after every
// `flushEvery` bytes (0: never), as the builder does between its pieces.
std::string deflateStream(const std::string& content, int level, size_t flushEvery) {
    z_stream z = {};
    deflateInit(&z, level);
    std::string out;
    unsigned char buffer[65536];
    size_t at = 0;
    int flush;
    do {
        size_t step = flushEvery ? flushEvery : content.size();
        size_t take = content.size() - at < step ? content.size() - at : step;
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.data() + at));
        z.avail_in = static_cast<uInt>(take);
        at += take;
        flush = at == content.size() ? Z_FINISH : Z_SYNC_FLUSH;
        do {
            z.next_out = buffer;
            z.avail_out = sizeof buffer;
            deflate(&z, flush);
            out.append(reinterpret_cast<char*>(buffer), sizeof buffer - z.avail_out);
        } while (z.avail_out == 0);
    } while (flush != Z_FINISH);
    deflateEnd(&z);
    return out;
}

// 1 with `out` as uncompress gives it into a block of `limit` bytes, or 0.
int decodeWhole(const std::string& stream, uint64_t limit, std::string& out) {
    out.assign(static_cast<size_t>(limit) + 1, '\0');
    uLongf length = static_cast<uLongf>(limit);
    int result = uncompress(reinterpret_cast<Bytef*>(&out[0]), &length,
                            reinterpret_cast<const Bytef*>(stream.data()),
                            static_cast<uLong>(stream.size()));
    out.resize(result == Z_OK ? length : 0);
    return result == Z_OK;
}

class ChunkInflaterTest : public ::testing::Test {
  protected:
    // Streams `stream` (all of it counted as the chunk) with `limit`; 1 with
    // the bytes in `out`, 0 when damaged. Checks the piece sizes on the way.
    int decodeStreamed(const std::string& stream, uint64_t limit, std::string& out) {
        std::string path = (scratch_.root / "chunk.z").string();
        {
            std::ofstream file(path, std::ios::binary);
            file << "lead" << stream << "after the chunk";
        }
        FILE* file = std::fopen(path.c_str(), "rb");
        EXPECT_NE(nullptr, file);
        std::fseek(file, 4, SEEK_SET);
        out.clear();
        int result;
        {
            ChunkInflater inflater(file, static_cast<uint32_t>(stream.size()), limit);
            const unsigned char* piece = nullptr;
            size_t length = 0;
            while ((result = inflater.next(piece, length)) == 1) {
                EXPECT_GT(length, 0u);
                EXPECT_LE(length, ChunkInflater::kOutputPiece);
                out.append(reinterpret_cast<const char*>(piece), length);
            }
            if (result == 0) {
                EXPECT_EQ(out.size(), inflater.produced());
            }
            // Once over, it stays over.
            EXPECT_EQ(result, inflater.next(piece, length));
            EXPECT_EQ(0u, length);
        }
        std::fclose(file);
        return result == 0 ? 1 : 0;
    }

    void expectLikeUncompress(const std::string& label, const std::string& stream, uint64_t limit) {
        std::string whole, streamed;
        int wholeOk = decodeWhole(stream, limit, whole);
        int streamedOk = decodeStreamed(stream, limit, streamed);
        EXPECT_EQ(wholeOk, streamedOk) << label << ", limit " << limit;
        if (wholeOk && streamedOk) {
            EXPECT_TRUE(whole == streamed) << label << ": bytes differ";
        }
    }

    ScratchFolder scratch_;
};

TEST_F(ChunkInflaterTest, EveryStreamShapeDecodesAsUncompressDoes) {
    const std::string big = pseudoRandom(1536 * 1024 + 12345, 1);  // more than one piece
    const std::string zeros(3 * 1024 * 1024, '\0');
    struct Shape {
        const char* label;
        std::string content;
        std::string stream;
    } shapes[] = {
        {"empty", "", deflateStream("", 9, 0)},
        {"one byte", "x", deflateStream("x", 9, 0)},
        {"one block", big, deflateStream(big, 9, 0)},
        {"sync-flushed blocks", big, deflateStream(big, 6, 256 * 1024)},
        {"stored blocks", big, deflateStream(big, 0, 0)},
        {"zeros", zeros, deflateStream(zeros, 9, 1 << 20)},
    };
    for (const Shape& shape : shapes) {
        const uint64_t size = shape.content.size();
        std::string streamed;
        ASSERT_EQ(1, decodeStreamed(shape.stream, size, streamed)) << shape.label;
        EXPECT_TRUE(streamed == shape.content) << shape.label;
        // A stated size above the content changes nothing; one below it
        // is damage, as is the stream cut anywhere or with a byte changed.
        expectLikeUncompress(shape.label, shape.stream, size + 1);
        expectLikeUncompress(shape.label, shape.stream, size * 2 + 7);
        if (size > 1) {  // a stream never has a limit of 0 when it is streamed
            expectLikeUncompress(shape.label, shape.stream, size - 1);
            expectLikeUncompress(shape.label, shape.stream, 0);
        }
        // Bytes after the stream's end, counted in the chunk (the padded
        // table chunk), are ignored.
        expectLikeUncompress(shape.label, shape.stream + std::string(300, '\xAA'), size);
        for (size_t cut :
             {size_t(1), size_t(4), shape.stream.size() / 2, shape.stream.size() - 1}) {
            expectLikeUncompress(shape.label, shape.stream.substr(0, shape.stream.size() - cut),
                                 size);
        }
        for (size_t at : {size_t(0), size_t(2), shape.stream.size() / 3, shape.stream.size() - 2}) {
            std::string damaged = shape.stream;
            damaged[at] = static_cast<char>(damaged[at] ^ 0x5A);
            expectLikeUncompress(shape.label, damaged, size);
        }
    }
}

TEST_F(ChunkInflaterTest, AnUnreadableStreamIsDamaged) {
    std::string stream = deflateStream(pseudoRandom(100000, 2), 9, 0);
    ChunkInflater none(nullptr, static_cast<uint32_t>(stream.size()), 100000);
    const unsigned char* piece = nullptr;
    size_t length = 99;
    EXPECT_EQ(-1, none.next(piece, length));
    EXPECT_EQ(nullptr, piece);
    EXPECT_EQ(0u, length);

    // A compressed size past the end of the file: the read comes up short.
    std::string path = (scratch_.root / "short.z").string();
    {
        std::ofstream file(path, std::ios::binary);
        file << stream.substr(0, stream.size() / 2);
    }
    FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(nullptr, file);
    {
        ChunkInflater inflater(file, static_cast<uint32_t>(stream.size()), 100000);
        int result;
        while ((result = inflater.next(piece, length)) == 1) {
        }
        EXPECT_EQ(-1, result);
    }
    std::fclose(file);
}

}  // namespace
