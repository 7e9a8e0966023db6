// Reading one chunk of a payload (8-byte prefix, then a zlib stream) and
// decoding it in pieces, with every check the format allows: the stream lies
// inside the payload, is not empty, is one complete zlib stream of exactly
// `compressedSize` bytes, and decodes to exactly `uncompressedSize` bytes.
#ifndef AZPACK_CHUNK_DECODER_H
#define AZPACK_CHUNK_DECODER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "read/payload_file.h"

namespace azpack {

struct ChunkPrefix {
    uint32_t uncompressedSize = 0;
    uint32_t compressedSize = 0;
};

class ChunkOutput {
  public:
    virtual ~ChunkOutput() = default;
    virtual bool write(const unsigned char* data, size_t size, std::string* reason) = 0;
};

// Reads the prefix at payload offset `at` and checks that the stream it
// announces is not empty and ends inside the payload.
bool readChunkPrefix(PayloadFile& payload, uint64_t at, ChunkPrefix* prefix, std::string* reason);

bool decodeChunk(PayloadFile& payload, uint64_t at, const ChunkPrefix& prefix, ChunkOutput* out,
                 std::string* reason);

// Decodes into memory; refuses sizes that no zlib stream of that length can
// reach, so that a damaged prefix cannot ask for gigabytes.
bool decodeChunkToMemory(PayloadFile& payload, uint64_t at, const ChunkPrefix& prefix,
                         std::vector<unsigned char>* out, std::string* reason);

}  // namespace azpack

#endif
