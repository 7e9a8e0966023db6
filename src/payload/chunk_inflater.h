// Decodes one chunk's zlib stream in fixed-size pieces, for entries too large
// to be held whole: the memory it needs does not grow with the entry. The
// outcome is that of one-call `uncompress` into a block of `limit` bytes:
// the stream must end within `limit` decoded bytes and within
// `compressedSize` bytes of input (bytes after its end are ignored).
#ifndef AZ_PAYLOAD_CHUNK_INFLATER_H
#define AZ_PAYLOAD_CHUNK_INFLATER_H

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>

class ChunkInflater {
  public:
    // Reads from `stream`, which stands at the first byte of the zlib stream
    // and stays the caller's.
    ChunkInflater(FILE* stream, uint32_t compressedSize, uint64_t limit);
    ~ChunkInflater();
    ChunkInflater(const ChunkInflater&) = delete;
    ChunkInflater& operator=(const ChunkInflater&) = delete;

    // 1: `piece` holds the next `length` decoded bytes (at least one), valid
    // until the next call. 0: the stream ended well; produced() is the whole
    // length. -1: damaged, cut short or too long, or no memory.
    int next(const unsigned char*& piece, size_t& length);
    uint64_t produced() const { return produced_; }

    static constexpr size_t kInputPiece = 256 * 1024;
    static constexpr size_t kOutputPiece = 1024 * 1024;

  private:
    FILE* stream_;
    uint32_t inputLeft_;
    uint64_t limit_;
    uint64_t produced_ = 0;
    z_stream z_;
    int started_ = 0;
    int state_ = 1;  // as next() answers once the stream is over
    unsigned char* input_ = nullptr;
    unsigned char* output_ = nullptr;
};

#endif
