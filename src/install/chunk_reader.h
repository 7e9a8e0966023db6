// Reads and decodes the chunk of one entry from the payload copy:
//   0  4  uncompressed size   4  4  compressed size   8  the zlib stream
// A chunk that lies outside the copy, is cut off by its end or does not
// decode is damaged; the run beeps and skips its entry.
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

    // Decodes the chunk at dataStart + entryOffset. 1: bytes() holds the
    // length() bytes that uncompress produced (possibly none). 0: damaged, or
    // no memory for a block.
    int decode(int32_t entryOffset);
    const unsigned char* bytes() const { return decoded_; }
    size_t length() const { return length_; }

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
};

#endif
