// One chunk of the payload (8-byte prefix, then one zlib stream), read from a
// stream standing at its prefix and decoded whole.
#ifndef AZ_PAYLOAD_CHUNK_H
#define AZ_PAYLOAD_CHUNK_H

#include <cstdint>
#include <cstdio>

struct DecodedChunk {
    unsigned char* data = nullptr;  // the decoded bytes; owned
    uint32_t length = 0;            // as `uncompress` reported it
    uint32_t compressedSize = 0;    // bytes of the stream after the prefix

    DecodedChunk() = default;
    DecodedChunk(const DecodedChunk&) = delete;
    DecodedChunk& operator=(const DecodedChunk&) = delete;
    ~DecodedChunk() { release(); }
    void release();
};

// 1: `chunk` holds the decoded bytes and the stream stands after the chunk.
// 0: a prefix or stream that cannot be read whole (a stream of length 0
// included), a block that cannot be had, or a stream that does not decode
// within its stated size; `chunk` holds nothing.
int readChunk(FILE* stream, DecodedChunk& chunk);

#endif
