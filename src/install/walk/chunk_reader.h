// Reads and decodes the chunk of one entry from the payload copy:
//   0  4  uncompressed size   4  4  compressed size   8  the zlib stream
// A chunk that lies outside the copy, is cut off by its end or does not
// decode is damaged; the run beeps and skips its entry. Chunks up to
// kWholeBound (both sizes) are decoded whole in one call; larger ones are
// only located here, and streamed into their file (streamed_file.h), so that
// no entry costs more memory than a few fixed pieces.
#ifndef AZ_INSTALL_CHUNK_READER_H
#define AZ_INSTALL_CHUNK_READER_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

class ChunkReader {
  public:
    // `stream` stays owned by the caller and must outlive the reader.
    ChunkReader(FILE* stream, int32_t dataStart);
    ~ChunkReader();
    ChunkReader(const ChunkReader&) = delete;
    ChunkReader& operator=(const ChunkReader&) = delete;

    // 4 MiB: one-call decoding costs at most twice this much memory, and a
    // file this large takes long enough to write that a second name and a
    // rename (the streamed path) cost nothing measurable beside it.
    static constexpr uint32_t kWholeBound = 4u << 20;

    // Decodes the chunk at dataStart + entryOffset. 1: bytes() holds the
    // length() bytes that uncompress produced (possibly none), or, when
    // isLarge(), the stream stands at the chunk's zlib stream, undecoded.
    // 0: damaged, or no memory for a block.
    int decode(int32_t entryOffset);
    const unsigned char* bytes() const { return decoded_; }
    size_t length() const { return length_; }

    // A large chunk: its stream, its compressed size and the most bytes it
    // may decode to (the block one-call decoding would have had).
    int isLarge() const { return large_; }
    FILE* stream() const { return stream_; }
    uint32_t compressedSize() const { return compressedSize_; }
    uint64_t decodedLimit() const { return decodedLimit_; }

    // Gives back both blocks (they are otherwise kept for the next entry).
    void release();

  private:
    // 1 with `block` holding at least `size` bytes (at least one).
    static int reserve(unsigned char*& block, size_t& room, size_t size);

    FILE* stream_;
    int64_t dataStart_;
    int64_t copySize_;
    unsigned char* compressed_ = nullptr;
    size_t compressedRoom_ = 0;
    unsigned char* decoded_ = nullptr;
    size_t decodedRoom_ = 0;
    size_t length_ = 0;
    int large_ = 0;
    uint32_t compressedSize_ = 0;
    uint64_t decodedLimit_ = 0;
};

#endif
